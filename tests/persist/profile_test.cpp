// Profiles: creating, selecting, renaming and deleting, with the per-profile files that go with
// them, and the file stems that keep every profile's files apart.
#include <cstring>
#include <set>

#include "game/playstate.h"
#include "persist_helpers.h"

namespace {

std::string fileOf(const char16_t* name, int kind)
{
    char out[OS_PATH_MAX];
    profileFileName(name, kind, out, sizeof out);
    return out;
}

std::string stemOf(const char16_t* name)
{
    char out[PROFILE_STEM_MAX];
    profileStem(name, out, sizeof out);
    return out;
}

} // namespace

TEST_F(PersistTest, CreatingAProfileRefusesEmptyRepeatedNamesAndANinth)
{
    EXPECT_FALSE(createProfile(""));
    EXPECT_FALSE(createProfile(u""));
    // A stale trophy file of the same name does not carry over to the new player.
    makeFolder();
    std::vector<uint8_t> stale(TROPHY_FILE_SIZE, 0xFF);
    putFile(path(fileOf(u"Ann", ProfileTrophies)), stale.data(), stale.size());
    EXPECT_TRUE(createProfile("Ann"));
    EXPECT_FALSE(createProfile("Ann"));
    EXPECT_TRUE(createProfile("ann"));  // letter case makes another name
    EXPECT_EQ(profileState.current, 1);
    EXPECT_EQ(std::vector<uint8_t>(TROPHY_FILE_SIZE, 0), fileBytes(path(fileOf(u"Ann", ProfileTrophies))));
    EXPECT_EQ(fileBytes(path(fileOf(u"ann", ProfileTrophies))).size(), static_cast<size_t>(TROPHY_FILE_SIZE));
    const Profile& p = profileState.profiles[1];
    EXPECT_EQ(p.mode, 0);
    for (uint8_t f : p.hintFlags) EXPECT_EQ(f, 1);
    for (int m = 0; m < MODE_COUNT; m++) EXPECT_EQ(p.lives[m], START_LIVES);
    for (const char* n : {"C", "D", "E", "F", "G", "H"}) EXPECT_TRUE(createProfile(n));
    EXPECT_EQ(profileCount(), PROFILE_TABLE_SIZE);
    EXPECT_FALSE(createProfile("Ninth"));
    EXPECT_EQ(profileCount(), PROFILE_TABLE_SIZE);
    // Long names are cut to 31 characters.
    resetProfiles();
    EXPECT_TRUE(createProfile("abcdefghijklmnopqrstuvwxyz0123456789"));
    EXPECT_EQ(profileState.profiles[0].name[30], u'4');
    EXPECT_EQ(profileState.profiles[0].name[31], 0);
    selectProfile(5);  // out of range: ignored
    EXPECT_EQ(profileState.current, 0);
}

TEST_F(PersistTest, EveryNameHasItsOwnSafeStemEvenIgnoringLetterCase)
{
    const char16_t* names[] = {u"Ann", u"ann", u"ANN", u"aNn", u"a/b", u"a\\b", u"a_b", u"a_005fb", u"a+b",
                               u"+ab", u"\u0418\u0432\u0430\u043d", u"\u0438\u0432\u0430\u043d", u"..", u".",
                               u"a b", u"\U0001F600"};
    std::set<std::string> folded;
    for (const char16_t* n : names) {
        std::string stem = stemOf(n);
        EXPECT_FALSE(stem.empty());
        for (char c : stem) EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '+') << stem;
        EXPECT_TRUE(folded.insert(stem).second) << stem;  // stems hold no upper case, so this is case-blind
    }
    EXPECT_EQ(stemOf(u"Ann"), "+ann");
    EXPECT_EQ(stemOf(u"\u0418\u0432"), "_0418_0432");
    EXPECT_EQ(fileOf(u"Ann", ProfileSaveAdventure), "+ann_cls.sav");
    EXPECT_EQ(fileOf(u"Ann", ProfileSaveTimeless), "+ann_ndl.sav");
    EXPECT_EQ(fileOf(u"Ann", ProfileSavePuzzle), "+ann_org.sav");
    EXPECT_EQ(fileOf(u"Ann", ProfileTrophies), "+ann.trp");
    // The longest name still makes a file name.
    char16_t longest[32];
    for (int i = 0; i < 31; i++) longest[i] = u'\u0416';
    longest[31] = 0;
    EXPECT_EQ(fileOf(longest, ProfileSavePuzzle).size(), 31u * 5u + 8u);
}

TEST_F(PersistTest, RenamingMovesTheFilesAndRefusesTakenNames)
{
    ASSERT_TRUE(createProfile("Ann"));
    ASSERT_TRUE(createProfile("Bob"));
    const char* contents[] = {"trophies", "adventure", "timeless"};
    for (int kind = 0; kind < 3; kind++)
        putFile(path(fileOf(u"Ann", kind)), contents[kind], std::strlen(contents[kind]));
    // A stray puzzle save of the new name: Ann has none, so Cid must not inherit it.
    putFile(path(fileOf(u"Cid", ProfileSavePuzzle)), "stray", 5);
    std::vector<uint8_t> bobTrophies = fileBytes(path(fileOf(u"Bob", ProfileTrophies)));

    EXPECT_FALSE(renameProfile(0, "Ann"));  // its own name
    EXPECT_FALSE(renameProfile(0, "Bob"));
    EXPECT_FALSE(renameProfile(0, ""));
    EXPECT_FALSE(renameProfile(2, "Cid"));
    EXPECT_FALSE(renameProfile(-1, "Cid"));
    EXPECT_TRUE(renameProfile(0, "Cid"));
    EXPECT_EQ(std::u16string(profileState.profiles[0].name), u"Cid");
    for (int kind = 0; kind < 3; kind++) {
        EXPECT_FALSE(exists(path(fileOf(u"Ann", kind))));
        std::vector<uint8_t> moved = fileBytes(path(fileOf(u"Cid", kind)));
        EXPECT_EQ(std::string(moved.begin(), moved.end()), contents[kind]);
    }
    EXPECT_FALSE(exists(path(fileOf(u"Cid", ProfileSavePuzzle))));
    EXPECT_EQ(fileBytes(path(fileOf(u"Bob", ProfileTrophies))), bobTrophies);
    // Only letter case differs: another name, and the files follow.
    EXPECT_TRUE(renameProfile(0, "cid"));
    EXPECT_TRUE(exists(path(fileOf(u"cid", ProfileSaveAdventure))));
    EXPECT_FALSE(exists(path(fileOf(u"Cid", ProfileSaveAdventure))));
}

TEST_F(PersistTest, DeletingKeepsTheRightProfileCurrentAndRemovesOnlyItsFiles)
{
    struct Case {
        int current;
        int deleted;
        int expectedCurrent;
        const char16_t* expectedName;
    };
    const Case cases[] = {
        {0, 0, 0, u"B"},  // the first of several, current: the new first
        {2, 2, 1, u"B"},  // the current one: the one before it
        {2, 0, 1, u"C"},  // an earlier one: the same record stays current
        {0, 2, 0, u"A"},  // a later one: nothing moves
        {1, 1, 0, u"A"},
    };
    for (const Case& c : cases) {
        resetProfiles();
        for (const char* n : {"A", "B", "C"}) ASSERT_TRUE(createProfile(n));
        putFile(path(fileOf(u"A", ProfileSaveTimeless)), "a", 1);
        putFile(path(fileOf(u"B", ProfileSaveTimeless)), "b", 1);
        putFile(path(fileOf(u"C", ProfileSaveTimeless)), "c", 1);
        selectProfile(c.current);
        const char16_t* gone = c.deleted == 0 ? u"A" : (c.deleted == 1 ? u"B" : u"C");
        deleteProfile(c.deleted);
        EXPECT_EQ(profileState.count, 2);
        EXPECT_EQ(profileState.current, c.expectedCurrent) << c.current << " " << c.deleted;
        EXPECT_EQ(std::u16string(currentProfile().name), c.expectedName);
        for (const char16_t* n : {u"A", u"B", u"C"}) {
            bool isGone = std::u16string(n) == gone;
            EXPECT_EQ(exists(path(fileOf(n, ProfileSaveTimeless))), !isGone);
            EXPECT_EQ(exists(path(fileOf(n, ProfileTrophies))), !isGone);
        }
    }
    deleteProfile(7);
    deleteProfile(-1);
    EXPECT_EQ(profileState.count, 2);
    deleteProfile(1);
    deleteProfile(0);
    EXPECT_EQ(profileState.count, 0);
    EXPECT_EQ(profileState.current, 0);
    deleteProfile(0);  // none left: nothing
    EXPECT_EQ(profileState.count, 0);
}
