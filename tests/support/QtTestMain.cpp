// Test entry point of core tests: GoogleTest with a QGuiApplication (fonts
// and pictures, no widgets). Runs offscreen unless a display is requested
// explicitly.
#include "tests/support/TestSelection.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (!korvanta::test::SelectTestsOfSources())
        return 1;
    return RUN_ALL_TESTS();
}
