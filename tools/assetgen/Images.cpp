#include "Images.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QRectF>
#include <QString>

#include "platform/ApplicationId.h"

namespace assetgen {

namespace {

const QColor kInk(10, 10, 10);
const QColor kPaper(245, 240, 235);
const QColor kAccent(255, 61, 0);

// Sound waves leaving the keycap: concentric arcs around its right edge.
void drawWaves(QPainter& painter, const QPointF& centre, const std::vector<double>& radii,
               double width, const QColor& colour) {
    QPen pen(colour, width, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    for (const double radius : radii) {
        const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
        painter.drawArc(box, -40 * 16, 80 * 16);
    }
}

// All geometry is laid out on a 128-unit square and scaled to the target.
QImage drawLogo(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 128.0, size / 128.0);
    painter.fillRect(QRectF(18, 34, 72, 72), kInk);  // hard offset shadow
    painter.fillRect(QRectF(12, 28, 72, 72), kInk);
    painter.fillRect(QRectF(18, 34, 60, 60), kPaper);
    painter.fillRect(QRectF(28, 42, 40, 32), QColor(225, 218, 210));
    painter.fillRect(QRectF(28, 74, 40, 6), QColor(180, 172, 165));
    drawWaves(painter, QPointF(84, 64), {18, 30, 42}, 7.0, kAccent);
    return image;
}

// A monochrome template: black on transparent, the panel tints it. Strokes are
// at least two pixels wide so the glyph survives being shown at 18 pixels.
QImage drawTemplateGlyph() {
    QImage image(36, 36, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 3.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(3.5, 9.5, 19, 19));
    painter.fillRect(QRectF(9, 15, 8, 6), Qt::black);
    drawWaves(painter, QPointF(23, 19), {6, 11}, 3.0, Qt::black);
    return image;
}

bool save(const QImage& image, const std::string& path) {
    return image.save(QString::fromStdString(path), "PNG");
}

}  // namespace

void addImageJobs(std::vector<Job>& jobs) {
    jobs.push_back({"menubar-icon@2x", "menubar-icon@2x.png", 0.01,
                    [](const std::string& path) { return save(drawTemplateGlyph(), path); }});
    jobs.push_back({"header-logo", "header-logo.png", 0.01,
                    [](const std::string& path) { return save(drawLogo(128), path); }});
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        const std::string file = std::string(quib::kApplicationId) + ".png";
        jobs.push_back({"quib", "icons/hicolor/" + folder + "/apps/" + file, 0.01,
                        [size](const std::string& path) { return save(drawLogo(size), path); }});
    }
}

}  // namespace assetgen
