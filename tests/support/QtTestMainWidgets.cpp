// Test entry point of window tests: GoogleTest with a QApplication, so that
// they can use Qt Test's event simulation. Runs offscreen unless a display is
// requested explicitly.
#include "tests/support/TestSelection.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (!korvanta::test::SelectTestsOfSources())
        return 1;
    return RUN_ALL_TESTS();
}
