// Saving under faults: every open, write, fsync, rename and close of each save path made to fail
// in turn (the OS layer's fault switch), a settings folder that is a file, a FIFO, a 1 GB sparse
// file or a symbolic link loop where a state file should be, a file size limit, no home folder,
// and level files that cannot be read. Files on disk are always the old or the new ones, the
// player is told once in plain words, and memory never claims a save that did not happen.
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/dialogport.h"
#include "game/level.h"
#include "game/outcome.h"
#include "persist_helpers.h"
#include "platform/os/dirs.h"
#include "resources/files.h"
#include "trophies/trophylayout.h"

namespace {

const char* const FILES[4] = {"settings.dat", "profiles.dat", "records.dat", "hiscore.dat"};
const int ERRNOS[4] = {ENOSPC, EIO, EACCES, EROFS};


void setVersion(int v)
{
    resetProfiles();
    const char* names[3] = {"Ann", "Bob", "Cid"};
    for (int i = 0; i <= v && i < 3; i++) createProfile(names[i]);
    persist.settings.musicVolume = 10 * (v + 1);
    for (auto& mode : recordsState.records)
        for (LevelRecord& r : mode) r.results[0] = v + 1;
    for (auto& mode : profileState.hiscores)
        for (HiscoreEntry& h : mode) h.score = 1000 * (v + 1);
}

class SaveFaults : public PersistTest {
protected:
    void SetUp() override
    {
        PersistTest::SetUp();
        ShownBoxes::texts().clear();
        dialogPort.showMessageBox = ShownBoxes::box;
        resetDialogPort();
    }
    void TearDown() override
    {
        osFailFileOperation(0, 0);
        dialogPort.showMessageBox = nullptr;
        resetDialogPort();
        PersistTest::TearDown();
    }
    // Forgets an earlier report, as a save that succeeded in between does.
    void newReport()
    {
        noteSaveSucceeded();
        persist.errorBoxOpen = false;
        persist.errorPending = false;
        persist.writeErrorBoxes = 0;
        ShownBoxes::texts().clear();
    }
    // Operations one successful run of save makes.
    template <class F> int operationsOf(F save)
    {
        osFailFileOperation(1 << 30, 0);
        EXPECT_TRUE(save());
        int n = osFileOperations();
        osFailFileOperation(0, 0);
        return n;
    }
};

} // namespace

TEST_F(SaveFaults, EveryFailingOperationOfTheStateFilesLeavesOldOrNewFilesAndIsToldOnce)
{
    std::vector<uint8_t> versions[2][4];
    for (int v = 0; v < 2; v++) {
        setVersion(v);
        ASSERT_TRUE(saveAll());
        for (int f = 0; f < 4; f++) versions[v][f] = fileBytes(path(FILES[f]));
    }
    int ops = operationsOf([] { return saveAll(); });
    ASSERT_EQ(ops, 4 * 8);  // per file: open, write, fsync, close, rename, folder open, fsync, close
    int injected = 0, failedSaves = 0;
    for (int error : ERRNOS) {
        for (int n = 1; n <= ops; n++) {
            setVersion(0);
            ASSERT_TRUE(saveAll());
            newReport();
            setVersion(1);
            int savesBefore = persist.saveCount;
            osFailFileOperation(n, error);
            bool ok = saveAll();
            injected += filesState.failures;
            osFailFileOperation(0, 0);
            EXPECT_FALSE(ok) << "operation " << n;
            failedSaves += ok ? 0 : 1;
            for (int f = 0; f < 4; f++) {
                std::vector<uint8_t> now = fileBytes(path(FILES[f]));
                EXPECT_TRUE(now == versions[0][f] || now == versions[1][f]) << FILES[f] << " torn, operation " << n;
            }
            // Told once, in plain words naming a file or the folder and why.
            ASSERT_EQ(ShownBoxes::texts().size(), 1u) << "operation " << n;
            EXPECT_NE(ShownBoxes::texts()[0].find(std::strerror(error)), std::string::npos) << ShownBoxes::texts()[0];
            EXPECT_NE(ShownBoxes::texts()[0].find(folder), std::string::npos) << ShownBoxes::texts()[0];
            EXPECT_EQ(persist.saveCount, savesBefore);  // no save is counted that did not happen
            // The game goes on with what it has in memory.
            EXPECT_EQ(profileState.count, 2);
            EXPECT_EQ(persist.settings.musicVolume, 20);
            // Told once: the next failing save says nothing more.
            osFailFileOperation(1, error);
            EXPECT_FALSE(saveAll());
            osFailFileOperation(0, 0);
            EXPECT_EQ(ShownBoxes::texts().size(), 1u);
        }
    }
    EXPECT_EQ(injected, 4 * ops);
    EXPECT_EQ(failedSaves, 4 * ops);
    RecordProperty("faultsInjected", injected);
}

TEST_F(SaveFaults, EveryFailingOperationOfATrophyFileOrTheShelfLayoutKeepsTheOldOne)
{
    ASSERT_TRUE(createProfile("Ann"));
    uint8_t oldFlags[TROPHY_FILE_SIZE] = {};
    uint8_t newFlags[TROPHY_FILE_SIZE] = {};
    newFlags[3] = 1;
    int ops = operationsOf([&] { return writeTrophyFile(0, newFlags); });
    ASSERT_EQ(ops, 8);
    resetTrophyLayout();
    uint8_t oldLayout[TROPHY_LAYOUT_BYTES];
    trophyLayoutToBytes(oldLayout);
    ASSERT_TRUE(saveTrophyLayout());
    for (int error : ERRNOS) {
        for (int n = 1; n <= ops; n++) {
            ASSERT_TRUE(writeTrophyFile(0, oldFlags));
            newReport();
            osFailFileOperation(n, error);
            EXPECT_FALSE(writeTrophyFile(0, newFlags));
            osFailFileOperation(0, 0);
            std::vector<uint8_t> now = fileBytes(path("+ann.trp"));
            EXPECT_TRUE(now == std::vector<uint8_t>(oldFlags, oldFlags + TROPHY_FILE_SIZE) ||
                        now == std::vector<uint8_t>(newFlags, newFlags + TROPHY_FILE_SIZE));
            ASSERT_EQ(ShownBoxes::texts().size(), 1u);
            EXPECT_NE(ShownBoxes::texts()[0].find(std::strerror(error)), std::string::npos);

            resetTrophyLayout();
            ASSERT_TRUE(saveTrophyLayout());
            std::vector<uint8_t> before = fileBytes(path("trophy.cfg"));
            ASSERT_EQ(before, std::vector<uint8_t>(oldLayout, oldLayout + TROPHY_LAYOUT_BYTES));
            newReport();
            trophyLayout.slots[2].x = 12.0f;
            uint8_t newLayout[TROPHY_LAYOUT_BYTES];
            trophyLayoutToBytes(newLayout);
            int saves = trophyLayout.saves;
            osFailFileOperation(n, error);
            EXPECT_FALSE(saveTrophyLayout());
            osFailFileOperation(0, 0);
            EXPECT_EQ(trophyLayout.saves, saves);
            now = fileBytes(path("trophy.cfg"));
            EXPECT_TRUE(now == std::vector<uint8_t>(oldLayout, oldLayout + TROPHY_LAYOUT_BYTES) ||
                        now == std::vector<uint8_t>(newLayout, newLayout + TROPHY_LAYOUT_BYTES));
            ASSERT_EQ(ShownBoxes::texts().size(), 1u);
            const std::string& said = ShownBoxes::texts()[0];
            EXPECT_TRUE(said.find(path("trophy.cfg")) != std::string::npos ||
                        said.find("folder " + folder + ":") != std::string::npos)
                << said;
        }
    }
}

TEST_F(SaveFaults, WhenTheFolderIsTheCauseTheSentenceNamesTheFolder)
{
    // The settings folder's place is taken by a file: no file of the save can be written.
    putFile(folder, "x", 1);
    EXPECT_FALSE(saveAll());
    ASSERT_EQ(ShownBoxes::texts().size(), 1u);
    const std::string& said = ShownBoxes::texts()[0];
    EXPECT_NE(said.find("folder " + folder + ":"), std::string::npos) << said;
    EXPECT_EQ(said.find("hiscore.dat"), std::string::npos) << said;
    EXPECT_NE(said.find(std::strerror(ENOTDIR)), std::string::npos) << said;
    EXPECT_EQ(persist.writeErrorBoxes, 1);
}

TEST_F(SaveFaults, AFileSizeLimitIsAFailedWriteNotASignalThatEndsTheGame)
{
    makeFolder();
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        struct rlimit limit = {1024, 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::vector<uint8_t> big(51655, 7);
        bool ok = osWriteFileAtomic(path("big.sav").c_str(), big.data(), static_cast<int32_t>(big.size()));
        _exit(!ok && osLastError() == EFBIG ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(exists(path("big.sav")));
}

TEST_F(SaveFaults, AFifoInPlaceOfAStateFileIsAnErrorNotAFrozenGame)
{
    makeFolder();
    ASSERT_EQ(mkfifo(path("profiles.dat").c_str(), 0644), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(5);  // a read that blocks ends the child by SIGALRM
        loadSettings();
        loadProfiles();
        bool named = std::strstr(persist.readErrorText, "profiles.dat") != nullptr &&
                     std::strstr(persist.readErrorText, "not a regular file") != nullptr;
        _exit(named ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // A save does not write into the FIFO either.
    EXPECT_FALSE(saveAll());
    ASSERT_EQ(ShownBoxes::texts().size(), 1u);
    EXPECT_NE(ShownBoxes::texts()[0].find("profiles.dat"), std::string::npos);
}

TEST_F(SaveFaults, AHugeSparseFileOrALinkLoopIsRefusedBeforeReadingWithASentenceNamingIt)
{
    makeFolder();
    int fd = ::open(path("settings.dat").c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, off_t(1) << 30), 0);
    ::close(fd);
    loadSettings();
    EXPECT_NE(std::strstr(persist.readErrorText, (folder + "/settings.dat").c_str()), nullptr) << persist.readErrorText;
    EXPECT_NE(std::strstr(persist.readErrorText, "file too large"), nullptr) << persist.readErrorText;
    EXPECT_EQ(persist.settings.musicVolume, 100);  // nothing of it was taken

    persist.readErrorText[0] = 0;
    ASSERT_EQ(symlink("records.dat", path("records.dat").c_str()), 0);
    loadRecords();
    EXPECT_NE(std::strstr(persist.readErrorText, "records.dat"), nullptr);
    EXPECT_NE(std::strstr(persist.readErrorText, std::strerror(ELOOP)), nullptr) << persist.readErrorText;
}

TEST_F(SaveFaults, WithoutHomeAnInstalledGameUsesThePasswordHomeOrSavesNothing)
{
    // An installed layout: PREFIX/bin and PREFIX/share/ostrimar.
    std::string prefix = root + "/prefix";
    ASSERT_EQ(std::system(("mkdir -p '" + prefix + "/bin' '" + prefix + "/share/ostrimar'").c_str()), 0);
    char data[OS_PATH_MAX];
    bool portable = true;
    resetOsDirs();
    ASSERT_TRUE(osLocateData(root.c_str(), (prefix + "/bin").c_str(), data, sizeof data, &portable));
    ASSERT_FALSE(portable);
    std::snprintf(app.dataDir, sizeof app.dataDir, "%.4000s/", data);
    persist.folderOverride[0] = 0;
    std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    std::string savedXdg = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    unsetenv("HOME");
    unsetenv("XDG_DATA_HOME");
    std::string used = settingsFolder();
    EXPECT_EQ(used.find(prefix), std::string::npos) << used;
    EXPECT_EQ(used.rfind("/.local/share/ostrimar/settings"), used.size() - 31) << used;
    // No home at all: nothing is saved, and the player is told so.
    osDirs.noPasswdHome = true;
    EXPECT_STREQ(settingsFolder(), "");
    EXPECT_FALSE(saveAll());
    ASSERT_EQ(ShownBoxes::texts().size(), 1u);
    EXPECT_NE(ShownBoxes::texts()[0].find("no home folder"), std::string::npos);
    EXPECT_FALSE(exists(prefix + "/share/ostrimar/settings"));
    if (!savedHome.empty()) setenv("HOME", savedHome.c_str(), 1);
    if (!savedXdg.empty()) setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
    resetOsDirs();
    app.dataDir[0] = 0;
}

TEST_F(SaveFaults, ALevelFileThatCannotBeReadIsTheLoadingErrorNotAWonLevel)
{
    static int exits = 0;
    exits = 0;
    fileTable.exitHook = [](int) { ++exits; };
    std::string data = root + "/Data";
    ASSERT_EQ(std::system(("mkdir -p '" + data + "/levels'").c_str()), 0);
    putFile(data + "/levels/pack1_01.lvl", "", 0);
    resetFiles();
    ASSERT_TRUE(osSetCurrentDirectory(data.c_str()));
    beginLevel(0, ModeAdventure);
    EXPECT_EQ(exits, 1);
    EXPECT_NE(std::strstr(fileTable.lastFatalText, "levels/pack1_01.lvl: the file is empty"), nullptr)
        << fileTable.lastFatalText;
    // The folder itself a symbolic link loop.
    ASSERT_EQ(std::system(("rm -rf '" + data + "/levels' && ln -s levels '" + data + "/levels'").c_str()), 0);
    beginLevel(0, ModeAdventure);
    EXPECT_EQ(exits, 2);
    EXPECT_NE(std::strstr(fileTable.lastFatalText, std::strerror(ELOOP)), nullptr) << fileTable.lastFatalText;
    // A level that is simply missing keeps its board of bare tiles (no error).
    ASSERT_EQ(std::system(("rm -f '" + data + "/levels' && mkdir '" + data + "/levels'").c_str()), 0);
    beginLevel(0, ModeAdventure);
    EXPECT_EQ(exits, 2);
    fileTable.exitHook = std::exit;
    resetFiles();
}
