// Saving never tears a file: a process that keeps saving is killed at random moments, and every
// state file is then found whole, either as one complete earlier version or another.
#include <csignal>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

#include "game/playstate.h"
#include "game/savegame.h"
#include "persist_helpers.h"

namespace {

const char* const FILES[4] = {"settings.dat", "profiles.dat", "records.dat", "hiscore.dat"};

// Three versions of the whole state that differ in every file (and in the size of "profiles.dat").
void setVersion(int v)
{
    resetProfiles();
    const char* names[3] = {"Ann", "Bob", "Cid"};
    for (int i = 0; i <= v && i < 3; i++) createProfile(names[i]);
    persist.settings.musicVolume = 10 * (v + 1);
    for (auto& mode : recordsState.records) {
        for (LevelRecord& r : mode) r.results[0] = v + 1;
    }
    for (auto& mode : profileState.hiscores) {
        for (HiscoreEntry& h : mode) h.score = 1000 * (v + 1);
    }
}

class AtomicSave : public PersistTest {
protected:
    std::vector<uint8_t> versions[3][4];

    // The files of each version, written once in a folder of their own.
    void recordVersions()
    {
        for (int v = 0; v < 3; v++) {
            std::string other = root + "/v" + std::to_string(v);
            std::snprintf(persist.folderOverride, sizeof persist.folderOverride, "%s", other.c_str());
            setVersion(v);
            ASSERT_TRUE(saveAll());
            for (int f = 0; f < 4; f++) versions[v][f] = fileBytes(other + "/" + FILES[f]);
        }
        std::snprintf(persist.folderOverride, sizeof persist.folderOverride, "%s", folder.c_str());
        for (int f = 0; f < 4; f++) {
            ASSERT_NE(versions[1][f], versions[2][f]);
            ASSERT_NE(versions[0][f], versions[1][f]);
        }
    }

    // Which version a file holds, or -1 when it is none of them.
    int versionOf(int file)
    {
        std::vector<uint8_t> bytes = fileBytes(path(FILES[file]));
        for (int v = 0; v < 3; v++) {
            if (bytes == versions[v][file]) return v;
        }
        return -1;
    }
};

} // namespace

namespace {

constexpr size_t BANKED_SCORE_AT = 51548;  // play.bankedScore in the saved game's image

// Save number i of the crash test: every record, every high score, the music volume, the profile's
// score (through the saved game) and the saved game's banked score all carry i.
void stampSave(int i)
{
    persist.settings.musicVolume = i % 101;
    for (auto& mode : recordsState.records)
        for (LevelRecord& r : mode) r.results[0] = i;
    for (auto& mode : profileState.hiscores)
        for (HiscoreEntry& h : mode) h.score = i;
    play.bankedScore = i;
    play.shownLevelScore = 0;
}

// The number every part of a file carries, -1 when the file is missing, of another size or torn
// (its parts carry different numbers).
int32_t stampOf(const std::vector<uint8_t>& bytes, size_t size, size_t first, size_t stride, size_t count)
{
    if (bytes.size() != size) return -1;
    int32_t v = 0;
    for (size_t k = 0; k < count; k++) {
        int32_t x;
        std::memcpy(&x, bytes.data() + first + k * stride, 4);
        if (k == 0) v = x;
        else if (x != v) return -1;
    }
    return v;
}

} // namespace

TEST_F(AtomicSave, KilledWhileSavingInALoopEveryFileIsTheLastSaveOrTheOneBeingWritten)
{
    // A folder in memory when there is one: a kill tests the process's death, not the disk's,
    // and there the 500 kills take seconds.
    std::string base = exists("/dev/shm") ? "/dev/shm" : root;
    char tmpl[256];
    std::snprintf(tmpl, sizeof tmpl, "%s/ostrimar-crash-XXXXXX", base.c_str());
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    std::string dir = tmpl;
    std::snprintf(persist.folderOverride, sizeof persist.folderOverride, "%s", dir.c_str());
    ASSERT_TRUE(createProfile("Ann"));
    setProfileMode(0);
    resetPlayState();
    play.gameMode = 0;
    play.gameInProgress = 1;
    play.levelTouched = 1;
    currentProfileStem(play.profileStem, sizeof play.profileStem);
    stampSave(0);
    ASSERT_TRUE(saveGame());
    ASSERT_TRUE(saveAll());
    srand15(20261208);
    const int KILLS = 500;
    int reportedTotal = 0, newerSeen = 0, lost = 0;
    int32_t lastReported = 0;  // the last save the child said was complete
    int32_t last = 0;          // the highest number any file holds
    std::vector<uint8_t> prof;
    for (int round = 0; round < KILLS; round++) {
        int saved[2];
        ASSERT_EQ(pipe(saved), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(saved[0]);
            for (int32_t i = last + 1;; i++) {
                stampSave(i);
                // The saved game first, then the profile that offers it.
                if (!saveGame() || !saveAll()) _exit(2);
                if (write(saved[1], &i, 4) != 4) _exit(2);
            }
        }
        close(saved[1]);
        volatile uint32_t spin = 0;
        uint32_t until = static_cast<uint32_t>(rand15()) * static_cast<uint32_t>(1 + round % 40);
        while (spin < until) spin = spin + 1;
        ASSERT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child stopped by itself: a save failed";
        int32_t reported = lastReported, r;
        int count = 0;
        while (read(saved[0], &r, 4) == 4) {
            reported = r;
            count++;
        }
        close(saved[0]);
        reportedTotal += count;
        int32_t writing = count > 0 ? reported + 1 : last + 1;  // the save the kill interrupted
        // Every file: whole, and the last reported save or the one after it.
        int32_t got[5] = {
            stampOf(fileBytes(dir + "/records.dat"), RECORDS_FILE_SIZE, 160, 176, 3 * 129),
            stampOf(fileBytes(dir + "/hiscore.dat"), HISCORE_FILE_SIZE, 64, 68, 30),
            stampOf(fileBytes(dir + "/profiles.dat"), 160, 124, 4, 1),
            stampOf(fileBytes(dir + "/+ann_cls.sav"), SAVED_GAME_SIZE, BANKED_SCORE_AT, 4, 1),
            stampOf(fileBytes(dir + "/settings.dat"), SETTINGS_FILE_SIZE, 0, 4, 1),
        };
        // Every file whole (-1 otherwise), never older than the last save reported complete, never
        // newer than the one being written.
        int32_t highest = last;
        for (int f = 0; f < 4; f++) {
            ASSERT_GE(got[f], 0) << "file " << f << " torn (kill " << round << ")";
            ASSERT_LE(got[f], writing) << "file " << f;
            if (got[f] < reported) lost++;
            EXPECT_GE(got[f], reported) << "file " << f << " lost save " << reported << " (kill " << round << ")";
            if (got[f] > last) newerSeen++;
            if (got[f] > highest) highest = got[f];
        }
        bool volumeOk = false;
        for (int32_t v = reported; v <= writing; v++) volumeOk = volumeOk || got[4] == v % 101;
        EXPECT_TRUE(volumeOk) << got[4];
        lastReported = reported;
        last = highest;
        // The saved game is renamed before the profile: it is the profile's save or a later one
        // of the same level (never an older one).
        EXPECT_GE(got[3], got[2]);
        prof = fileBytes(dir + "/profiles.dat");
        ASSERT_EQ(prof[144], 1);  // the profile offers its saved game
    }
    EXPECT_EQ(lost, 0);
    EXPECT_GT(newerSeen, 0);
    EXPECT_GT(reportedTotal, 0);
    RecordProperty("kills", KILLS);
    RecordProperty("savesReported", reportedTotal);
    std::printf("crash test: %d kills, %d saves reported complete, %d files lost\n", KILLS, reportedTotal, lost);
    int rc = std::system(("rm -rf '" + dir + "'").c_str());
    (void)rc;
}
