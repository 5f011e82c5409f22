// quib-screenshots: draws QUIB's windows in every theme into PNG files, from a
// store seeded with plausible data, so that they can be looked at beside the
// design without a desktop. Run by `make screenshots` on the offscreen platform.
//
// Usage: quib-screenshots OUTPUT_DIR
#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QWidget>
#include <iostream>

#include "Shots.h"
#include "panel/StyleKit.h"
#include "support/StoreFixture.h"

namespace quib::shots {

QImage grabWindow(QWidget* window) {
    QImage shot(window->size() * window->devicePixelRatioF(), QImage::Format_ARGB32);
    shot.setDevicePixelRatio(window->devicePixelRatioF());
    shot.fill(Qt::transparent);
    QPainter painter(&shot);
    if (!window->mask().isEmpty()) {
        painter.setClipRegion(window->mask());
    }
    painter.drawPixmap(0, 0, window->grab());
    return shot;
}

}  // namespace quib::shots

int main(int argc, char** argv) {
    using namespace quib;
    if (argc != 2) {
        std::cerr << "usage: quib-screenshots OUTPUT_DIR\n";
        return 2;
    }
    QApplication app(argc, argv);
    const QDir output(QString::fromLocal8Bit(argv[1]));
    if (!output.mkpath(QStringLiteral("."))) {
        std::cerr << "quib-screenshots: cannot create " << argv[1] << "\n";
        return 1;
    }
    std::vector<shots::ShotFamily> families;
    shots::addPanelShots(families);
    shots::addWindowShots(families);

    test::TestStore store;
    store.seed([&store](Preferences& p) { shots::seedPlausibleUser(p, store.clock.today()); });
    int written = 0;
    for (AppTheme theme : allAppThemes()) {
        style::setThemeSource([theme] { return theme; });
        shots::ShotContext context{*store.stats, theme};
        const QString themeName = QString::fromUtf8(rawValue(theme).data()).toLower();
        for (const auto& family : families) {
            family.render(context, [&](const QString& name, const QImage& image) {
                const QString file =
                    output.filePath(family.name + QLatin1Char('-') + themeName + QLatin1Char('-') +
                                    name + QStringLiteral(".png"));
                if (!image.save(file, "PNG")) {
                    std::cerr << "quib-screenshots: cannot write " << file.toStdString() << "\n";
                    return;
                }
                ++written;
            });
        }
    }
    style::setThemeSource(nullptr);
    std::cout << written << " screenshots in " << output.absolutePath().toStdString() << "\n";
    return written > 0 ? 0 : 1;
}
