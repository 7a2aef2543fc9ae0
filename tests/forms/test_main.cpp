// The main of the window-system tests: the offscreen platform, so no display is needed.
#include <QApplication>

#include <gtest/gtest.h>

#include "convert/number_text.h"
#include "forms/hints.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    SetArithmeticEnvironment();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Runamika"));
    UseHintTimings(); // as the program's application object does
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
