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
        ann = stemOf(u"Ann");
        bob = stemOf(u"Bob");
    }
    // A player's trophies are found by the profile's file stem.
    static std::string stemOf(const char16_t* name)
    {
        char stem[PROFILE_STEM_MAX];
        profileStem(name, stem, sizeof stem);
        return stem;
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
    std::string ann, bob;
};

TEST_F(Trophies, AnAwardIsWrittenAtOnceAndASecondAwardAnswersNoAndWritesNothing)
{
    EXPECT_TRUE(awardTrophy(5, ann.c_str()));
    std::vector<uint8_t> bytes = fileOf(ann.c_str());
    ASSERT_EQ(bytes.size(), size_t(TROPHY_FILE_SIZE));
    for (int i = 0; i < TROPHY_COUNT; i++) {
        EXPECT_EQ(bytes[i * 2], i == 4 ? 1 : 0) << "new " << i + 1;
        EXPECT_EQ(bytes[i * 2 + 1], i == 4 ? 1 : 0) << "won " << i + 1;
    }
    EXPECT_EQ(trophies.writes, 1);
    std::filesystem::remove(pathOf(ann.c_str()));
    EXPECT_FALSE(awardTrophy(5, ann.c_str()));
    EXPECT_EQ(trophies.writes, 1);
    EXPECT_FALSE(std::filesystem::exists(pathOf(ann.c_str())));
}

TEST_F(Trophies, NumbersOutsideOneToSeventeenAreIgnored)
{
    for (int n : {0, 18, -1, 1000}) {
        EXPECT_FALSE(awardTrophy(n, ann.c_str())) << n;
        EXPECT_FALSE(trophyWon(n));
    }
    EXPECT_EQ(trophies.writes, 0);
    EXPECT_TRUE(awardTrophy(17, ann.c_str()));
    EXPECT_TRUE(awardTrophy(1, ann.c_str()));
    EXPECT_EQ(firstNewTrophy(), 1);
}

TEST_F(Trophies, EachProfileHasItsOwnFileAndReadsItBack)
{
    EXPECT_TRUE(awardTrophy(3, ann.c_str()));
    EXPECT_TRUE(awardTrophy(3, bob.c_str()));  // Bob's flags are loaded before his award
    EXPECT_TRUE(awardTrophy(7, ann.c_str()));
    EXPECT_FALSE(awardTrophy(3, ann.c_str()));
    resetTrophies();
    loadTrophyFlags(ann.c_str());
    EXPECT_TRUE(trophyWon(3));
    EXPECT_TRUE(trophyWon(7));
    EXPECT_FALSE(trophyWon(4));
    loadTrophyFlags(bob.c_str());
    EXPECT_TRUE(trophyWon(3));
    EXPECT_FALSE(trophyWon(7));
    loadTrophyFlags("Nobody");  // no such profile: no trophies
    EXPECT_EQ(firstNewTrophy(), 0);
    EXPECT_FALSE(trophyWon(3));
}

// Names that differ only in letters outside ASCII are two players with two files.
TEST_F(Trophies, NamesDifferingOnlyInNonAsciiLettersKeepTheirOwnTrophies)
{
    ASSERT_TRUE(createProfile("Иван"));
    ASSERT_TRUE(createProfile("Петр"));
    std::string ivan = stemOf(u"Иван"), petr = stemOf(u"Петр");
    ASSERT_NE(ivan, petr);
    EXPECT_EQ(trophyProfileIndex(ivan.c_str()), 2);
    EXPECT_EQ(trophyProfileIndex(petr.c_str()), 3);
    EXPECT_TRUE(awardTrophy(5, ivan.c_str()));
    EXPECT_TRUE(awardTrophy(5, petr.c_str()));  // Ivan's trophy is not Petr's
    EXPECT_TRUE(awardTrophy(6, ivan.c_str()));
    std::vector<uint8_t> ivanFile = fileOf(ivan.c_str()), petrFile = fileOf(petr.c_str());
    ASSERT_EQ(ivanFile.size(), size_t(TROPHY_FILE_SIZE));
    ASSERT_EQ(petrFile.size(), size_t(TROPHY_FILE_SIZE));
    EXPECT_EQ(ivanFile[4 * 2 + 1], 1);
    EXPECT_EQ(ivanFile[5 * 2 + 1], 1);
    EXPECT_EQ(petrFile[4 * 2 + 1], 1);
    EXPECT_EQ(petrFile[5 * 2 + 1], 0);
    // Choosing a profile loads its file.
    selectProfile(2);
    EXPECT_STREQ(trophies.profile, ivan.c_str());
    EXPECT_TRUE(trophyWon(6));
    selectProfile(3);
    EXPECT_TRUE(trophyWon(5));
    EXPECT_FALSE(trophyWon(6));
}

// Whatever changes the profile, the trophies in memory become the current profile's file.
TEST_F(Trophies, ProfileChangesBringTheCurrentPlayersTrophiesIntoMemory)
{
    // Ann (index 0) wins trophy 5, not yet presented; Bob is current.
    ASSERT_TRUE(awardTrophy(5, ann.c_str()));
    ASSERT_EQ(firstNewTrophy(), 5);
    // Choosing Bob: no trophy of Ann's waits to be presented to him.
    selectProfile(1);
    EXPECT_EQ(firstNewTrophy(), 0);
    EXPECT_FALSE(trophyWon(5));
    selectProfile(0);
    EXPECT_EQ(firstNewTrophy(), 5);
    // Renamed, Ann keeps her trophies under the new key.
    ASSERT_TRUE(renameProfile(0, "Anna"));
    EXPECT_STREQ(trophies.profile, stemOf(u"Anna").c_str());
    EXPECT_TRUE(trophyWon(5));
    ASSERT_TRUE(renameProfile(0, "Ann"));
    // Deleted and made again: the new Ann starts with nothing, and wins trophy 5 herself.
    deleteProfile(0);
    EXPECT_FALSE(trophyWon(5));
    ASSERT_TRUE(createProfile("Ann"));
    EXPECT_EQ(firstNewTrophy(), 0);
    EXPECT_TRUE(awardTrophy(7, ann.c_str()));
    std::vector<uint8_t> bytes = fileOf(ann.c_str());
    ASSERT_EQ(bytes.size(), size_t(TROPHY_FILE_SIZE));
    EXPECT_EQ(bytes[4 * 2 + 1], 0) << "the deleted Ann's trophy";
    EXPECT_EQ(bytes[6 * 2 + 1], 1);
    EXPECT_TRUE(awardTrophy(5, ann.c_str()));
}

TEST_F(Trophies, AFileOfTheWrongSizeGivesNoTrophiesAndIsReplacedWholeOnTheNextAward)
{
    writeFileOf(ann.c_str(), std::vector<uint8_t>(33, 1));
    loadTrophyFlags(ann.c_str());
    for (int n = 1; n <= TROPHY_COUNT; n++) EXPECT_FALSE(trophyWon(n));
    writeFileOf(ann.c_str(), std::vector<uint8_t>(35, 1));
    loadTrophyFlags(ann.c_str());
    EXPECT_FALSE(trophyWon(1));
    EXPECT_TRUE(awardTrophy(2, ann.c_str()));
    EXPECT_EQ(fileOf(ann.c_str()).size(), size_t(TROPHY_FILE_SIZE));
    // Bytes other than 0 and 1 count as set; "new" without "won" is not new.
    std::vector<uint8_t> odd(TROPHY_FILE_SIZE, 0);
    odd[0] = 7;   // trophy 1 new, not won
    odd[3] = 200; // trophy 2 won
    writeFileOf(ann.c_str(), odd);
    loadTrophyFlags(ann.c_str());
    EXPECT_FALSE(trophyIsNew(1));
    EXPECT_FALSE(trophyWon(1));
    EXPECT_TRUE(trophyWon(2));
}

TEST_F(Trophies, PresentingClearsNewFlagsLowestFirst)
{
    awardTrophy(9, ann.c_str());
    awardTrophy(4, ann.c_str());
    EXPECT_EQ(firstNewTrophy(), 4);
    presentTrophy(4, ann.c_str());
    EXPECT_EQ(firstNewTrophy(), 9);
    EXPECT_TRUE(trophyWon(4));
    EXPECT_EQ(fileOf(ann.c_str())[3 * 2], 0);
    clearNewTrophies(ann.c_str());
    EXPECT_EQ(firstNewTrophy(), 0);
    EXPECT_TRUE(trophyWon(9));  // leaving the room early keeps it won, no longer new
    std::vector<uint8_t> bytes = fileOf(ann.c_str());
    EXPECT_EQ(bytes[8 * 2], 0);
    EXPECT_EQ(bytes[8 * 2 + 1], 1);
}

TEST_F(Trophies, WithoutAProfileOrAWritableFolderTheAwardStaysInMemory)
{
    EXPECT_EQ(trophyProfileIndex(ann.c_str()), 0);
    EXPECT_EQ(trophyProfileIndex(bob.c_str()), 1);
    EXPECT_EQ(trophyProfileIndex("ann"), -1);
    EXPECT_TRUE(awardTrophy(6, "Nobody"));
    EXPECT_TRUE(trophyWon(6));
    EXPECT_EQ(trophies.writes, 0);
    EXPECT_EQ(trophies.lastWriteFailed, 1);
    // A folder that cannot be written: the award stands, nothing half written.
    std::filesystem::remove_all(dir + "settings");
    std::ofstream(dir + "settings") << "a file where the folder should be";
    EXPECT_TRUE(awardTrophy(8, ann.c_str()));
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
