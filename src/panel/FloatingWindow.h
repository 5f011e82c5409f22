#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>

namespace quib {

class Box;

// The floating borderless window of the reward reveal and the onboarding: one
// flat card (filled with brutalBlack, 2 px brutalGrayMid border, an accent bar
// along its top edge) over a hard shadow of the same size, offset 5 px to the
// bottom right. The window itself is transparent around them.
//
// It stays above normal windows and never takes the keyboard focus from the
// application the user is typing in: it is shown without activation and
// refuses the focus until the user presses a mouse button on it. From then on
// it takes the focus, so Return reaches onReturn. Dragging its background moves
// it. It opens centred on the screen that holds the pointer.
class FloatingWindow final : public QWidget {
  public:
    static constexpr int kShadowOffset = 5;

    explicit FloatingWindow(QSize cardSize);

    // The card; its first child is the accent bar, which callers keep.
    Box* card() const { return m_card; }
    Box* accentBar() const { return m_accentBar; }

    // Centres the window on the pointer's screen and shows it without activating it.
    void showCentred();
    // Whether the window manager may give it the focus (after the first click).
    bool acceptsFocus() const;

    // The window manager's close (its close button, Alt+F4, a session ending):
    // the owner ends what the window shows. The window hides either way.
    std::function<void()> onCloseRequested;
    // Return or Enter while the window has the focus.
    std::function<void()> onReturn;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void takeFocusOnClick();

    Box* m_card = nullptr;
    Box* m_accentBar = nullptr;
    bool m_dragging = false;
    QPoint m_dragOffset;
};

// The WCAG contrast ratio of two colours, from 1 (the same) to 21.
double contrastRatio(const QColor& a, const QColor& b);
// `preferred` where it can be read on `surface` (a contrast of at least 1.5),
// else `fallback`.
QColor legibleOn(const QColor& surface, const QColor& preferred, const QColor& fallback);
// The accent as the cards draw it: the theme's accent, or where that cannot be
// told from the card's fill, the theme's background colour. (The card is
// filled with the theme's text colour, and Terminal's accent is its text
// colour: its winner's name and APPLY button would vanish.)
QColor cardAccent();
// The small grey captions of the cards ("KEYBOARD", "[ OPENING ]", "// SETUP"):
// the theme's mid grey where it reads on the card (a contrast of at least 3),
// else its light grey. On the dark cards of Classic, Ice and Solar the mid
// grey all but disappears.
QColor cardCaption();

// The top-left corner of a window of `size` centred on the screen that holds
// the pointer: the primary screen when none does, a 1440 x 900 screen when
// there is no screen at all.
QPoint centredOnPointerScreen(QSize size);

}  // namespace quib
