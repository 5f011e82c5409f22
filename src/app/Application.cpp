// The tray application: picks the concrete backends and runs the Qt loop.
#include <QApplication>
#include <QDesktopServices>
#include <QIcon>
#include <QUrl>
#include <future>
#include <iostream>

#include "app/AppDelegate.h"
#include "app/DisplayCheck.h"
#include "app/UpdateAdvice.h"
#include "cli/CommandLine.h"
#include "panel/OnboardingWindow.h"
#include "panel/PopoverPanel.h"
#include "panel/StyleKit.h"
#include "platform/ApplicationId.h"
#include "platform/DataFolderLock.h"
#include "platform/DesktopSession.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/audio/SystemAudioEngine.h"
#include "platform/desktop/PulseRecordingWatcher.h"
#include "platform/desktop/SessionLockWatcher.h"
#include "platform/desktop/StatusItem.h"
#include "platform/desktop/X11ActiveWindowWatcher.h"
#include "platform/notify/DBusNotificationCenter.h"
#include "platform/prefs/SqlitePreferences.h"
#include "platform/process/QtMainQueue.h"
#include "platform/process/SignalBridge.h"
#include "platform/process/SingleInstance.h"
#include "reward/RewardSpinner.h"

namespace quib {

namespace {

QString muteToolTip(MuteNote note) {
    switch (note) {
        case MuteNote::muted:
            return QStringLiteral("QUIB: muted");
        case MuteNote::call:
            return QStringLiteral("QUIB: muted during a call");
        case MuteNote::fullScreen:
            return QStringLiteral("QUIB: muted in full screen");
        case MuteNote::application:
            return QStringLiteral("QUIB: muted in this application");
        case MuteNote::none:
            break;
    }
    return {};
}

class TrayStatus final : public StatusItemView {
  public:
    explicit TrayStatus(StatusItem& item) : m_item(item) {}
    void setDimmed(bool dimmed) override { m_item.setDimmed(dimmed); }
    void setPaused(bool paused) override { m_item.setPaused(paused); }
    void setMuteNote(MuteNote note) override { m_item.setMutedToolTip(muteToolTip(note)); }

  private:
    StatusItem& m_item;
};

// "Check for updates": the release page when the build names one, else a
// notification that says where this copy's updates come from.
void checkForUpdates(NotificationCenter& notifications) {
    const QString url = QStringLiteral(QUIB_UPDATE_URL);
    if (!url.isEmpty()) {
        QDesktopServices::openUrl(QUrl(url));
        return;
    }
    const UpdateAdvice advice = updateAdvice(executablePath());
    notifications.postSilently(advice.title, advice.body, "updates");
}

// Qt cannot place a top-level window on Wayland, and the panel must hang
// under its tray icon: the windows go through XWayland when it runs, unless
// the user chose a platform.
void preferXWayland() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        !qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
}

// Another QUIB holds the data folder, reached by a route the single-instance
// socket did not see: its panel opens, or this one says why it stops.
int handOverToFolderHolder(const DataFolderLock& lock, const std::filesystem::path& home) {
    const std::string socket = lock.holderSocket(std::chrono::seconds(2));
    if (!socket.empty() && SingleInstance::activate(QString::fromStdString(socket))) {
        std::cerr << kAlreadyRunningMessage << "\n";
        return 0;
    }
    logLine(
        "Another QUIB is already counting in this data folder and cannot be reached; "
        "exiting: ",
        home.string());
    return 1;
}

}  // namespace

void notifyRunningInstance(const std::filesystem::path& dataDirectory) {
    // The local socket wants an application object; a command has none.
    static int argc = 1;
    static char name[] = "quib";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QCoreApplication> application;
    if (QCoreApplication::instance() == nullptr) {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    SingleInstance(QString::fromStdString(dataDirectory.string())).notifyPrimaryOfNewSettings();
}

int runApplication(const CommandLine& commandLine, int argc, char** argv) {
    preferXWayland();
    if (const std::string missing = missingDisplay(); !missing.empty()) {
        logLine("No display: " + missing +
                ". The tray program needs a graphical session; `quib stats` works without one.");
        return 1;
    }
    // Which audio server answers (a probe that may wait up to a second, then
    // PipeWire's own context) is found out on a thread of its own while Qt
    // starts; the engine is taken where the services need it.
    auto audioChoice = std::async(std::launch::async, createSystemAudioEngine);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quib"));
    QApplication::setApplicationDisplayName(QStringLiteral("QUIB"));
    QApplication::setApplicationVersion(QStringLiteral(QUIB_VERSION));
    QApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));
    QApplication::setQuitOnLastWindowClosed(false);

    // One instance per data directory: a second `quib` opens the first one's
    // panel. The directory is canonical, so every spelling of it meets here;
    // the folder's own lock catches the routes the socket cannot see. Both
    // come before the store: a second instance never touches the files.
    const auto home = dataDirectory(commandLine.home);
    SingleInstance instance(QString::fromStdString(home.string()));
    if (!instance.tryBecomePrimary()) {
        std::cerr << kAlreadyRunningMessage << "\n";
        return instance.activatePrimary() ? 0 : 1;
    }
    DataFolderLock folderLock(home);
    if (folderLock.status() == DataFolderLock::Status::heldByAnother) {
        return handOverToFolderHolder(folderLock, home);
    }
    folderLock.publishSocket(instance.socketPath().toStdString());
    SignalBridge signalBridge;
    signalBridge.onSignal = [](int) { QCoreApplication::quit(); };

    auto preferences = SqlitePreferences::open(home, SqlitePreferences::Mode::readWrite).store;
    QtMainQueue mainQueue;
    SystemClock clock;
    SystemRandom random;
    auto audio = audioChoice.get();
    DBusNotificationCenter notifications;
    // An installed icon theme knows the icon by the application id; the build
    // tree only has the file.
    if (const auto icon = findResource("icons/hicolor/64x64/apps", kApplicationId, "png")) {
        const QString path = QString::fromStdString(icon->string());
        notifications.setAppIcon(QUrl::fromLocalFile(path).toString());
        // The windows' own icon, for the desktop's window switcher and task bar.
        QApplication::setWindowIcon(
            QIcon::fromTheme(QString::fromLatin1(kApplicationId), QIcon(path)));
    }
    // Resolved once, so that the permission and every restart of the capture agree.
    const InputBackend backend =
        resolveInputBackend(parseInputBackend(commandLine.input).value_or(InputBackend::automatic),
                            commandLine.inputDevices);
    auto permission = createPermissionService(
        backend, commandLine.inputDevices, [&notifications](std::string title, std::string body) {
            notifications.post(title, body, "access");
        });
    StatusItem statusItem;
    statusItem.setInputDescription(QString::fromStdString(permission->inputDescription()));
    TrayStatus trayStatus(statusItem);
    SessionLockWatcher session;
    PulseRecordingWatcher recording(mainQueue);
    recording.start();
    // Where the desktop cannot tell (Wayland), nothing is followed.
    std::unique_ptr<ActiveWindowWatcher> activeWindow;
    if (desktopTellsActiveWindow()) {
        activeWindow = std::make_unique<X11ActiveWindowWatcher>();
    } else {
        activeWindow = std::make_unique<NullActiveWindowWatcher>();
    }
    const bool trayAvailable = StatusItem::isTrayAvailable();

    AppServices services{
        *preferences,
        mainQueue,
        clock,
        random,
        *audio,
        notifications,
        trayStatus,
        *permission,
        session,
        recording,
        *activeWindow,
        [backend, devices = commandLine.inputDevices] {
            return createInputSource(backend, devices);
        },
        [&statusItem] {
            // Without a tray the panel takes a corner on the bar's side.
            return std::make_unique<PopoverPanel>([&statusItem] {
                return StatusItem::isTrayAvailable() ? statusItem.geometry() : QRect();
            });
        },
        [&random] { return std::make_unique<RewardSpinner>(random); },
        [&permission] {
            return std::make_unique<OnboardingWindow>(*permission, accessGuideUrl(),
                                                      resourceDirectory() / "header-logo.png");
        },
        [] { QCoreApplication::quit(); },
        [&notifications] { checkForUpdates(notifications); }};
    services.dataDirectory = home;
    AppDelegate delegate(std::move(services));
    // Every window is built in the store's active theme, read anew at each build.
    style::setThemeSource([&delegate] { return delegate.gameStats().activeTheme(); });
    statusItem.onClicked = [&delegate] { delegate.statusItemClicked(); };
    statusItem.onQuitRequested = [&delegate] { delegate.panelDidRequestQuit(); };
    instance.onActivateRequested = [&delegate] { delegate.popoverPanel().show(); };
    instance.onReloadRequested = [&delegate] { delegate.reloadSettings(); };
    QObject::connect(&app, &QCoreApplication::aboutToQuit,
                     [&delegate] { delegate.applicationWillTerminate(); });

    delegate.applicationDidFinishLaunching();
    if (!trayAvailable) {
        logLine("No system tray found; the panel opens as a window instead");
        delegate.popoverPanel().show();
    }
    return QApplication::exec();
}

}  // namespace quib
