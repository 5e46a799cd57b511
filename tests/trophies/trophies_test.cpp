// Trophy flags and awarding: the per-profile trophy file written at once and whole,
// answers that let the game's fallback chains work, damaged files and numbers, the definitions.
#include "core/appstate.h"
#include "persist/profile.h"
#include "persist/settings.h"
#include "platform/os/files.h"
#include "resources/texts.h"
#include "trophies/trophies.h"
#include "ui/messages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

class Trophies : public testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        resetTrophies();
        resetMessages();
        resetTextTables();
        dir = std::string(OSTRIMAR_BINARY_DIR) + "/scratch/trophies/" +
              testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir + "settings");
        std::snprintf(app.dataDir, sizeof app.dataDir, "%s", dir.c_str());
        resetPersist();
        resetProfiles();
        ASSERT_TRUE(createProfile("Ann"));
        ASSERT_TRUE(createProfile("Bob"));
    }
    std::string pathOf(const char* profile)
    {
        char path[1024];
        EXPECT_TRUE(profileFilePath(trophyProfileIndex(profile), ProfileTrophies, path, sizeof path));
        return path;
    }
    std::vector<uint8_t> fileOf(const char* profile)
    {
        std::ifstream in(pathOf(profile), std::ios::binary);
        return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    void writeFileOf(const char* profile, const std::vector<uint8_t>& bytes)
    {
        std::ofstream out(pathOf(profile), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    std::string dir;
};

TEST_F(Trophies, AnAwardIsWrittenAtOnceAndASecondAwardAnswersNoAndWritesNothing)
{
    EXPECT_TRUE(awardTrophy(5, "Ann"));
    std::vector<uint8_t> bytes = fileOf("Ann");
    ASSERT_EQ(bytes.size(), size_t(TROPHY_FILE_SIZE));
    for (int i = 0; i < TROPHY_COUNT; i++) {
        EXPECT_EQ(bytes[i * 2], i == 4 ? 1 : 0) << "new " << i + 1;
        EXPECT_EQ(bytes[i * 2 + 1], i == 4 ? 1 : 0) << "won " << i + 1;
    }
    EXPECT_EQ(trophies.writes, 1);
    std::filesystem::remove(pathOf("Ann"));
    EXPECT_FALSE(awardTrophy(5, "Ann"));
    EXPECT_EQ(trophies.writes, 1);
    EXPECT_FALSE(std::filesystem::exists(pathOf("Ann")));
}

TEST_F(Trophies, NumbersOutsideOneToSeventeenAreIgnored)
{
    for (int n : {0, 18, -1, 1000}) {
        EXPECT_FALSE(awardTrophy(n, "Ann")) << n;
        EXPECT_FALSE(trophyWon(n));
    }
    EXPECT_EQ(trophies.writes, 0);
    EXPECT_TRUE(awardTrophy(17, "Ann"));
    EXPECT_TRUE(awardTrophy(1, "Ann"));
    EXPECT_EQ(firstNewTrophy(), 1);
}

TEST_F(Trophies, EachProfileHasItsOwnFileAndReadsItBack)
{
    EXPECT_TRUE(awardTrophy(3, "Ann"));
    EXPECT_TRUE(awardTrophy(3, "Bob"));  // Bob's flags are loaded before his award
    EXPECT_TRUE(awardTrophy(7, "Ann"));
    EXPECT_FALSE(awardTrophy(3, "Ann"));
    resetTrophies();
    loadTrophyFlags("Ann");
    EXPECT_TRUE(trophyWon(3));
    EXPECT_TRUE(trophyWon(7));
    EXPECT_FALSE(trophyWon(4));
    loadTrophyFlags("Bob");
    EXPECT_TRUE(trophyWon(3));
    EXPECT_FALSE(trophyWon(7));
    loadTrophyFlags("Nobody");  // no such profile: no trophies
    EXPECT_EQ(firstNewTrophy(), 0);
    EXPECT_FALSE(trophyWon(3));
}

TEST_F(Trophies, AFileOfTheWrongSizeGivesNoTrophiesAndIsReplacedWholeOnTheNextAward)
{
    writeFileOf("Ann", std::vector<uint8_t>(33, 1));
    loadTrophyFlags("Ann");
    for (int n = 1; n <= TROPHY_COUNT; n++) EXPECT_FALSE(trophyWon(n));
    writeFileOf("Ann", std::vector<uint8_t>(35, 1));
    loadTrophyFlags("Ann");
    EXPECT_FALSE(trophyWon(1));
    EXPECT_TRUE(awardTrophy(2, "Ann"));
    EXPECT_EQ(fileOf("Ann").size(), size_t(TROPHY_FILE_SIZE));
    // Bytes other than 0 and 1 count as set; "new" without "won" is not new.
    std::vector<uint8_t> odd(TROPHY_FILE_SIZE, 0);
    odd[0] = 7;   // trophy 1 new, not won
    odd[3] = 200; // trophy 2 won
    writeFileOf("Ann", odd);
    loadTrophyFlags("Ann");
    EXPECT_FALSE(trophyIsNew(1));
    EXPECT_FALSE(trophyWon(1));
    EXPECT_TRUE(trophyWon(2));
}

TEST_F(Trophies, PresentingClearsNewFlagsLowestFirst)
{
    awardTrophy(9, "Ann");
    awardTrophy(4, "Ann");
    EXPECT_EQ(firstNewTrophy(), 4);
    presentTrophy(4, "Ann");
    EXPECT_EQ(firstNewTrophy(), 9);
    EXPECT_TRUE(trophyWon(4));
    EXPECT_EQ(fileOf("Ann")[3 * 2], 0);
    clearNewTrophies("Ann");
    EXPECT_EQ(firstNewTrophy(), 0);
    EXPECT_TRUE(trophyWon(9));  // leaving the room early keeps it won, no longer new
    std::vector<uint8_t> bytes = fileOf("Ann");
    EXPECT_EQ(bytes[8 * 2], 0);
    EXPECT_EQ(bytes[8 * 2 + 1], 1);
}

TEST_F(Trophies, WithoutAProfileOrAWritableFolderTheAwardStaysInMemory)
{
    EXPECT_EQ(trophyProfileIndex("Ann"), 0);
    EXPECT_EQ(trophyProfileIndex("Bob"), 1);
    EXPECT_EQ(trophyProfileIndex("ann"), -1);
    EXPECT_TRUE(awardTrophy(6, "Nobody"));
    EXPECT_TRUE(trophyWon(6));
    EXPECT_EQ(trophies.writes, 0);
    EXPECT_EQ(trophies.lastWriteFailed, 1);
    // A folder that cannot be written: the award stands, nothing half written.
    std::filesystem::remove_all(dir + "settings");
    std::ofstream(dir + "settings") << "a file where the folder should be";
    EXPECT_TRUE(awardTrophy(8, "Ann"));
    EXPECT_TRUE(trophyWon(8));
    EXPECT_EQ(trophies.lastWriteFailed, 1);
}

TEST_F(Trophies, DefinitionsAndTheNamePopup)
{
    parseTrophyList("trophy2=cup2.tga\r\ntrophylum2=cup2lum.jpg\r\ntrophy17=last.tga\r\n");
    EXPECT_STREQ(trophies.image[1], "cup2.tga");
    EXPECT_STREQ(trophies.glow[1], "cup2lum.jpg");
    EXPECT_STREQ(trophies.image[16], "last.tga");
    EXPECT_STREQ(trophies.image[0], "");
    showTrophyName(3);  // no text tables: the key itself shows
    const PopupText& p = messages.popups[0];
    EXPECT_GT(p.life, 0.0f);
    EXPECT_FLOAT_EQ(p.scale, 18.0f);
    EXPECT_FLOAT_EQ(p.x, 0.0f);
    EXPECT_FLOAT_EQ(p.rate, 2000.0f / 3000.0f);
    EXPECT_EQ(p.text[0], u't');
    EXPECT_EQ(p.text[6], u'3');
    showTrophyName(18);
    EXPECT_LT(messages.popups[1].life, 0.0f);  // not a trophy: nothing
}

}  // namespace
