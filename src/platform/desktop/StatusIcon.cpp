#include "platform/desktop/StatusIcon.h"

#include <QPainter>
#include <QStringList>

#include <algorithm>

#include "platform/Paths.h"

namespace quib {

namespace {

constexpr int kDarkWindowLightness = 128;

void drawKeyboard(QPainter& painter, double unit) {
    painter.setPen(QPen(Qt::black, 2.0 * unit));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(2 * unit, 7 * unit, 28 * unit, 17 * unit), 3 * unit, 3 * unit);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 5; ++column) {
            painter.drawRect(
                QRectF((6 + 4.5 * column) * unit, (11 + 4 * row) * unit, 2.5 * unit, 2.5 * unit));
        }
    }
    painter.drawRect(QRectF(10 * unit, 19.5 * unit, 12 * unit, 2 * unit));
}

// The badge is punched out of the keyboard first so that it stays legible.
void drawEllipsisBadge(QPainter& painter, double unit) {
    const QPointF centre(27 * unit, 27 * unit);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setBrush(Qt::black);
    painter.drawEllipse(centre, 9 * unit, 9 * unit);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawEllipse(centre, 7.5 * unit, 7.5 * unit);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    for (int dot = -1; dot <= 1; ++dot) {
        painter.drawEllipse(centre + QPointF(3.6 * dot * unit, 0), 1.4 * unit, 1.4 * unit);
    }
}

}  // namespace

QImage drawStatusFallbackGlyph(int pixels) {
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double unit = pixels / 36.0;
    drawKeyboard(painter, unit);
    drawEllipsisBadge(painter, unit);
    return image;
}

QImage statusTemplateImage() {
    if (const auto path = findResource("", "menubar-icon@2x", "png")) {
        QImage image(QString::fromStdString(path->string()));
        if (!image.isNull()) {
            return image.convertToFormat(QImage::Format_ARGB32);
        }
    }
    return drawStatusFallbackGlyph(kStatusIconPixels);
}

QImage recolouredMask(const QImage& templateImage, const QColor& colour) {
    QImage result = templateImage.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            const int alpha = qAlpha(line[x]) * colour.alpha() / 255;
            line[x] = qRgba(colour.red(), colour.green(), colour.blue(), alpha);
        }
    }
    return result;
}

QImage fadedImage(const QImage& image, double opacity) {
    const double clamped = std::clamp(opacity, 0.0, 1.0);
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            const int alpha = static_cast<int>(qAlpha(line[x]) * clamped + 0.5);
            line[x] = qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), alpha);
        }
    }
    return result;
}

QColor statusGlyphColour(const QColor& windowColour) {
    const bool darkWindow = windowColour.lightness() < kDarkWindowLightness;
    return darkWindow ? QColor(0xf2, 0xf2, 0xf2) : QColor(0x1a, 0x1a, 0x1a);
}

QColor desktopBarColour(const QString& currentDesktops) {
    const QStringList desktops = currentDesktops.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (desktops.contains(QStringLiteral("GNOME-Classic"), Qt::CaseInsensitive)) {
        return QColor(0xf6, 0xf5, 0xf4);
    }
    for (const char* dark : {"GNOME", "ubuntu", "Unity", "sway", "Hyprland"}) {
        if (desktops.contains(QString::fromLatin1(dark), Qt::CaseInsensitive)) {
            return QColor(0, 0, 0);
        }
    }
    return {};
}

QImage statusIconImage(const QImage& templateImage, const QColor& barColour, int rimRadius,
                       double rimOpacity) {
    const QColor glyph = statusGlyphColour(barColour);
    QColor rim = statusGlyphColour(glyph);
    rim.setAlphaF(static_cast<float>(std::clamp(rimOpacity, 0.0, 1.0)));
    const QImage rimMask =
        recolouredMask(templateImage, QColor(rim.red(), rim.green(), rim.blue()));
    QImage rimLayer(templateImage.size(), QImage::Format_ARGB32_Premultiplied);
    rimLayer.fill(Qt::transparent);
    {
        // The mask spread over a disc: the union of its shifted copies.
        QPainter painter(&rimLayer);
        for (int dy = -rimRadius; dy <= rimRadius; ++dy) {
            for (int dx = -rimRadius; dx <= rimRadius; ++dx) {
                if (dx * dx + dy * dy <= rimRadius * rimRadius) {
                    painter.drawImage(dx, dy, rimMask);
                }
            }
        }
    }
    QImage result = fadedImage(rimLayer, rim.alphaF());
    QPainter painter(&result);
    painter.drawImage(0, 0, recolouredMask(templateImage, glyph));
    painter.end();
    return result.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace quib
