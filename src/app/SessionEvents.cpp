// The desktop session: nothing heard or counted behind a locked screen, the
// counts on disk before the machine sleeps, the audio device checked after.
#include "app/AppDelegate.h"
#include "platform/Log.h"

namespace quib {

void AppDelegate::followSession() {
    SessionMonitor& session = m_services.session;
    std::weak_ptr<char> alive = m_alive;
    session.onLockChanged = [this, alive](bool locked) {
        if (!alive.expired()) {
            setScreenLocked(locked);
        }
    };
    session.onWillSleep = [this, alive] {
        if (!alive.expired()) {
            prepareForSleep();
        }
    };
    session.onDidWake = [this, alive] {
        if (!alive.expired()) {
            resumeFromSleep();
        }
    };
    setScreenLocked(session.isLocked());
}

// A gate of its own beside the master switch: the switch is the user's and is
// saved, the lock is neither. The log tells why keys went uncounted.
void AppDelegate::setScreenLocked(bool locked) {
    if (locked == m_capture->isPaused()) {
        return;
    }
    m_capture->setPaused(locked);
    m_services.statusItem.setPaused(locked);
    logLine(locked ? "Screen locked: paused, nothing is heard or counted"
                   : "Screen unlocked: resumed");
}

// The flush thread may not run again before the sleep, and the keys typed
// before it belong to the day they were typed on. The store is written on
// this thread; the sleep waits for that.
void AppDelegate::prepareForSleep() {
    m_gameStats->flushNow();
}

// The store takes the day from the clock at every flush, so a date that
// changed during the sleep needs nothing here; an audio stream may have died.
void AppDelegate::resumeFromSleep() {
    m_services.audio.reopenDevice();
}

}  // namespace quib
