// Test entry point of engine tests: GoogleTest with only a QCoreApplication,
// so that a test proves its engine needs an event loop and nothing more (no
// fonts, no display, no widget).
#include "tests/support/TestSelection.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (!korvanta::test::SelectTestsOfSources())
        return 1;
    return RUN_ALL_TESTS();
}
