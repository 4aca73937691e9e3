// Where the show finds its data: the working folder's data/, the program's
// folder, the installed share/ beside the program's bin/, in that order, in a
// temporary tree laid out as an unpacked package.
#include "sequencer/datafolder.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/exedir.h"

class DataTree : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/gf_datafolder_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        ASSERT_NE(getcwd(home, sizeof home), nullptr);
        for (const char *dir :
             {"/work", "/usr", "/usr/bin", "/usr/share", "/usr/share/glimmerfall"})
            ASSERT_EQ(mkdir((root + dir).c_str(), 0755), 0);
        ASSERT_EQ(chdir((root + "/work").c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(home), 0);
        ASSERT_EQ(system(("rm -rf " + root).c_str()), 0);
    }
    // Makes folder (relative to the root) hold data, with the music or without.
    void Data(const std::string &folder, bool music) {
        mkdir((root + folder).c_str(), 0755);
        FILE *f = fopen((root + folder + (music ? "/final.mp3" : "/load.jpg")).c_str(), "w");
        ASSERT_NE(f, nullptr);
        fclose(f);
    }
    std::string root;
    char home[4096];
};

TEST_F(DataTree, TheFirstPlaceHoldingTheMusicWinsAndAFolderWithoutItIsPassedOver) {
    const std::string bin = root + "/usr/bin";
    const std::string share = root + "/usr/share/glimmerfall/data";
    DataSearch s = SearchDataFolders(bin.c_str());
    ASSERT_EQ(s.placeCount, 3);
    EXPECT_STREQ(s.places[0], "data");
    EXPECT_EQ(s.places[1], bin + "/data");
    EXPECT_EQ(s.places[2], share); // The parent by name, not ".../bin/../share"
    EXPECT_EQ(s.found, -1);

    Data("/usr/share/glimmerfall/data", true);
    EXPECT_EQ(SearchDataFolders(bin.c_str()).found, 2);
    Data("/usr/bin/data", false); // Pictures but no music: not the show's data
    EXPECT_EQ(SearchDataFolders(bin.c_str()).found, 2);
    Data("/usr/bin/data", true);
    EXPECT_EQ(SearchDataFolders(bin.c_str()).found, 1);
    Data("/work/data", true);
    EXPECT_EQ(SearchDataFolders(bin.c_str()).found, 0);
}

TEST_F(DataTree, NothingFoundNamesEveryPlaceTriedInOneLine) {
    const std::string bin = root + "/usr/bin";
    DataSearch s = SearchDataFolders(bin.c_str());
    char text[DATA_PLACES * DATA_FOLDER_SIZE + 64];
    DescribeDataSearch(&s, text, sizeof text);
    EXPECT_EQ(std::string(text), "Cannot find the show's data (final.mp3) in data, " + bin +
                                     "/data or " + root + "/usr/share/glimmerfall/data");

    // Without the program's folder only the working folder is tried.
    s = SearchDataFolders(nullptr);
    ASSERT_EQ(s.placeCount, 1);
    DescribeDataSearch(&s, text, sizeof text);
    EXPECT_STREQ(text, "Cannot find the show's data (final.mp3) in data");
    // A short buffer is cut, never overrun.
    char small[20];
    memset(small, 'x', sizeof small);
    s = SearchDataFolders(bin.c_str());
    DescribeDataSearch(&s, small, 12);
    EXPECT_EQ(strlen(small), 11u);
    EXPECT_EQ(small[12], 'x');
}

TEST(DataPlaces, TheRootAndARelativeFolderHaveTheirOwnParents) {
    DataSearch s = SearchDataFolders("/");
    ASSERT_EQ(s.placeCount, 3);
    EXPECT_STREQ(s.places[1], "/data");
    EXPECT_STREQ(s.places[2], "/share/glimmerfall/data");
    s = SearchDataFolders("bin");
    EXPECT_STREQ(s.places[2], "./share/glimmerfall/data");
    // A folder too long for a place is left out rather than cut to another name.
    std::string deep(DATA_FOLDER_SIZE - 3, 'd');
    s = SearchDataFolders(("/" + deep).c_str());
    EXPECT_EQ(s.placeCount, 2);
    EXPECT_STREQ(s.places[1], "/share/glimmerfall/data");
}

TEST(ExeDir, IsTheFolderOfTheRunningProgram) {
    char dir[PATH_MAX], want[PATH_MAX];
    ASSERT_EQ(GetExeDir(dir, sizeof dir), 1);
    ASSERT_NE(realpath(GF_BINARY_DIR, want), nullptr);
    EXPECT_STREQ(dir, want);
    // A buffer too small for the name gives nothing rather than a cut name.
    char tiny[4] = "abc";
    EXPECT_EQ(GetExeDir(tiny, sizeof tiny), 0);
    EXPECT_STREQ(tiny, "");
}

TEST_F(DataTree, FoundDataIsWhereEveryLoaderReads) {
    const std::string bin = root + "/usr/bin";
    Data("/usr/share/glimmerfall/data", true);
    DataSearch s = SearchDataFolders(bin.c_str());
    ASSERT_EQ(s.found, 2);
    ASSERT_EQ(SetDataFolder(s.places[s.found]), 1);
    FILE *f = fopen((root + "/usr/share/glimmerfall/data/lys.txt").c_str(), "w");
    fputs("light", f);
    fclose(f);
    FileBlob *blob = LoadFileBlob("lys.txt");
    EXPECT_NE(blob, nullptr);
    FreeFileBlob(blob);
    char path[DATA_PATH_SIZE];
    ASSERT_EQ(DataFilePath(path, sizeof path, "final.mp3"), 1);
    EXPECT_EQ(std::string(path), root + "/usr/share/glimmerfall/data/final.mp3");
    // Refused folders leave the current one.
    EXPECT_EQ(SetDataFolder(""), 0);
    EXPECT_EQ(SetDataFolder(std::string(DATA_FOLDER_SIZE, 'f').c_str()), 0);
    EXPECT_EQ(std::string(GetDataFolder()), s.places[2]);
    ASSERT_EQ(SetDataFolder("data"), 1); // As every other test expects
}
