// GoogleTest main for widget tests: a QApplication on Qt's offscreen platform unless a platform was
// chosen (tests that need a real X server set QT_QPA_PLATFORM=xcb and DISPLAY themselves). The user's
// configuration is never touched: XDG_CONFIG_HOME points into a folder of the test's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "platform/forms/Services.h"

#include "fakes/ProgramEnds.h"

namespace tn_test {
int programEnds = 0;
}  // namespace tn_test

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    if (!config.isValid()) return 1;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // The program's end would end the test run: here it only counts (tests read ProgramEnds()).
    forms::SetEndProgramHook([] { ++tn_test::programEnds; });
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
