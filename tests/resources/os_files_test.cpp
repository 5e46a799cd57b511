// The OS layer's file services: tracked current directory, path resolution, listing.
#include "platform/os/files.h"

#include "scratch.h"

#include <cstdlib>
#include <cstring>

namespace {

class OsFilesTest : public testing::Test {
protected:
    void SetUp() override
    {
        dir = scratchDir();
        resetFiles();
        ASSERT_TRUE(osSetCurrentDirectory(dir.c_str()));
    }
    std::string dir;
};

TEST_F(OsFilesTest, EntersFoldersRelativelyAndRefusesMissingOnes)
{
    std::filesystem::create_directories(dir + "/Data/txt/2");
    EXPECT_STREQ(osGetCurrentDirectory(), dir.c_str());

    EXPECT_TRUE(osSetCurrentDirectory("Data"));
    EXPECT_EQ(std::string(osGetCurrentDirectory()), dir + "/Data");
    // Backslashes, a doubled separator and a trailing separator, as the loaders build them.
    EXPECT_TRUE(osSetCurrentDirectory((std::string(osGetCurrentDirectory()) + "\\\\txt\\2\\").c_str()));
    EXPECT_EQ(std::string(osGetCurrentDirectory()), dir + "/Data/txt/2");

    EXPECT_FALSE(osSetCurrentDirectory("nothere"));
    EXPECT_EQ(std::string(osGetCurrentDirectory()), dir + "/Data/txt/2");
    EXPECT_TRUE(osSetCurrentDirectory("..\\.."));
    EXPECT_EQ(std::string(osGetCurrentDirectory()), dir + "/Data");

    // A file is not a folder to enter.
    writeString(dir + "/Data/plain.txt", "x");
    EXPECT_FALSE(osSetCurrentDirectory("plain.txt"));
    EXPECT_EQ(std::string(osGetCurrentDirectory()), dir + "/Data");
}

TEST_F(OsFilesTest, ResolvesEachComponentIgnoringCase)
{
    writeString(dir + "/Data/Sounds/ButtonClick.ogg", "ogg");
    char out[OS_PATH_MAX];
    EXPECT_TRUE(osResolvePath("data\\SOUNDS\\buttonclick.OGG", out, sizeof out));
    EXPECT_EQ(std::string(out), dir + "/Data/Sounds/ButtonClick.ogg");

    // A missing last component is kept as given, below the resolved folders.
    EXPECT_FALSE(osResolvePath("DATA/sounds/New.ogg", out, sizeof out));
    EXPECT_EQ(std::string(out), dir + "/Data/Sounds/New.ogg");

    // Too small an output buffer gives an empty result, not a cut path.
    char small[8];
    EXPECT_FALSE(osResolvePath("data", small, sizeof small));
    EXPECT_STREQ(small, "");

    int32_t size = 0;
    uint8_t* data = osReadFile("DATA\\sounds\\BUTTONCLICK.ogg", &size);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(size, 3);
    EXPECT_EQ(std::memcmp(data, "ogg", 3), 0);
    EXPECT_EQ(data[3], 0);  // the extra terminator after the data
    std::free(data);
}

TEST_F(OsFilesTest, ExactNameWinsOverCaseInsensitiveMatch)
{
    writeString(dir + "/a.txt", "lower");
    writeString(dir + "/A.txt", "upper");
    int32_t size = 0;
    uint8_t* data = osReadFile("A.txt", &size);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size_t(size)), "upper");
    std::free(data);
}

TEST_F(OsFilesTest, CreatesCopiesAndDeletes)
{
    EXPECT_TRUE(osCreateDirectory("settings"));
    EXPECT_FALSE(osCreateDirectory("settings"));  // already there
    EXPECT_FALSE(osCreateDirectory("no/such/parent"));
    EXPECT_TRUE(osFolderExists("SETTINGS"));

    EXPECT_TRUE(osWriteFile("settings\\a.dat", "abc", 3));
    EXPECT_TRUE(osWriteFile("settings\\b.dat", "longer", 6));
    EXPECT_TRUE(osCopyFile("settings\\a.dat", "settings\\b.dat"));  // replaces
    EXPECT_EQ(readBytes(dir + "/settings/b.dat"), (std::vector<uint8_t>{'a', 'b', 'c'}));
    EXPECT_FALSE(osCopyFile("settings\\missing.dat", "settings\\c.dat"));
    EXPECT_FALSE(osFileExists("settings\\c.dat"));

    EXPECT_TRUE(osDeleteFile("settings\\A.DAT"));
    EXPECT_FALSE(osFileExists("settings\\a.dat"));
    EXPECT_FALSE(osDeleteFile("settings\\a.dat"));
    EXPECT_FALSE(osDeleteFile("settings"));  // a folder is not deleted as a file

    EXPECT_FALSE(osWriteFile("settings", "x", 1));  // cannot write over a folder
    EXPECT_FALSE(osWriteFile("no\\folder\\x.dat", "x", 1));
    EXPECT_EQ(osReadFile("settings", nullptr), nullptr);

    EXPECT_TRUE(osWriteFile("empty.dat", nullptr, 0));
    EXPECT_EQ(osFileSize("empty.dat"), 0);
    EXPECT_EQ(osFileSize("missing.dat"), -1);
}

TEST_F(OsFilesTest, ListsMatchingFilesSorted)
{
    writeString(dir + "/snd/b.ogg", "");
    writeString(dir + "/snd/A.OGG", "");
    writeString(dir + "/snd/c.ogg", "");
    writeString(dir + "/snd/readme.txt", "");
    std::filesystem::create_directories(dir + "/snd/folder.ogg");  // folders are not listed

    OsFileName names[8];
    ASSERT_EQ(osListFolder("snd", "*.ogg", names, 8), 3);
    EXPECT_STREQ(names[0].name, "A.OGG");
    EXPECT_STREQ(names[1].name, "b.ogg");
    EXPECT_STREQ(names[2].name, "c.ogg");

    // A list longer than the caller's array reports the full count and fills what fits.
    OsFileName two[2];
    EXPECT_EQ(osListFolder("snd", "*.*", two, 2), 4);
    EXPECT_STREQ(two[1].name, "b.ogg");

    ASSERT_TRUE(osSetCurrentDirectory("snd"));
    EXPECT_EQ(osListFolder(nullptr, "?.ogg", names, 8), 3);
    EXPECT_EQ(osListFolder("missing", "*", names, 8), -1);
}

TEST(OsPatternTest, WildcardsMatchLikeTheFolderListing)
{
    EXPECT_TRUE(osMatchPattern("*.par", "fire.PAR"));
    EXPECT_TRUE(osMatchPattern("*", "x"));
    EXPECT_TRUE(osMatchPattern("*.*", "noextension"));
    EXPECT_TRUE(osMatchPattern("a*b*c", "aXXbYbZc"));
    EXPECT_FALSE(osMatchPattern("a*b*c", "aXXbYbZ"));
    EXPECT_TRUE(osMatchPattern("level?.txt", "level7.txt"));
    EXPECT_FALSE(osMatchPattern("level?.txt", "level10.txt"));
    EXPECT_FALSE(osMatchPattern("*.ogg", "ogg"));
}

} // namespace
