// The tray application: picks the concrete backends and runs the Qt loop.
#include <QApplication>
#include <QDesktopServices>
#include <QUrl>
#include <iostream>

#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/DisplayCheck.h"
#include "panel/OnboardingWindow.h"
#include "panel/PopoverPanel.h"
#include "panel/StyleKit.h"
#include "platform/ApplicationId.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/audio/SystemAudioEngine.h"
#include "platform/notify/DBusNotificationCenter.h"
#include "platform/notify/QtMainQueue.h"
#include "platform/notify/SessionLockWatcher.h"
#include "platform/notify/SignalBridge.h"
#include "platform/notify/SingleInstance.h"
#include "platform/notify/StatusItem.h"
#include "platform/prefs/SqlitePreferences.h"
#include "reward/RewardSpinner.h"

namespace quib {

namespace {

class TrayStatus final : public StatusItemView {
  public:
    explicit TrayStatus(StatusItem& item) : m_item(item) {}
    void setDimmed(bool dimmed) override { m_item.setDimmed(dimmed); }
    void setPaused(bool paused) override { m_item.setPaused(paused); }

  private:
    StatusItem& m_item;
};

void openUpdatePage() {
    const QString url = QStringLiteral(QUIB_UPDATE_URL);
    if (!url.isEmpty()) {
        QDesktopServices::openUrl(QUrl(url));
    }
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

}  // namespace

int runApplication(const CommandLine& commandLine, int argc, char** argv) {
    preferXWayland();
    if (const std::string missing = missingDisplay(); !missing.empty()) {
        logLine("No display: " + missing +
                ". The tray program needs a graphical session; `quib stats` works without one.");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quib"));
    QApplication::setApplicationDisplayName(QStringLiteral("QUIB"));
    QApplication::setApplicationVersion(QStringLiteral(QUIB_VERSION));
    QApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));
    QApplication::setQuitOnLastWindowClosed(false);

    // One instance per data directory: a second `quib` opens the first one's panel.
    const auto home = dataDirectory(commandLine.home);
    SingleInstance instance(QString::fromStdString(home.string()));
    if (!instance.tryBecomePrimary()) {
        std::cerr << kAlreadyRunningMessage << "\n";
        return instance.activatePrimary() ? 0 : 1;
    }
    SignalBridge signalBridge;
    signalBridge.onSignal = [](int) { QCoreApplication::quit(); };

    auto preferences = SqlitePreferences::open(home, SqlitePreferences::Mode::readWrite).store;
    QtMainQueue mainQueue;
    SystemClock clock;
    SystemRandom random;
    auto audio = createSystemAudioEngine();
    DBusNotificationCenter notifications;
    // An installed icon theme knows the icon by the application id; the build
    // tree only has the file.
    if (const auto icon = findResource("icons/hicolor/64x64/apps", kApplicationId, "png")) {
        notifications.setAppIcon(
            QUrl::fromLocalFile(QString::fromStdString(icon->string())).toString());
    }
    const InputBackend backend =
        parseInputBackend(commandLine.input).value_or(InputBackend::automatic);
    auto permission = createPermissionService(
        backend, commandLine.inputDevices, [&notifications](std::string title, std::string body) {
            notifications.post(title, body, "access");
        });
    StatusItem statusItem;
    TrayStatus trayStatus(statusItem);
    SessionLockWatcher session;
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
        [backend, devices = commandLine.inputDevices] {
            return createInputSource(backend, devices);
        },
        [&statusItem] {
            // Without a tray the panel takes the top right corner.
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
        openUpdatePage};
    AppDelegate delegate(std::move(services));
    // Every window is built in the store's active theme, read anew at each build.
    style::setThemeSource([&delegate] { return delegate.gameStats().activeTheme(); });
    statusItem.onClicked = [&delegate] { delegate.statusItemClicked(); };
    statusItem.onQuitRequested = [&delegate] { delegate.panelDidRequestQuit(); };
    instance.onActivateRequested = [&delegate] { delegate.popoverPanel().show(); };
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
