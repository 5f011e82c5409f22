#include "panel/TextBlock.h"

#include <QPainter>
#include <QTextLayout>

namespace quib {

TextBlock::TextBlock(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
}

void TextBlock::setText(const QString& text, const style::TextAttrs& attrs, qreal lineSpacing,
                        int maximumLines) {
    m_text = text;
    m_attrs = attrs;
    m_lineSpacing = lineSpacing;
    m_maximumLines = maximumLines;
    update();
}

void TextBlock::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(m_attrs.color);
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WordWrap);
    qreal y = 0;
    int lines = 0;
    for (const QString& paragraph : m_text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, m_attrs.font, this);
        layout.setTextOption(option);
        layout.beginLayout();
        // An empty paragraph still gets its one (empty) line: a blank line.
        while (m_maximumLines == 0 || lines < m_maximumLines) {
            QTextLine line = layout.createLine();
            if (!line.isValid()) {
                break;
            }
            line.setLineWidth(width());
            line.setPosition(QPointF(0, y));
            y += line.height() + m_lineSpacing;
            ++lines;
        }
        layout.endLayout();
        layout.draw(&painter, QPointF(0, 0));
    }
}

}  // namespace quib
