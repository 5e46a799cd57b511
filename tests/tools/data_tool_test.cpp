// ostrimar-data's archive, text and key/value commands, run as a user runs them.
#include "tools/run_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::string fixtures = std::string(OSTRIMAR_FIXTURES) + "/resources/";


class DataToolTest : public testing::Test {
protected:
    void SetUp() override
    {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        dir = std::string(OSTRIMAR_BINARY_DIR) + "/scratch/tools/" + info->name();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
        std::filesystem::create_directories(dir);
    }

    // Runs ostrimar-data with the arguments in the scratch folder.
    ToolResult tool(const std::vector<std::string>& args)
    {
        std::string cmd = "cd " + shellQuote(dir) + " && " + shellQuote(std::string(OSTRIMAR_BINARY_DIR) + "/ostrimar-data");
        for (const std::string& a : args) cmd += " " + shellQuote(a);
        return runCaptured(cmd, dir + "/");
    }

    std::string dir;
};

TEST_F(DataToolTest, ListShowsMembersInArchiveOrder)
{
    ToolResult r = tool({"list", fixtures + "sample.dat"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    // Names as stored, in UTF-8 (the Cyrillic one converted from the 8-bit code page).
    EXPECT_EQ(r.out,
              "settings.txt\t11\n"
              "figures\\Ball.tga\t40\n"
              "\xD0\x96\xD1\x83\xD0\xBA.txt\t6\n"
              "x\t4\n"
              "empty.bin\t0\n");
}

TEST_F(DataToolTest, DamagedArchivesAreReportedOnOneLine)
{
    for (const char* name : {"truncated.dat", "unterminated.dat", "ctrlname.dat"}) {
        SCOPED_TRACE(name);
        ToolResult r = tool({"list", fixtures + name});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.out, "first.txt\t4\n");  // what came before the damage
        EXPECT_EQ(lineCount(r.err), 1);
        EXPECT_NE(r.err.find(name), std::string::npos);
        EXPECT_NE(r.err.find("malformed"), std::string::npos);
    }
    ToolResult r = tool({"list", fixtures + "truncated.dat"});
    EXPECT_NE(r.err.find("at byte 18"), std::string::npos) << r.err;

    r = tool({"list", dir + "/missing.dat"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(lineCount(r.err), 1);
    EXPECT_NE(r.err.find("missing.dat: cannot be read"), std::string::npos);
}

TEST_F(DataToolTest, UnpackWritesMembersIntoFolders)
{
    ToolResult r = tool({"unpack", fixtures + "sample.dat", "out"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readWholeFile(dir + "/out/settings.txt"), "volume=80\r\n");
    std::string ball = readWholeFile(dir + "/out/figures/Ball.tga");
    ASSERT_EQ(ball.size(), 40u);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(uint8_t(ball[size_t(i)]), i);
    EXPECT_EQ(readWholeFile(dir + "/out/\xD0\x96\xD1\x83\xD0\xBA.txt"), "beetle");
    EXPECT_EQ(readWholeFile(dir + "/out/x"), "XXXX");
    EXPECT_TRUE(std::filesystem::exists(dir + "/out/empty.bin"));
    EXPECT_EQ(std::filesystem::file_size(dir + "/out/empty.bin"), 0u);
}

TEST_F(DataToolTest, UnpackRefusesNamesOutsideTheTargetAndKeepsWhatCameBeforeDamage)
{
    ToolResult r = tool({"unpack", fixtures + "escape.dat", "out"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(lineCount(r.err), 1);
    EXPECT_FALSE(std::filesystem::exists(dir + "/evil.txt"));

    r = tool({"unpack", fixtures + "truncated.dat", "out2"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(lineCount(r.err), 1);
    EXPECT_EQ(readWholeFile(dir + "/out2/first.txt"), "kept");
    EXPECT_FALSE(std::filesystem::exists(dir + "/out2/second.txt"));
}

TEST_F(DataToolTest, PackThenUnpackGivesBackTheSameBytes)
{
    std::filesystem::create_directories(dir + "/in/sub");
    std::string binary;
    for (int i = 0; i < 1000; ++i) binary += char((i * 7) & 0xFF);
    std::ofstream(dir + "/in/sub/data.bin", std::ios::binary) << binary;
    std::ofstream(dir + "/in/\xD0\xB6.txt", std::ios::binary) << "cyrillic";
    std::ofstream(dir + "/in/e", std::ios::binary);

    ToolResult r = tool({"pack", "new.dat", "in/sub/data.bin", "in/\xD0\xB6.txt", "in/e"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = tool({"list", "new.dat"});
    EXPECT_EQ(r.out, "in\\sub\\data.bin\t1000\nin\\\xD0\xB6.txt\t8\nin\\e\t0\n");
    // Stored with backslashes and the 8-bit name: 'in\\' + 0xE6 + '.txt'.
    std::string raw = readWholeFile(dir + "/new.dat");
    EXPECT_NE(raw.find(std::string("in\\\xE6.txt\0", 9)), std::string::npos);

    r = tool({"unpack", "new.dat", "back"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readWholeFile(dir + "/back/in/sub/data.bin"), binary);
    EXPECT_EQ(readWholeFile(dir + "/back/in/\xD0\xB6.txt"), "cyrillic");
    EXPECT_EQ(std::filesystem::file_size(dir + "/back/in/e"), 0u);
}

TEST_F(DataToolTest, PackRefusesBadMembers)
{
    std::ofstream(dir + "/a.txt") << "a";
    ToolResult r = tool({"pack", "x.dat", "a.txt", "A.TXT"});
    EXPECT_EQ(r.code, 1);  // same name to the game
    EXPECT_EQ(lineCount(r.err), 1);
    r = tool({"pack", "x.dat", "missing.txt"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("missing.txt: cannot be read"), std::string::npos);
    std::string longName(64, 'n');
    std::ofstream(dir + "/" + longName) << "n";
    r = tool({"pack", "x.dat", longName});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("63"), std::string::npos);
    r = tool({"pack", "x.dat", "\xE4\xB8\xAD"});  // a character the 8-bit code page lacks
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(std::filesystem::exists(dir + "/x.dat"));
}

TEST_F(DataToolTest, TextsPrintsTheTableWithEscapes)
{
    ToolResult r = tool({"texts", fixtures + "texts_a.txt", fixtures + "texts_b.txt"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "lang\teng\n"
              "title \t A\n"
              "path\tC:\\\\data\\tx\n"
              "about\tTwo\\r\\nlines\\r\\n\n"
              "\xD0\xBA\xD0\xBB\xD1\x8E\xD1\x87\t\xD0\xB7\xD0\xBD\xD0\xB0\xD1\x87\xD0\xB5\xD0\xBD\xD0\xB8\xD0\xB5 \xF0\x9F\x98\x80\n"
              "lang\trus\n"
              "extra\t1\n");
}

TEST_F(DataToolTest, MalformedTextFilesAreReported)
{
    for (const char* name : {"texts_nobreak.txt", "texts_longkey.txt"}) {
        SCOPED_TRACE(name);
        ToolResult r = tool({"texts", fixtures + "texts_a.txt", fixtures + name});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(lineCount(r.err), 1);
        EXPECT_NE(r.err.find(name), std::string::npos);
    }
    ToolResult r = tool({"texts", fixtures + "sample.dat"});  // not a text file at all
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(lineCount(r.err), 1);
}

TEST_F(DataToolTest, KvAnswersEachQuery)
{
    const std::string kv = fixtures + "level.kv";
    EXPECT_EQ(tool({"kv", kv, "mesh1=", "string"}).out, "ball.x\n");
    EXPECT_EQ(tool({"kv", kv, "name=", "string"}).out, "\xD0\x96\xD1\x83\xD0\xBA\n");
    EXPECT_EQ(tool({"kv", kv, "time=", "int"}).out, "2\n");
    EXPECT_EQ(tool({"kv", kv, "neg=", "int"}).out, "-2\n");
    EXPECT_EQ(tool({"kv", kv, "time=", "float"}).out, "2.9\n");
    EXPECT_EQ(tool({"kv", kv, "colors=", "list"}).out, "0.5 1 2\n");
    EXPECT_EQ(tool({"kv", kv, "pos=", "vec3"}).out, "0 1.5 -2\n");
    // An absent key prints what the query gives for it.
    ToolResult r = tool({"kv", kv, "absent=", "int"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "0\n");
    EXPECT_EQ(tool({"kv", kv, "absent=", "string"}).out, "\n");
    EXPECT_EQ(tool({"kv", kv, "absent=", "vec3"}).out, "0 0 0\n");
}

TEST_F(DataToolTest, KvReportsValuesTheGameCannotRead)
{
    const std::string kv = fixtures + "level.kv";
    ToolResult r = tool({"kv", kv, "big=", "int"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(lineCount(r.err), 1);
    EXPECT_NE(r.err.find("level.kv"), std::string::npos);
    r = tool({"kv", kv, "bad=", "vec3"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(lineCount(r.err), 1);
    r = tool({"kv", kv, "time=", "number"});
    EXPECT_EQ(r.code, 1);
    r = tool({"kv", dir + "/none.kv", "a=", "int"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("none.kv: cannot be read"), std::string::npos);
    // The long value is fine as a string.
    r = tool({"kv", kv, "big=", "string"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, std::string(40, '1') + "\n");
}

TEST_F(DataToolTest, DefaultDataSetTextsLoadInBothLanguages)
{
    // The data set the build made, read as the game does: settings first, then a language.
    std::filesystem::create_directory_symlink(std::string(OSTRIMAR_BINARY_DIR) + "/Data", dir + "/Data");
    ToolResult settings = tool({"texts", "Data/settings.txt"});
    ASSERT_EQ(settings.code, 0) << settings.err;
    EXPECT_EQ(settings.out, "lang\teng\n");

    std::vector<std::string> keys[2];
    const char* folders[2] = {"Data/txt/1/", "Data/txt/2/"};
    for (int lang = 0; lang < 2; ++lang) {
        std::string f = folders[lang];
        ToolResult r = tool({"texts", f + "menutext.txt", f + "strings.txt", f + "tips.txt"});
        ASSERT_EQ(r.code, 0) << r.err;
        size_t start = 0;
        while (start < r.out.size()) {
            size_t tab = r.out.find('\t', start);
            size_t end = r.out.find('\n', start);
            ASSERT_NE(tab, std::string::npos);
            EXPECT_LT(tab + 1, end) << "empty text for " << r.out.substr(start, tab - start);
            keys[lang].push_back(r.out.substr(start, tab - start));
            start = end + 1;
        }
    }
    // Both languages define the same keys in the same order, each once, including those the game
    // already asks for. "credits" is the one key met twice: the button's caption, and the block of
    // credits lines that the menus read by its marker.
    EXPECT_EQ(keys[0], keys[1]);
    for (size_t i = 0; i < keys[1].size(); ++i) {
        for (size_t j = i + 1; j < keys[1].size(); ++j) {
            if (keys[1][i] == "credits") continue;
            EXPECT_NE(keys[1][i], keys[1][j]);
        }
    }
    EXPECT_EQ(std::count(keys[1].begin(), keys[1].end(), std::string("credits")), 2);
    for (const char* needed : {"keytoresume", "cheatkeyenabled", "cheatkeydisabled", "defname1", "defname10"}) {
        EXPECT_NE(std::find(keys[1].begin(), keys[1].end(), needed), keys[1].end()) << needed;
    }
    for (const char* archive : {"targa.dat", "jpeg.dat", "texts.dat"}) {
        ToolResult r = tool({"list", std::string("Data/") + archive});
        EXPECT_EQ(r.code, 0) << archive << ": " << r.err;
    }
}

} // namespace
