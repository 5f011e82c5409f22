#pragma once

#include <QApplication>
#include <QtTest/QTest>

#include "support/Wait.h"

namespace quib::test {

// One QApplication for the whole test program (widgets need the full one),
// created on first use and kept until the process ends. The offscreen
// platform keeps it independent of any display.
inline QApplication& application() {
    static int argc = 1;
    static char name[] = "quib-shell-tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

}  // namespace quib::test
