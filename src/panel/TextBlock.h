#pragma once

#include <QWidget>

#include "panel/StyleKit.h"

namespace quib {

// A centred text of one or more lines ("\n" breaks a line), drawn from the top
// of its frame with extra space between the lines, as the onboarding window
// sets its texts. A line wider than the frame wraps at a word boundary; lines
// past the maximum are not drawn. Transparent, and it takes no mouse press, so
// the window behind it can be dragged.
class TextBlock final : public QWidget {
  public:
    explicit TextBlock(QWidget* parent);

    // maximumLines 0: no limit.
    void setText(const QString& text, const style::TextAttrs& attrs, qreal lineSpacing,
                 int maximumLines = 0);

    QString text() const { return m_text; }
    const style::TextAttrs& attrs() const { return m_attrs; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString m_text;
    style::TextAttrs m_attrs;
    qreal m_lineSpacing = 0;
    int m_maximumLines = 0;
};

}  // namespace quib
