#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>

// Runs the GoogleTest programs inside a QApplication, since some helpers process events or
// build widgets. The platform is offscreen unless the caller chose another.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
