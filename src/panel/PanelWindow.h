#pragma once

#include <QUrl>
#include <QWidget>
#include <functional>
#include <vector>

class QLabel;

namespace quib {

class Box;
class FlatButton;

// The page the footer's support buttons open, from the build configuration
// (-DQUIB_SUPPORT_URL=...); empty when none was given or it is not a web address.
QUrl supportPageUrl();
// "v" and the project's version.
QString panelVersionText();

// The panel's window: a frameless, always-on-top tool window of 345 × 525
// that never takes the keyboard focus from the application the user is typing
// in. It holds the hard shadow and the bordered body: header (logo, title,
// ON/OFF, QUIT), the tab bar, the content area the tabs go into, and the
// footer (version, support link). It draws and tracks the pointer; what the
// buttons do is its owner's business.
class PanelWindow final : public QWidget {
  public:
    static constexpr int kPanelWidth = 340;
    static constexpr int kPanelHeight = 520;
    static constexpr int kShadowOff = 5;
    static constexpr int kHeaderHeight = 52;
    static constexpr int kTabBarHeight = 42;
    static constexpr int kFooterHeight = 28;
    static constexpr int kContentHeight =
        kPanelHeight - kHeaderHeight - kTabBarHeight - kFooterHeight;
    static constexpr int kTabCount = 4;

    explicit PanelWindow(int currentTab);

    // Whether the pointer is over the window, from its own enter and leave
    // events (a press the input feed reports while it is, is a press inside).
    bool isPointerInside() const { return m_pointerInside; }

    // Normally the window never takes the focus. Without an input feed it
    // does, so that losing it (a click elsewhere) can close it: onDeactivated.
    void setTakesFocus(bool takesFocus);
    bool takesFocus() const { return m_takesFocus; }
    std::function<void()> onDeactivated;

    Box* mainContainer() const { return m_mainContainer; }
    Box* headerView() const { return m_headerView; }
    Box* tabBar() const { return m_tabBar; }
    Box* contentArea() const { return m_contentArea; }
    Box* footer() const { return m_footer; }
    FlatButton* enabledToggle() const { return m_enabledToggle; }
    FlatButton* quitButton() const { return m_quitButton; }
    FlatButton* versionButton() const { return m_versionButton; }
    FlatButton* supportIcon() const { return m_supportIcon; }
    FlatButton* supportLabel() const { return m_supportLabel; }
    const std::vector<FlatButton*>& tabButtons() const { return m_tabButtons; }
    QLabel* titleLabel() const { return m_titleLabel; }
    bool hasLogo() const { return m_hasLogo; }

    void showEnabledState(bool enabled);
    // Selected: accent fill and contrast text; highlighted: accent outline and
    // text; else outlined in the text colour.
    static void styleTabButton(FlatButton* button, const QString& title, bool selected,
                               bool highlight);
    static QString tabTitle(int index);

  protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void bypassWindowManager(bool bypass);
    // PanelChrome.cpp
    void buildHeader();
    void buildTabBar(int currentTab);
    void buildFooter();
    FlatButton* headerButton(const QString& title, int x, int width);

    Box* m_mainContainer = nullptr;
    Box* m_headerView = nullptr;
    Box* m_tabBar = nullptr;
    Box* m_contentArea = nullptr;
    Box* m_footer = nullptr;
    FlatButton* m_enabledToggle = nullptr;
    FlatButton* m_quitButton = nullptr;
    FlatButton* m_versionButton = nullptr;
    FlatButton* m_supportIcon = nullptr;
    FlatButton* m_supportLabel = nullptr;
    QLabel* m_titleLabel = nullptr;
    std::vector<FlatButton*> m_tabButtons;
    bool m_hasLogo = false;
    bool m_pointerInside = false;
    bool m_takesFocus = false;
};

}  // namespace quib
