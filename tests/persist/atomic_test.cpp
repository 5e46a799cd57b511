// Saving never tears a file: a process that keeps saving is killed at random moments, and every
// state file is then found whole, either as one complete earlier version or another.
#include <csignal>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

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

TEST_F(AtomicSave, KillingASaveAtAnyMomentLeavesEveryFileWhole)
{
    recordVersions();
    setVersion(0);
    ASSERT_TRUE(saveAll());
    srand15(20261207);
    int newerSeen = 0;
    const int KILLS = 200;
    for (int round = 0; round < KILLS; round++) {
        int ready[2];
        int saved[2];
        ASSERT_EQ(pipe(ready), 0);
        ASSERT_EQ(pipe(saved), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(ready[0]);
            close(saved[0]);
            char go = 1;
            if (write(ready[1], &go, 1) != 1) _exit(2);
            for (int i = 0;; i++) {
                setVersion(1 + i % 2);
                saveAll();
                // Tell the parent once that a whole newer state is on disk.
                if (i == 0 && write(saved[1], &go, 1) != 1) _exit(2);
            }
        }
        close(ready[1]);
        close(saved[1]);
        char go = 0;
        ASSERT_EQ(read(ready[0], &go, 1), 1);
        close(ready[0]);
        // Every other round lets the first save finish, so that kills also land between and during
        // later saves however slow the machine is; the other rounds may kill before the first one ends.
        if (round % 2 == 1) {
            ASSERT_EQ(read(saved[0], &go, 1), 1);
        }
        // A random moment: from at once to a few saves later.
        volatile uint32_t spin = 0;
        uint32_t until = static_cast<uint32_t>(rand15()) * 200u + static_cast<uint32_t>(rand15());
        while (spin < until) spin = spin + 1;
        ASSERT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        close(saved[0]);
        ASSERT_TRUE(WIFSIGNALED(status));
        ASSERT_EQ(WTERMSIG(status), SIGKILL);
        for (int f = 0; f < 4; f++) {
            int v = versionOf(f);
            ASSERT_GE(v, 0) << FILES[f] << " torn after kill " << round;
            if (v > 0) newerSeen++;
        }
    }
    // Saves that finished did leave the newer state behind, not only the first one.
    EXPECT_GT(newerSeen, 0);
    // And the files left behind load as one consistent state of profiles.
    resetProfiles();
    loadSettings();
    loadProfiles();
    EXPECT_GE(profileState.count, 1);
    EXPECT_LE(profileState.count, 3);
}
