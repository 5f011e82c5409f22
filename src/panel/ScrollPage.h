#pragma once

#include <QScrollArea>

class QScrollBar;

namespace quib {

// The inset of a tab's content from the panel's sides.
inline constexpr qreal kMargin = 16;

// A tab's vertical scroll view: no frame, no background, and a thin scroll bar
// laid over the right edge (shown only while the content is taller than the
// view and the pointer is over it), so the document keeps the tab's full
// width and the frames laid out in it hold. The document is the tab's width
// and the larger of the content height and the tab's height; children are
// placed in it with style::place (bottom-left frames).
class ScrollPage final : public QScrollArea {
  public:
    ScrollPage(QWidget* tab, int contentHeight);

    QWidget* document() const { return widget(); }
    int documentHeight() const;
    // Pixels scrolled down from the top.
    int offset() const;
    void setOffset(int offset);
    void scrollToTop() { setOffset(0); }
    QScrollBar* overlayScrollBar() const { return m_overlay; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void updateOverlay();

    QScrollBar* m_overlay;
    bool m_hovered = false;
};

}  // namespace quib
