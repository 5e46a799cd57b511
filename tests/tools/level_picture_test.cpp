// ostrimar-data preview and sheet, run as a level maker runs them: the picture of a small
// hand-made level (the built data set's own pictures) against its golden picture, a contact
// sheet of a folder, and malformed level files refused with one line.
#include "tools/run_tool.h"
#include "graphics/gfx_helpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

const std::string pictureDir = std::string(OSTRIMAR_FIXTURES) + "/levels/pictures/";
const std::string levelDir = std::string(OSTRIMAR_FIXTURES) + "/levels/";

ToolResult tool(const std::string& args, const std::string& tag)
{
    std::string bin = std::string(OSTRIMAR_BINARY_DIR) + "/";
    return runCaptured(bin + "ostrimar-data " + args, bin + "level_picture_" + tag);
}

std::string scratch(const std::string& name)
{
    std::string dir = std::string(OSTRIMAR_BINARY_DIR) + "/scratch/level_pictures/" + name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

bool readPng(const std::string& path, ImageData* out)
{
    std::vector<uint8_t> bytes = gfxReadBytes(path);
    return !bytes.empty() && imageDecode(bytes.data(), bytes.size(), out);
}

} // namespace

TEST(LevelPicture, PreviewOfASmallHandMadeLevelMatchesItsGolden)
{
    // Holes, bare tiles, squares, dual squares, chains of two colours and each fixed bonus.
    std::string out = scratch("preview") + "/small.png";
    ToolResult r = tool("preview " + pictureDir + "small.lvl " + out + " --scale 0.5", "small");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    ImageData img;
    ASSERT_TRUE(readPng(out, &img));
    expectGolden(img, "data_preview_small_level");
    // The scale sets the size: twelve places across at 54 pixels each, and a margin.
    ToolResult big = tool("preview " + pictureDir + "small.lvl " + out + " --scale 1", "small_big");
    ASSERT_EQ(big.code, 0) << big.err;
    ImageData full;
    ASSERT_TRUE(readPng(out, &full));
    EXPECT_EQ(full.width, 12 * 54 + 16);
    EXPECT_EQ(full.height, 11 * 54 + 16);
}

TEST(LevelPicture, SheetShowsEveryLevelOfAFolderInRowsOfTwelve)
{
    std::string dir = scratch("sheet");
    for (int n = 1; n <= 13; n++) {
        char name[32];
        std::snprintf(name, sizeof name, "/pack1_%.2i.lvl", n);
        std::filesystem::copy_file(pictureDir + "small.lvl", dir + name);
    }
    ToolResult thirteen = tool("sheet " + dir + " " + dir + "/sheet13.png", "sheet13");
    ASSERT_EQ(thirteen.code, 0) << thirteen.err;
    std::filesystem::remove(dir + "/pack1_13.lvl");
    ToolResult twelve = tool("sheet " + dir + " " + dir + "/sheet12.png", "sheet12");
    ASSERT_EQ(twelve.code, 0) << twelve.err;
    ImageData a;
    ImageData b;
    ASSERT_TRUE(readPng(dir + "/sheet13.png", &a));
    ASSERT_TRUE(readPng(dir + "/sheet12.png", &b));
    EXPECT_EQ(a.width, b.width);
    EXPECT_GT(a.height, b.height * 3 / 2);
    // A gap in the numbers ends the folder's levels, as in the game.
    std::filesystem::remove(dir + "/pack1_05.lvl");
    ToolResult four = tool("sheet " + dir + " " + dir + "/sheet4.png", "sheet4");
    ASSERT_EQ(four.code, 0) << four.err;
    ImageData c;
    ASSERT_TRUE(readPng(dir + "/sheet4.png", &c));
    EXPECT_LT(c.width, b.width / 2);
}

TEST(LevelPicture, MalformedLevelsAreRefusedWithOneLineAndNothingWritten)
{
    std::string dir = scratch("malformed");
    const char* files[] = {"cut.lvl", "junk.lvl", "long.lvl", "nogrid.lvl", "codes.lvl", "shortgrid.lvl", "absent.lvl"};
    for (const char* f : files) {
        std::string out = dir + "/" + f + ".png";
        ToolResult r = tool("preview " + levelDir + f + " " + out, "bad");
        EXPECT_EQ(r.code, 1) << f;
        EXPECT_EQ(lineCount(r.err), 1) << f << ": " << r.err;
        EXPECT_NE(r.err.find(f), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << f;
    }
    // One bad level spoils the sheet of its folder.
    std::filesystem::copy_file(pictureDir + "small.lvl", dir + "/pack1_01.lvl");
    std::filesystem::copy_file(pictureDir + "short.lvl", dir + "/pack1_02.lvl");
    ToolResult sheet = tool("sheet " + dir + " " + dir + "/sheet.png", "badsheet");
    EXPECT_EQ(sheet.code, 1);
    EXPECT_EQ(lineCount(sheet.err), 1) << sheet.err;
    EXPECT_NE(sheet.err.find("pack1_02.lvl"), std::string::npos) << sheet.err;
    EXPECT_FALSE(std::filesystem::exists(dir + "/sheet.png"));
    // A folder without levels, and wrong arguments.
    EXPECT_EQ(tool("sheet " + scratch("empty") + " " + dir + "/e.png", "emptysheet").code, 1);
    EXPECT_EQ(tool("preview " + pictureDir + "small.lvl " + dir + "/s.png --scale 0", "scale0").code, 1);
    EXPECT_EQ(tool("preview " + pictureDir + "small.lvl", "noout").code, 1);
}
