// The three steps of the onboarding window, each built on the card from
// scratch: welcome, access, finish.
#include <QLabel>
#include <QPixmap>

#include "panel/FlatViews.h"
#include "panel/OnboardingWindow.h"
#include "panel/TextBlock.h"
#include "platform/input/PermissionService.h"

namespace quib {

namespace {

using style::monoAttrs;
using style::Weight;

}  // namespace

TextBlock* OnboardingWindow::addText(const QRectF& frame, const QString& text,
                                     const style::TextAttrs& attrs, int maximumLines) {
    auto* block = new TextBlock(m_window->card());
    block->setText(text, attrs, kLineSpacing, maximumLines);
    style::place(block, frame);
    block->show();
    return block;
}

FlatButton* OnboardingWindow::accentButton(const QString& title, qreal y,
                                           std::function<void()> action) {
    auto* button = new FlatButton(m_window->card());
    button->setFill(cardAccent());
    button->setTitle(
        title,
        monoAttrs(12, Weight::bold,
                  legibleOn(cardAccent(), style::brutalAccentContrast(), style::brutalBlack()), 3));
    style::place(button, {100, y, 240, 36});
    QObject::connect(button, &FlatButton::clicked, std::move(action));
    button->show();
    return button;
}

void OnboardingWindow::buildWelcome() {
    qreal top = 370;
    QPixmap logo;
    if (logo.load(QString::fromStdString(m_logo.string()))) {
        auto* view = new QLabel(m_window->card());
        view->setObjectName(QStringLiteral("logo"));
        view->setAlignment(Qt::AlignCenter);
        const qreal ratio = m_window->devicePixelRatioF();
        QPixmap scaled =
            logo.scaled(QSize(64, 64) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(ratio);
        view->setPixmap(scaled);
        style::place(view, {188, 306, 64, 64});
        view->show();
        top = 294;
    }
    addText({0, top - 40, 440, 40}, QStringLiteral("QUIB."),
            monoAttrs(32, Weight::heavy, style::brutalWhite(), 8));
    const qreal y = top - 64;
    addText({0, y - 20, 440, 20}, QStringLiteral("MAKE TYPING FUN."),
            monoAttrs(13, Weight::bold, cardAccent(), 3));
    addText({40, y - 104, 360, 60},
            QStringLiteral("Satisfying click sounds for your\nkeyboard and mouse. Level up as you "
                           "type.\nUnlock new sounds, themes, and more."),
            monoAttrs(11, Weight::medium, style::brutalGrayLight(), 1), 5);
    accentButton(QStringLiteral("GET STARTED"), y - 140, [this] { buildStep(m_currentStep + 1); });
}

void OnboardingWindow::buildPermission() {
    addText({0, 354, 440, 16}, QStringLiteral("// SETUP"),
            monoAttrs(10, Weight::bold, cardCaption(), 4));
    addText({0, 240, 440, 80}, QStringLiteral("ALLOW\nACCESS"),
            monoAttrs(36, Weight::heavy, style::brutalWhite(), 4), 2);
    // What is true of the input path in use: evdev reads the devices, the
    // input helper passes on classes of keys only, X11 RECORD needs nothing
    // granted.
    const QString access =
        m_permission.throughInputHelper()
            ? QStringLiteral(
                  "QUIB hears keys through its helper,\nwhich shares no key code "
                  "or text.")
        : m_permission.needsDeviceAccess()
            ? QStringLiteral(
                  "QUIB needs read access to the input\ndevices to hear "
                  "keystrokes and clicks.")
            : QStringLiteral(
                  "On X11 QUIB needs no permission\nto hear your keystrokes and "
                  "clicks.");
    addText({40, 170, 360, 40}, access, monoAttrs(11, Weight::medium, style::brutalGrayLight(), 1),
            3);
    if (m_permission.isTrusted()) {
        addText({0, 110, 440, 16}, QStringLiteral("// permission granted"),
                monoAttrs(10, Weight::bold, cardAccent(), 2));
        accentButton(QStringLiteral("CONTINUE"), 74, [this] { buildStep(2); });
        return;
    }
    m_settingsButton =
        accentButton(QStringLiteral("OPEN SETTINGS"), 110, [this] { openSettings(); });
    m_settingsButton->setTag(100);
    m_statusText = addText({0, 76, 440, 16}, QStringLiteral("// waiting for permission..."),
                           monoAttrs(10, Weight::medium, cardCaption(), 2));
    m_statusText->setObjectName(QStringLiteral("status"));
    m_permissionTimer.start();
}

void OnboardingWindow::buildFinish() {
    addText({0, 354, 440, 16}, QStringLiteral("// ALMOST DONE"),
            monoAttrs(10, Weight::bold, cardCaption(), 4));
    addText({0, 248, 440, 72}, QStringLiteral("BUILT WITH\nOBSESSION."),
            monoAttrs(32, Weight::heavy, style::brutalWhite(), 4), 2);
    addText({40, 140, 360, 80},
            QStringLiteral("No subscription. No cloud. No account.\nNo telemetry. Just clicks.\n\n"
                           "QUIB is free forever.\nWe built it because we wanted it."),
            monoAttrs(11, Weight::medium, style::brutalGrayLight(), 1), 6);
    accentButton(QStringLiteral("START CLICKING"), 80, [this] { completeTapped(); });
}

}  // namespace quib
