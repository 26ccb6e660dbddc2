// Where the programs keep their working files, for a program beside its files and an installed one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "image/WorkingFolder.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

namespace fs = std::filesystem;

class WorkingFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        ::unsetenv("ORB_HOME");
        ::setenv("XDG_DATA_HOME", (root.path() / "xdg").c_str(), 1);
        fs::create_directories(root.path() / "usr" / "bin");
    }
    void TearDown() override { ::unsetenv("XDG_DATA_HOME"); }

    testing::TempDir root;
    const std::string bin = (root.path() / "usr" / "bin").string();
};

TEST_F(WorkingFolder, AProgramBesideItsFilesWorksInItsOwnFolder) {
    EXPECT_EQ(workingFolderFor(bin), bin);
    EXPECT_FALSE(fs::exists(root.path() / "xdg"));
}

TEST_F(WorkingFolder, AnInstalledProgramWorksUnderXdgEvenWhenItsFolderIsWritable) {
    fs::create_directories(root.path() / "usr" / "share" / "orb" / "font");
    EXPECT_EQ(installedDataFolder(bin), (root.path() / "usr" / "share" / "orb").string());
    const std::string folder = workingFolderFor(bin);
    EXPECT_EQ(folder, (root.path() / "xdg" / "orb").string());
    EXPECT_TRUE(fs::is_directory(folder));  // made when missing
}

TEST_F(WorkingFolder, AFolderThatCannotBeWrittenFallsBackToXdgThenHome) {
    EXPECT_EQ(workingFolderFor(bin + "/absent"), (root.path() / "xdg" / "orb").string());
    ::unsetenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    const std::string saved = home;
    ::setenv("HOME", root.path().c_str(), 1);
    EXPECT_EQ(workingFolderFor(bin + "/absent"), (root.path() / ".local" / "share" / "orb").string());
    ::setenv("HOME", saved.c_str(), 1);
}

TEST_F(WorkingFolder, OrbHomeWinsOverEverything) {
    fs::create_directories(root.path() / "usr" / "share" / "orb");
    ::setenv("ORB_HOME", "/somewhere/else", 1);
    EXPECT_EQ(workingFolderFor(bin), "/somewhere/else");
    ::unsetenv("ORB_HOME");
}

}  // namespace
}  // namespace orb
