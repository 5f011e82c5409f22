#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>
#include <optional>

#include "platform/desktop/TrayHostWatch.h"

class QMenu;

namespace quib {

// The status (tray) item: the template icon coloured for the panel, a dimmed
// variant while input capture is off, the tooltip "QUIB", a paused state
// while the screen is locked (dimmed the same way, with a tooltip that says
// why; the switch is not involved), a tooltip that says why the clicks are
// muted, a left click reported through onClicked,
// and a small context menu ("Open QUIB", "Quit QUIB") for trays that only
// open menus.
//
// When no tray host runs, isTrayAvailable() is false and the item stays
// invisible until a host appears (Qt picks it up by itself);
// onTrayAvailabilityChanged tells the owner as the host appears or goes away
// (TrayHostWatch: nothing polls), so that it can swap its fallback window for
// the tray or back.
//
// Limits: StatusNotifierItem hosts report no geometry, so geometry() then
// falls back to where the pointer was at the last click on the item, or to the
// pointer itself (right for a click on the item, approximate for a click on a
// notification).
class StatusItem final : public QObject {
  public:
    explicit StatusItem(QObject* parent = nullptr);
    ~StatusItem() override;

    static bool isTrayAvailable();

    bool isDimmed() const { return m_dimmed; }
    void setDimmed(bool dimmed);
    bool isPaused() const { return m_paused; }
    void setPaused(bool paused);
    // Why the clicks are silent ("QUIB: muted during a call"), shown as the
    // tooltip unless the paused one says more; empty: they are not.
    QString mutedToolTip() const { return m_mutedToolTip; }
    void setMutedToolTip(const QString& toolTip);
    // Which input QUIB hears through and what it shares: a second line of
    // every tooltip.
    void setInputDescription(const QString& description);

    // Where the panel should hang from, in global screen coordinates.
    QRect geometry() const;

    // The icon currently shown and the context menu (for tests and for
    // owners that want to add entries).
    QIcon icon() const { return m_tray.icon(); }
    QString toolTip() const { return m_tray.toolTip(); }
    QMenu* contextMenu() const { return m_menu.get(); }

    // A left click on the item, or "Open QUIB" in its menu.
    std::function<void()> onClicked;
    // "Quit QUIB" in its menu; without a handler the application quits.
    std::function<void()> onQuitRequested;

    // The tray host appeared (true) or went away (false).
    std::function<void(bool available)> onTrayAvailabilityChanged;

    // The anchor rule, kept apart so it can be tested without a tray host:
    // the tray's geometry, else the last click, else the pointer; empty when
    // none is known (the panel then takes a corner on the bar's side).
    static QRect anchorRect(const QRect& trayGeometry, const std::optional<QPoint>& lastClick,
                            const std::optional<QPoint>& pointer);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildMenu();
    void refreshIcon();
    void refreshToolTip();
    void handleActivation(QSystemTrayIcon::ActivationReason reason);
    void requestQuit();
    void checkTrayAvailability();

    QSystemTrayIcon m_tray;
    bool m_trayAvailable = false;
    TrayHostWatch m_trayWatch{[this] { checkTrayAvailability(); }};
    std::unique_ptr<QMenu> m_menu;
    QImage m_template;
    bool m_dimmed = false;
    bool m_paused = false;
    QString m_mutedToolTip;
    QString m_inputDescription;
    std::optional<QPoint> m_lastClick;
};

}  // namespace quib
