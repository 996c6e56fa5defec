// GoogleTest main for widget tests: a QApplication on Qt's offscreen platform unless a platform was
// chosen (tests that need a real X server set QT_QPA_PLATFORM=xcb and DISPLAY themselves).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
