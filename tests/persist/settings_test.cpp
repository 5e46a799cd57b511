// The four shared state files: defaults of a first start, the byte layout and round trip, and
// damaged or hostile files, which are padded, clamped or replaced but never read past.
#include <cstring>

#include "persist_helpers.h"

namespace {

int32_t int32At(const std::vector<uint8_t>& bytes, size_t offset)
{
    int32_t v = 0;
    std::memcpy(&v, bytes.data() + offset, 4);
    return v;
}

void writeSettings(const std::string& path, const Settings& s, size_t size = sizeof(Settings))
{
    std::vector<uint8_t> bytes(size, 0);
    if (size > 0) std::memcpy(bytes.data(), &s, size < sizeof s ? size : sizeof s);
    putFile(path, bytes.data(), bytes.size());
}

// Level n has the time value n + 0.9995 s and the move value 10 + n; level 7 cannot be read.
bool fakeLevel(int level, float* time, int* moves)
{
    if (level == 7) return false;
    *time = static_cast<float>(level) + 0.9995f;
    *moves = 10 + level;
    return true;
}

std::u16string str(const char16_t* s) { return std::u16string(s); }

} // namespace

TEST_F(PersistTest, AFirstStartGivesTheDefaultTablesAndWritesNothing)
{
    loadSettings();
    EXPECT_FALSE(persist.settingsFileRead);
    EXPECT_EQ(persist.settings.musicVolume, 100);
    EXPECT_EQ(persist.settings.sfxVolume, 80);
    EXPECT_EQ(persist.settings.fullscreen, 1);
    EXPECT_EQ(persist.settings.softwareCursor, 0);
    loadProfiles();
    EXPECT_EQ(profileCount(), 0);
    loadDefaultNames();
    setRecordsLevelSource(fakeLevel);
    loadRecords();
    setRecordsLevelSource(nullptr);
    const int base[3] = {180000, 250000, 190000};
    const char16_t* names[10] = {u"Alice", u"Boris", u"Clara", u"Daniel", u"Elena",
                                 u"Felix", u"Greta", u"Hugo", u"Irina", u"Jonas"};
    for (int m = 0; m < MODE_COUNT; m++) {
        for (int e = 0; e < HISCORE_ENTRIES; e++) {
            EXPECT_EQ(profileState.hiscores[m][e].score, (10 - e) * base[m]);
            EXPECT_EQ(str(profileState.hiscores[m][e].name), names[e]);
            if (e > 0) {
                EXPECT_LT(profileState.hiscores[m][e].score, profileState.hiscores[m][e - 1].score);
            }
        }
        for (int n = 0; n < LEVELS_PER_MODE; n++) {
            const LevelRecord& r = levelRecord(m, n);
            EXPECT_EQ(r.results[0], 0);
            EXPECT_EQ(r.results[1], 0);
            EXPECT_EQ(r.results[2], n == 7 ? 0 : 10 + n);
            EXPECT_EQ(r.results[3], n == 7 ? 0 : n * 1000 + 999);  // truncated toward zero
            for (const auto& holder : r.names) {
                bool known = false;
                for (const char16_t* name : names) known = known || str(holder) == name;
                EXPECT_TRUE(known);
            }
        }
    }
    // The holders are drawn at random from the ten names: all of them turn up.
    int seen = 0;
    for (const char16_t* name : names) {
        bool found = false;
        for (int n = 0; n < LEVELS_PER_MODE && !found; n++) found = str(levelRecord(0, n).names[0]) == name;
        seen += found ? 1 : 0;
    }
    EXPECT_EQ(seen, 10);
    EXPECT_FALSE(exists(folder));
}

TEST_F(PersistTest, SaveAllWritesTheFourMemoryImagesThatReadBackTheSame)
{
    persist.settings.musicVolume = 42;
    persist.settings.sfxVolume = 7;
    persist.settings.softwareCursor = 1;
    persist.settings.fullscreen = 0;
    persist.settings.reserved = -99;
    ASSERT_TRUE(createProfile("Ann"));
    ASSERT_TRUE(createProfile(u"\u0418\u0432\u0430\u043d"));
    ASSERT_TRUE(createProfile("Bob"));
    selectProfile(1);
    setProfileMode(ModePuzzle);
    setProfileLevel(20);
    setProfileScore(12345);
    profileState.profiles[2].hintFlags[4] = 0;
    levelRecord(ModeTimeless, 128).results[3] = 4321;
    levelRecord(ModeTimeless, 128).names[2][0] = u'Z';
    loadDefaultNames();
    setDefaultHiscoresFromTexts();
    EXPECT_EQ(enterHiscore(ModeAdventure, u"Ann", 900000), 6);  // after the equal entry
    ASSERT_TRUE(saveAll());
    EXPECT_EQ(persist.saveCount, 1);

    std::vector<uint8_t> s = fileBytes(path("settings.dat"));
    ASSERT_EQ(s.size(), 44u);
    EXPECT_EQ(int32At(s, 0), 42);
    EXPECT_EQ(int32At(s, 4), 7);
    EXPECT_EQ(int32At(s, 8), 800);
    EXPECT_EQ(int32At(s, 12), 600);
    EXPECT_EQ(s[24], 1);
    EXPECT_EQ(int32At(s, 28), -99);
    EXPECT_EQ(int32At(s, 32), 1);
    EXPECT_EQ(int32At(s, 36), 3);
    EXPECT_EQ(int32At(s, 40), 0);
    std::vector<uint8_t> p = fileBytes(path("profiles.dat"));
    ASSERT_EQ(p.size(), 3u * 160u);
    EXPECT_EQ(p[160 + 0], 0x18);  // the second name, UTF-16 little-endian
    EXPECT_EQ(p[160 + 1], 0x04);
    EXPECT_EQ(p[160 + 136], ModePuzzle);
    EXPECT_EQ(int32At(p, 160 + 124 + 4 * ModePuzzle), 12345);
    EXPECT_EQ(p[2 * 160 + 147 + 4], 0);
    EXPECT_EQ(fileBytes(path("records.dat")).size(), 68112u);
    std::vector<uint8_t> h = fileBytes(path("hiscore.dat"));
    ASSERT_EQ(h.size(), 2040u);
    EXPECT_EQ(int32At(h, 6 * 68 + 64), 900000);
    EXPECT_EQ(h[6 * 68], 'A');

    ProfileState profilesBefore = profileState;
    RecordsState* recordsBefore = new RecordsState(recordsState);
    resetPersist();
    std::snprintf(persist.folderOverride, sizeof persist.folderOverride, "%s", folder.c_str());
    resetProfiles();
    resetRecords();
    loadSettings();
    loadProfiles();
    loadRecords();
    EXPECT_TRUE(persist.settingsFileRead);
    EXPECT_EQ(persist.settings.musicVolume, 42);
    EXPECT_EQ(persist.settings.reserved, -99);
    EXPECT_EQ(profileState.count, 3);
    EXPECT_EQ(profileState.current, 1);
    EXPECT_EQ(std::memcmp(profileState.profiles, profilesBefore.profiles, sizeof profileState.profiles), 0);
    EXPECT_EQ(std::memcmp(profileState.hiscores, profilesBefore.hiscores, sizeof profileState.hiscores), 0);
    EXPECT_EQ(std::memcmp(&recordsState, recordsBefore, sizeof recordsState), 0);
    delete recordsBefore;
    EXPECT_EQ(profileLevel(), 20);
}

TEST_F(PersistTest, ShortLongAndOutOfRangeSettingsAreMadeSafe)
{
    makeFolder();
    Settings s;
    s.musicVolume = 37;
    s.sfxVolume = 12;
    s.fullscreen = 0;
    writeSettings(path("settings.dat"), s, 10);  // cut inside the screen width
    loadSettings();
    EXPECT_EQ(persist.settings.musicVolume, 37);
    EXPECT_EQ(persist.settings.sfxVolume, 12);
    EXPECT_EQ(persist.settings.fullscreen, 1);  // missing: the default
    EXPECT_EQ(persist.settings.profileCount, 0);

    s.musicVolume = 250;
    s.sfxVolume = -5;
    s.softwareCursor = 7;
    s.fullscreen = 5;
    s.profileCount = 12;
    s.currentProfile = 9;
    writeSettings(path("settings.dat"), s, 60);  // longer than written: the rest is ignored
    loadSettings();
    EXPECT_EQ(persist.settings.musicVolume, 100);
    EXPECT_EQ(persist.settings.sfxVolume, 0);
    EXPECT_EQ(persist.settings.softwareCursor, 1);
    EXPECT_EQ(persist.settings.fullscreen, 1);
    EXPECT_EQ(persist.settings.profileCount, 8);
    EXPECT_EQ(persist.settings.currentProfile, 0);

    s.profileCount = -3;
    s.currentProfile = -1;
    writeSettings(path("settings.dat"), s);
    loadSettings();
    EXPECT_EQ(persist.settings.profileCount, 0);
    EXPECT_EQ(persist.settings.currentProfile, 0);

    writeSettings(path("settings.dat"), s, 0);
    loadSettings();
    EXPECT_EQ(persist.settings.musicVolume, 100);
    EXPECT_EQ(persist.settings.sfxVolume, 80);
}

TEST_F(PersistTest, ProfilesAreTakenOnlyAsFarAsTheFileHoldsWholeSafeRecords)
{
    makeFolder();
    Profile three[3] = {};
    for (char16_t& c : three[0].name) c = u'A';  // no terminator
    three[0].mode = 9;
    three[0].stage[1] = 99;
    three[0].bestStagePosition[2] = 40;
    three[0].lives[0] = -4;
    three[0].savedGame[2] = 5;
    three[0].hintFlags[0] = 3;
    three[1].name[0] = u'B';
    Settings s;
    s.profileCount = 3;
    s.currentProfile = 2;
    writeSettings(path("settings.dat"), s);
    putFile(path("profiles.dat"), three, 160 + 80);  // one and a half records
    loadSettings();
    loadProfiles();
    ASSERT_EQ(profileState.count, 1);
    EXPECT_EQ(profileState.current, 0);
    const Profile& p = profileState.profiles[0];
    EXPECT_EQ(p.name[31], 0);
    EXPECT_EQ(p.name[30], u'A');
    EXPECT_EQ(p.mode, 0);
    EXPECT_EQ(p.stage[1], 0);
    EXPECT_EQ(p.bestStagePosition[2], 0);
    EXPECT_EQ(p.lives[0], 0);
    EXPECT_EQ(p.savedGame[2], 1);
    EXPECT_EQ(p.hintFlags[0], 1);
    EXPECT_EQ(profileState.profiles[1].name[0], 0);  // nothing of the half record

    // "settings.dat" says three profiles but "profiles.dat" is gone: none.
    ASSERT_TRUE(osDeleteFile(path("profiles.dat").c_str()));
    loadProfiles();
    EXPECT_EQ(profileState.count, 0);
}

TEST_F(PersistTest, RepeatedOrEmptyNamesFromAFileGetTheirOwnNames)
{
    Profile four[4] = {};
    std::memcpy(four[0].name, u"Ann", 8);
    std::memcpy(four[1].name, u"Ann\0xyz", 14);  // the same name, other bytes after the end
    std::memcpy(four[2].name, u"Ann", 8);
    profilesFromBytes(reinterpret_cast<const uint8_t*>(four), sizeof four, 4, 3);
    ASSERT_EQ(profileState.count, 4);
    EXPECT_EQ(profileState.current, 3);
    EXPECT_EQ(str(profileState.profiles[0].name), u"Ann");
    EXPECT_EQ(str(profileState.profiles[1].name), u"Ann2");
    EXPECT_EQ(str(profileState.profiles[2].name), u"Ann3");
    EXPECT_EQ(str(profileState.profiles[3].name), u"Player");
    char a[OS_PATH_MAX], b[OS_PATH_MAX];
    ASSERT_TRUE(profileFilePath(1, ProfileTrophies, a, sizeof a));
    ASSERT_TRUE(profileFilePath(2, ProfileTrophies, b, sizeof b));
    EXPECT_STRNE(a, b);
}

TEST_F(PersistTest, RecordsAndHighScoresOfAnotherSizeAreReplacedAndTheOtherFileKept)
{
    loadDefaultNames();
    setDefaultHiscoresFromTexts();
    enterHiscore(ModeTimeless, u"Kept", 3000000);
    levelRecord(0, 0).results[0] = 555;
    for (char16_t& c : levelRecord(0, 1).names[3]) c = u'x';  // unterminated in the file
    ASSERT_TRUE(saveAll());

    // Only "records.dat" deleted: new records, the high scores as saved.
    ASSERT_TRUE(osDeleteFile(path("records.dat").c_str()));
    resetProfiles();
    resetRecords();
    loadRecords();
    EXPECT_EQ(levelRecord(0, 0).results[0], 0);
    EXPECT_EQ(str(profileState.hiscores[ModeTimeless][0].name), u"Kept");

    // A records file read back has every name terminated.
    ASSERT_TRUE(recordsFromBytes(nullptr, 0) == false);
    std::vector<uint8_t> image(RECORDS_FILE_SIZE, 'x');
    ASSERT_TRUE(recordsFromBytes(image.data(), RECORDS_FILE_SIZE));
    EXPECT_EQ(levelRecord(2, 128).names[3][RECORD_NAME_CHARS - 1], 0);

    // Wrong sizes: the defaults.
    std::vector<uint8_t> shortRecords(100, 1);
    putFile(path("records.dat"), shortRecords.data(), shortRecords.size());
    std::vector<uint8_t> longHiscores(HISCORE_FILE_SIZE + 1, 1);
    putFile(path("hiscore.dat"), longHiscores.data(), longHiscores.size());
    loadRecords();
    EXPECT_EQ(levelRecord(0, 0).results[0], 0);
    EXPECT_EQ(levelRecord(0, 0).names[0][0] >= u'A', true);
    EXPECT_EQ(profileState.hiscores[ModeTimeless][0].score, 2500000);
    EXPECT_EQ(str(profileState.hiscores[ModeTimeless][0].name), u"Alice");
}

TEST_F(PersistTest, AFailedWriteKeepsTheOldFileAndIsReportedOnce)
{
    ASSERT_TRUE(saveAll());
    std::vector<uint8_t> oldRecords = fileBytes(path("records.dat"));
    // A folder where the temporary file would go makes that one write fail.
    ASSERT_EQ(::mkdir(path("records.dat.tmp").c_str(), 0755), 0);
    levelRecord(1, 1).results[0] = 777;
    persist.settings.musicVolume = 3;
    EXPECT_FALSE(saveAll());
    EXPECT_EQ(fileBytes(path("records.dat")), oldRecords);
    EXPECT_EQ(int32At(fileBytes(path("settings.dat")), 0), 3);  // the others were still written
    EXPECT_EQ(persist.writeErrorBoxes, 1);
    EXPECT_FALSE(saveAll());
    EXPECT_EQ(persist.writeErrorBoxes, 1);  // once, not at every save
    ASSERT_EQ(::rmdir(path("records.dat.tmp").c_str()), 0);
    EXPECT_TRUE(saveAll());
    EXPECT_NE(fileBytes(path("records.dat")), oldRecords);
    EXPECT_FALSE(exists(path("records.dat.tmp")));
    ASSERT_EQ(::mkdir(path("hiscore.dat.tmp").c_str(), 0755), 0);
    EXPECT_FALSE(saveAll());
    EXPECT_EQ(persist.writeErrorBoxes, 2);  // a new failure after a good save is reported again
}

TEST_F(PersistTest, WithoutASettingsFolderNothingIsWrittenOrReported)
{
    persist.folderOverride[0] = 0;
    app.dataDir[0] = 0;
    EXPECT_FALSE(saveAll());
    EXPECT_EQ(persist.writeErrorBoxes, 0);
    EXPECT_TRUE(createProfile("Ann"));  // the profile exists in memory all the same
    std::snprintf(app.dataDir, sizeof app.dataDir, "%s/", root.c_str());
    EXPECT_EQ(std::string(settingsFolder()), root + "/settings");
}
