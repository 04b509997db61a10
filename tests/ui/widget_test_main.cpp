#include "support/TestSupport.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kassol"));
    testing::InitGoogleTest(&argc, argv);
    pinTestLocale();
    return RUN_ALL_TESTS();
}
