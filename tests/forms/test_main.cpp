// Widget tests run on the offscreen platform: no display is needed.
#include <QApplication>

#include <gtest/gtest.h>

#include "convert/number_text.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    SetArithmeticEnvironment();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Runamika"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
