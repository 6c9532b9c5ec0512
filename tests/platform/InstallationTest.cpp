// An installed program is known by the marker its installation puts into
// the data folder, and then keeps its settings per user; a build tree or a
// portable copy keeps them beside the program, writable folder or not.

#include "platform/Installation.h"
#include "platform/ProfileStore.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {

struct TreeCase {
    const char* name;
    bool dataFolder;   // share/korvanta exists
    bool marker;       // with the marker file in it
    bool installed;
};

class InstalledTree : public ::testing::TestWithParam<TreeCase> {};

} // namespace

TEST_P(InstalledTree, MarkerDecidesAndSettingsFollow)
{
    const TreeCase c = GetParam();
    ScratchDir dir;
    QDir().mkpath(dir.file("usr/bin"));
    if (c.dataFolder)
        QDir().mkpath(dir.file("usr/share/korvanta"));
    if (c.marker)
        dir.write("usr/share/korvanta/installed", "");
    const QString bin = dir.file("usr/bin") + "/";

    const QString data = InstalledDataDirFor(bin, "../share/korvanta");
    EXPECT_EQ(data, c.installed ? dir.file("usr/share/korvanta") + "/" : QString());

    // The program folder is writable here (the tests run as root in CI):
    // only the installation decides.
    const QString settings = SettingsFilePathFor("", bin, "/tmp/xdg", "/home/u", !data.isEmpty());
    EXPECT_EQ(settings, c.installed ? QString("/tmp/xdg/korvanta/krv14f.ini") : bin + "krv14f.ini");
    EXPECT_EQ(SettingsFilePathFor("", bin, "", "/home/u", !data.isEmpty()),
              c.installed ? QString("/home/u/.config/korvanta/krv14f.ini") : bin + "krv14f.ini");
    // KORVANTA_SETTINGS wins in every case.
    EXPECT_EQ(SettingsFilePathFor("/x/y.ini", bin, "/tmp/xdg", "/home/u", !data.isEmpty()), "/x/y.ini");
}

INSTANTIATE_TEST_SUITE_P(Trees, InstalledTree,
                         ::testing::Values(TreeCase{"BuildTree", false, false, false},
                                           TreeCase{"DataFolderWithoutMarker", true, false, false},
                                           TreeCase{"Installed", true, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InstalledTree, TheTestProgramItselfIsNotInstalled)
{
    EXPECT_FALSE(ProgramIsInstalled());
    EXPECT_TRUE(InstalledDataDirFor("", "../share/korvanta").isEmpty());
}
