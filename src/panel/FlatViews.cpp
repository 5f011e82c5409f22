#include "panel/FlatViews.h"

#include <QPainter>

namespace quib {

void paintBorder(QPainter& painter, const QRect& rect, const QColor& color, qreal width) {
    if (!color.isValid() || width <= 0) {
        return;
    }
    QPen pen(color, width);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal inset = width / 2;
    painter.drawRect(QRectF(rect).adjusted(inset, inset, -inset, -inset));
}

void styleRow(FlatButton& row, RowLook look, const QString& name, const QString& lockedTitle) {
    const auto attrs = [](const QColor& color) {
        return style::monoAttrs(10, style::Weight::bold, color, 2);
    };
    const QString spaces = QStringLiteral("  ");
    switch (look) {
        case RowLook::chosen:
            row.setFill(style::brutalAccent());
            row.setBorder({}, 0);
            row.setTitle(spaces + name.toUpper(), attrs(style::brutalAccentContrast()));
            break;
        case RowLook::available:
            row.setFill({});
            row.setBorder(style::brutalBlack(), 2);
            row.setTitle(spaces + name.toUpper(), attrs(style::brutalBlack()));
            break;
        case RowLook::locked:
            row.setFill(style::brutalLockedBg());
            row.setBorder(style::brutalLockedBorder(), 2);
            row.setTitle(spaces + lockedTitle, attrs(style::brutalLockedText()));
            row.setEnabled(false);
            break;
    }
}

Box::Box(QWidget* parent, QColor fill, QColor border, qreal borderWidth)
    : QWidget(parent), m_fill(fill), m_border(border), m_borderWidth(borderWidth) {
    setFocusPolicy(Qt::NoFocus);
}

void Box::setFill(const QColor& fill) {
    m_fill = fill;
    update();
}

void Box::setBorder(const QColor& color, qreal width) {
    m_border = color;
    m_borderWidth = width;
    update();
}

void Box::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_fill.isValid()) {
        painter.fillRect(rect(), m_fill);
    }
    paintBorder(painter, rect(), m_border, m_borderWidth);
}

FlatButton::FlatButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

void FlatButton::setFill(const QColor& fill) {
    m_fill = fill;
    update();
}

void FlatButton::setBorder(const QColor& color, qreal width) {
    m_border = color;
    m_borderWidth = width;
    update();
}

void FlatButton::setTitle(const QString& title, const style::TextAttrs& attrs) {
    m_attrs = attrs;
    setFont(attrs.font);
    setText(title);
    update();
}

void FlatButton::setTitleAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    update();
}

void FlatButton::setImage(const QIcon& image, QSize size) {
    m_image = image;
    m_imageSize = size;
    update();
}

void FlatButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_fill.isValid()) {
        painter.fillRect(rect(), m_fill);
    }
    paintBorder(painter, rect(), m_border, m_borderWidth);
    if (!m_image.isNull()) {
        const QSize size = m_imageSize.boundedTo(this->size());
        QRect target(QPoint(0, 0), size);
        target.moveCenter(rect().center());
        m_image.paint(&painter, target);
    }
    if (!text().isEmpty()) {
        painter.setFont(m_attrs.font);
        painter.setPen(m_attrs.color);
        painter.drawText(rect(), static_cast<int>(m_alignment), text());
    }
}

}  // namespace quib
