#include "panel/OnboardingWindow.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace quib {

OnboardingWindow::OnboardingWindow(std::string accessGuideUrl)
    : m_accessGuideUrl(std::move(accessGuideUrl)) {}

OnboardingWindow::~OnboardingWindow() = default;

void OnboardingWindow::show() {
    m_window = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
    m_window->setWindowTitle(QStringLiteral("Welcome to QUIB"));
    auto* layout = new QVBoxLayout(m_window.get());
    auto* intro = new QLabel(QStringLiteral(
        "<b>QUIB makes typing audible.</b><br>Every key press and click plays a short click and "
        "earns XP, levels, coins and achievements.<br><br>To hear the keyboard, QUIB needs read "
        "access to your input devices. OPEN SETTINGS explains how to grant it."));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    auto* settings = new QPushButton(QStringLiteral("OPEN SETTINGS"));
    auto* start = new QPushButton(QStringLiteral("START CLACKING"));
    layout->addWidget(settings);
    layout->addWidget(start);
    QObject::connect(settings, &QPushButton::clicked, [this] {
        QDesktopServices::openUrl(QUrl(QString::fromStdString(m_accessGuideUrl)));
    });
    QObject::connect(start, &QPushButton::clicked, [this] {
        m_window->hide();
        if (!m_completed && onComplete) {
            m_completed = true;
            onComplete();
        }
    });
    m_window->resize(420, 220);
    m_window->show();
}

}  // namespace quib
