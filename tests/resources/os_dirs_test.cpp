// Where the data set is found and where the game writes; long paths; 8-bit Cyrillic names.
#include "platform/os/dirs.h"
#include "platform/os/files.h"

#include "scratch.h"

#include <cstdlib>
#include <cstring>

namespace {

class OsDirsTest : public testing::Test {
protected:
    void SetUp() override
    {
        dir = scratchDir();
        resetFiles();
        resetOsDirs();
        ASSERT_TRUE(osSetCurrentDirectory(dir.c_str()));
    }
    void TearDown() override
    {
        resetOsDirs();
        unsetenv("XDG_DATA_HOME");
        unsetenv("XDG_PICTURES_DIR");
        if (savedHome) setenv("HOME", savedHomeValue.c_str(), 1);
    }
    void setHome(const std::string& home)
    {
        if (!savedHome) {
            const char* h = std::getenv("HOME");
            savedHome = true;
            savedHomeValue = h ? h : "/";
        }
        setenv("HOME", home.c_str(), 1);
    }
    std::string dir;
    bool savedHome = false;
    std::string savedHomeValue;
};

// The Windows-1251 bytes of "Уровень" (level) and of "ёлка" (a fir tree, with the letter outside
// the main block).
const char LEVEL_1251[] = "\xD3\xF0\xEE\xE2\xE5\xED\xFC";
const char LEVEL_UTF8[] = "\xD0\xA3\xD1\x80\xD0\xBE\xD0\xB2\xD0\xB5\xD0\xBD\xD1\x8C";
const char FIR_1251[] = "\xB8\xEB\xEA\xE0";
const char FIR_UTF8[] = "\xD1\x91\xD0\xBB\xD0\xBA\xD0\xB0";

}  // namespace

TEST_F(OsDirsTest, PortableCopiesKeepSettingsInsideTheirData)
{
    std::filesystem::create_directories(dir + "/start/Data");
    std::filesystem::create_directories(dir + "/game/Data");
    std::filesystem::create_directories(dir + "/elsewhere");
    char out[PATH_MAX];
    bool portable = false;
    // Data in the start folder wins over Data beside the program.
    ASSERT_TRUE(osLocateData((dir + "/start").c_str(), (dir + "/game").c_str(), out, sizeof out, &portable));
    EXPECT_EQ(std::string(out), dir + "/start/Data");
    EXPECT_TRUE(portable);
    // Started from another folder: the program's own Data.
    ASSERT_TRUE(osLocateData((dir + "/elsewhere").c_str(), (dir + "/game").c_str(), out, sizeof out, &portable));
    EXPECT_EQ(std::string(out), dir + "/game/Data");
    EXPECT_TRUE(portable);
    // The settings folder is made inside that Data, whatever the environment says.
    setenv("XDG_DATA_HOME", (dir + "/xdg").c_str(), 1);
    char settings[PATH_MAX];
    ASSERT_TRUE(osSettingsDir(settings, sizeof settings));
    EXPECT_EQ(std::string(settings), dir + "/game/Data/settings");
    EXPECT_TRUE(std::filesystem::is_directory(dir + "/game/Data/settings"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/xdg"));
}

TEST_F(OsDirsTest, AnInstalledGameReadsShareAndWritesUnderTheUsersDataHome)
{
    // prefix/bin/ostrimar with prefix/share/ostrimar, started from a folder without Data.
    std::filesystem::create_directories(dir + "/prefix/bin");
    std::filesystem::create_directories(dir + "/prefix/share/ostrimar");
    std::filesystem::create_directories(dir + "/home");
    char out[PATH_MAX];
    bool portable = true;
    ASSERT_TRUE(osLocateData((dir + "/home").c_str(), (dir + "/prefix/bin").c_str(), out, sizeof out, &portable));
    EXPECT_EQ(std::string(out), dir + "/prefix/share/ostrimar");
    EXPECT_FALSE(portable);
    // $XDG_DATA_HOME when set; created with its parents.
    setenv("XDG_DATA_HOME", (dir + "/home/xdg/data").c_str(), 1);
    char settings[PATH_MAX];
    ASSERT_TRUE(osSettingsDir(settings, sizeof settings));
    EXPECT_EQ(std::string(settings), dir + "/home/xdg/data/ostrimar/settings");
    EXPECT_TRUE(std::filesystem::is_directory(settings));
    EXPECT_FALSE(std::filesystem::exists(dir + "/prefix/share/ostrimar/settings"));
    // Unset (or relative, which does not count): ~/.local/share.
    unsetenv("XDG_DATA_HOME");
    setHome(dir + "/home");
    ASSERT_TRUE(osSettingsDir(settings, sizeof settings));
    EXPECT_EQ(std::string(settings), dir + "/home/.local/share/ostrimar/settings");
    EXPECT_TRUE(std::filesystem::is_directory(settings));
    EXPECT_TRUE(osSettingsDirFor("/x", false, "relative/path", "/home/u", settings, sizeof settings));
    EXPECT_STREQ(settings, "/home/u/.local/share/ostrimar/settings");
    // Nowhere to write: no home and no data home.
    EXPECT_FALSE(osSettingsDirFor("/x", false, nullptr, nullptr, settings, sizeof settings));
    EXPECT_FALSE(osSettingsDirFor("/x", false, "/a", nullptr, settings, 10));
}

TEST_F(OsDirsTest, ThePicturesFolderComesFromTheUserDirsFile)
{
    char out[PATH_MAX];
    auto read = [&](const std::string& text, const char* home) {
        return osPicturesDirFromUserDirs(text.data(), static_cast<int>(text.size()), home, out, sizeof out);
    };
    // As xdg-user-dirs writes it, comments and other folders around the line.
    EXPECT_TRUE(read("# This file is written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                     "XDG_PICTURES_DIR=\"$HOME/Bilder\"\nXDG_VIDEOS_DIR=\"$HOME/Videos\"\n",
                     "/home/u"));
    EXPECT_STREQ(out, "/home/u/Bilder");
    EXPECT_TRUE(read("XDG_PICTURES_DIR = \"/srv/photos/\"", nullptr));  // absolute, no newline at the end
    EXPECT_STREQ(out, "/srv/photos");
    EXPECT_TRUE(read("XDG_PICTURES_DIR=\"$HOME/My \\\"Pics\\\"\"\n", "/h"));
    EXPECT_STREQ(out, "/h/My \"Pics\"");
    // Nothing usable: relative, unterminated, no home for $HOME, a commented line, a longer key,
    // $HOMEx (another variable), a result longer than the buffer.
    EXPECT_FALSE(read("XDG_PICTURES_DIR=\"Pictures\"\n", "/h"));
    EXPECT_FALSE(read("XDG_PICTURES_DIR=\"$HOME/Pictures\n", "/h"));
    EXPECT_FALSE(read("XDG_PICTURES_DIR=\"$HOME/Pictures\"\n", nullptr));
    EXPECT_FALSE(read("#XDG_PICTURES_DIR=\"/p\"\n", "/h"));
    EXPECT_FALSE(read("XDG_PICTURES_DIRS=\"/p\"\n", "/h"));
    EXPECT_FALSE(read("XDG_PICTURES_DIR=\"$HOMEx/p\"\n", "/h"));
    EXPECT_FALSE(read("XDG_PICTURES_DIR=/p\n", "/h"));
    std::string longLine = "XDG_PICTURES_DIR=\"/" + std::string(PATH_MAX + 10, 'a') + "\"\n";
    EXPECT_FALSE(read(longLine, "/h"));
    EXPECT_FALSE(osPicturesDirFromUserDirs(nullptr, 0, "/h", out, sizeof out));
}

TEST_F(OsDirsTest, ScreenshotsGoBesideAPortableDataSetOrIntoTheUsersPictures)
{
    char out[PATH_MAX];
    // Portable: the folder that holds the data folder, whatever the environment says.
    EXPECT_TRUE(osScreenshotDirFor("/games/ostrimar/Data", true, "/pics", "/home/u", out, sizeof out));
    EXPECT_STREQ(out, "/games/ostrimar");
    EXPECT_TRUE(osScreenshotDirFor("/games/ostrimar/Data/", true, nullptr, nullptr, out, sizeof out));
    EXPECT_STREQ(out, "/games/ostrimar");
    EXPECT_TRUE(osScreenshotDirFor("/Data", true, nullptr, nullptr, out, sizeof out));
    EXPECT_STREQ(out, "/");
    EXPECT_FALSE(osScreenshotDirFor("", true, nullptr, nullptr, out, sizeof out));
    EXPECT_FALSE(osScreenshotDirFor("/games/ostrimar/Data", true, nullptr, nullptr, out, 8));
    // Installed: $XDG_PICTURES_DIR/Ostrimar when absolute, else ~/Pictures/Ostrimar.
    EXPECT_TRUE(osScreenshotDirFor("/usr/share/ostrimar", false, "/home/u/Bilder", "/home/u", out, sizeof out));
    EXPECT_STREQ(out, "/home/u/Bilder/Ostrimar");
    EXPECT_TRUE(osScreenshotDirFor("/usr/share/ostrimar", false, "Bilder", "/home/u", out, sizeof out));
    EXPECT_STREQ(out, "/home/u/Pictures/Ostrimar");
    EXPECT_FALSE(osScreenshotDirFor("/usr/share/ostrimar", false, nullptr, nullptr, out, sizeof out));
    EXPECT_FALSE(osScreenshotDirFor("/usr/share/ostrimar", false, "/a", nullptr, out, 10));

    // Created with its parents for the data set that was found.
    std::filesystem::create_directories(dir + "/prefix/bin");
    std::filesystem::create_directories(dir + "/prefix/share/ostrimar");
    char data[PATH_MAX];
    bool portable = true;
    EXPECT_FALSE(osScreenshotDir(out, sizeof out));  // nothing located yet
    ASSERT_TRUE(osLocateData(dir.c_str(), (dir + "/prefix/bin").c_str(), data, sizeof data, &portable));
    setHome(dir + "/home");
    ASSERT_TRUE(osScreenshotDir(out, sizeof out));
    EXPECT_EQ(std::string(out), dir + "/home/Pictures/Ostrimar");
    EXPECT_TRUE(std::filesystem::is_directory(out));
    setenv("XDG_PICTURES_DIR", (dir + "/pics").c_str(), 1);
    ASSERT_TRUE(osScreenshotDir(out, sizeof out));
    EXPECT_EQ(std::string(out), dir + "/pics/Ostrimar");
    EXPECT_TRUE(std::filesystem::is_directory(out));
}

TEST_F(OsDirsTest, NoDataAnywhereFallsBackToTheStartFolder)
{
    char out[PATH_MAX];
    bool portable = false;
    ASSERT_TRUE(osLocateData(dir.c_str(), (dir + "/nobin").c_str(), out, sizeof out, &portable));
    EXPECT_EQ(std::string(out), dir + "/Data");
    EXPECT_TRUE(portable);
    char small[8];
    EXPECT_FALSE(osLocateData(dir.c_str(), nullptr, small, sizeof small, &portable));
}

TEST_F(OsDirsTest, PathsLongerThanTwoHundredFiftyFiveCharactersStayWhole)
{
    // A start folder of about 600 characters holding the data set.
    std::string deep = dir;
    // Deep enough whatever the length of the temporary folder it starts from.
    for (int i = 0; deep.size() <= 600; ++i) deep += "/a-rather-long-folder-name-for-the-test-" + std::to_string(i);
    ASSERT_GT(deep.size(), 600u);
    writeString(deep + "/Data/settings.txt", "x");
    char out[PATH_MAX];
    bool portable = false;
    ASSERT_TRUE(osLocateData(deep.c_str(), nullptr, out, sizeof out, &portable));
    EXPECT_EQ(std::string(out), deep + "/Data");
    ASSERT_TRUE(osSetCurrentDirectory(out));
    EXPECT_EQ(std::string(osGetCurrentDirectory()), deep + "/Data");
    int32_t size = 0;
    uint8_t* bytes = osReadFile("settings.txt", &size);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(size, 1);
    std::free(bytes);
    char settings[PATH_MAX];
    ASSERT_TRUE(osSettingsDir(settings, sizeof settings));
    EXPECT_EQ(std::string(settings), deep + "/Data/settings");
}

TEST_F(OsDirsTest, CyrillicEightBitNamesReachTheUtf8FileSystem)
{
    // A file named in UTF-8 on disk opens by its Windows-1251 name.
    writeString(dir + "/" + LEVEL_UTF8 + ".txt", "abc");
    int32_t size = 0;
    uint8_t* bytes = osReadFile((std::string(LEVEL_1251) + ".txt").c_str(), &size);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(size, 3);
    std::free(bytes);
    // Writing by an 8-bit name makes a UTF-8 name, never the raw bytes.
    ASSERT_TRUE(osWriteFile((std::string(FIR_1251) + ".dat").c_str(), "z", 1));
    EXPECT_TRUE(std::filesystem::exists(dir + "/" + FIR_UTF8 + ".dat"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/" + FIR_1251 + ".dat"));
    // A folder by its 8-bit name.
    std::filesystem::create_directories(dir + "/" + LEVEL_UTF8);
    EXPECT_TRUE(osFolderExists(LEVEL_1251));
    // Listings give the 8-bit names back; a name with characters outside the code page (here a
    // Greek letter) stays as the file system has it.
    writeString(dir + "/\xCE\xB1.txt", "g");
    OsFileName names[8];
    int n = osListFolder(nullptr, "*.*", names, 8);
    ASSERT_EQ(n, 3);
    std::vector<std::string> got;
    for (int i = 0; i < n; ++i) got.push_back(names[i].name);
    EXPECT_NE(std::find(got.begin(), got.end(), std::string(LEVEL_1251) + ".txt"), got.end());
    EXPECT_NE(std::find(got.begin(), got.end(), std::string(FIR_1251) + ".dat"), got.end());
    EXPECT_NE(std::find(got.begin(), got.end(), std::string("\xCE\xB1.txt")), got.end());
}
