#include "panel/Glyphs.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <cmath>

namespace quib::style {

namespace {

QString resourcePath(Glyph glyph) {
    switch (glyph) {
        case Glyph::speakerOn:
            return QStringLiteral(":/glyphs/speaker-on.svg");
        case Glyph::speakerMuted:
            return QStringLiteral(":/glyphs/speaker-muted.svg");
        case Glyph::support:
            return QStringLiteral(":/glyphs/support.svg");
    }
    return {};
}

qreal pixelRatio() {
    const auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    return app ? app->devicePixelRatio() : 1.0;
}

}  // namespace

QIcon glyph(Glyph glyph, const QColor& tint, QSize size) {
    QSvgRenderer renderer(resourcePath(glyph));
    if (!renderer.isValid() || size.isEmpty()) {
        return {};
    }
    const qreal ratio = pixelRatio();
    QImage image(static_cast<int>(std::ceil(size.width() * ratio)),
                 static_cast<int>(std::ceil(size.height() * ratio)),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    // Only the glyph's coverage is kept; every covered pixel takes the tint.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), tint);
    painter.end();
    image.setDevicePixelRatio(ratio);
    return QIcon(QPixmap::fromImage(image));
}

}  // namespace quib::style
