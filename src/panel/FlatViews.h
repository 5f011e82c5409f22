#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QIcon>
#include <QWidget>

#include "panel/StyleKit.h"

// The two building blocks of the flat look: a box with a solid fill and a
// square border drawn inside its bounds, and a button painted the same way
// with a title or an image. Both are plain widgets placed with absolute
// geometry; neither ever takes the keyboard focus.
namespace quib {

class Box : public QWidget {
  public:
    explicit Box(QWidget* parent, QColor fill = {}, QColor border = {}, qreal borderWidth = 0);

    void setFill(const QColor& fill);
    void setBorder(const QColor& color, qreal width);
    QColor fill() const { return m_fill; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor m_fill;
    QColor m_border;
    qreal m_borderWidth;
};

class FlatButton : public QAbstractButton {
  public:
    explicit FlatButton(QWidget* parent);

    // An invalid colour draws nothing: a clear background or no border.
    void setFill(const QColor& fill);
    void setBorder(const QColor& color, qreal width);
    void setTitle(const QString& title, const style::TextAttrs& attrs);
    void setTitleAlignment(Qt::Alignment alignment);
    // Shown alone, centred, at its own size (scaled down to fit when larger).
    void setImage(const QIcon& image, QSize size);

    QString title() const { return text(); }
    QColor titleColor() const { return m_attrs.color; }
    QColor fill() const { return m_fill; }
    QColor borderColor() const { return m_border; }
    qreal borderWidth() const { return m_borderWidth; }
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor m_fill;
    QColor m_border;
    qreal m_borderWidth = 0;
    style::TextAttrs m_attrs;
    Qt::Alignment m_alignment = Qt::AlignCenter;
    QIcon m_image;
    QSize m_imageSize;
    int m_tag = 0;
};

// The three looks of a list row (profiles, sounds, tracks, themes), all with
// a 10 px bold title kerned 2 after two spaces: chosen fills the accent;
// available is outlined in the text colour; locked is faded, shows
// lockedTitle instead of the name and is disabled. Restyling never enables
// a row again.
enum class RowLook { chosen, available, locked };
void styleRow(FlatButton& row, RowLook look, const QString& name,
              const QString& lockedTitle = QStringLiteral("LOCKED"));

// Paints a border of the given width inside rect.
void paintBorder(QPainter& painter, const QRect& rect, const QColor& color, qreal width);

}  // namespace quib
