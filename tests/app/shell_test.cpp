// The real main loop through the headless OS layer: a script of messages, a fake clock with a
// fixed frame time, and a data folder made for each test.
#include "core/appstate.h"
#include "core/requestlog.h"
#include "effects/backdrops.h"
#include "effects/effects.h"
#include "trophies/trophies.h"
#include "app/screens.h"
#include "app/shell.h"
#include "audio/audio.h"
#include "game/level.h"
#include "graphics/device.h"
#include "graphics/textures.h"
#include "menus/dialogflow.h"
#include "menus/menus.h"
#include "persist/profile.h"
#include "persist/settings.h"
#include "platform/image/decodeahead.h"
#include "platform/image/image.h"
#include "platform/os/files.h"
#include "platform/os/os.h"
#include "platform/sound/sound.h"
#include "resources/files.h"
#include "resources/texts.h"
#include "ui/debugoverlay.h"
#include "ui/font.h"
#include "ui/messages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <functional>
#include <string>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace {

// UTF-16 little-endian text file with a byte-order mark; lines end with CR LF.
std::string utf16File(const std::string& ascii)
{
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

void writeFileBytes(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// A small valid picture (JPEG, or TGA with alpha) for the splash and loading pictures, which
// the splash screen loads as required files.
std::string pictureFile(bool tga)
{
    ImageData img;
    img.width = 8;
    img.height = 8;
    img.pixels.assign(8 * 8 * 4, 200);
    std::vector<uint8_t> bytes;
    bool ok = tga ? imageEncodeTga(img, true, &bytes) : imageEncodeJpeg(img, 90, &bytes);
    EXPECT_TRUE(ok);
    return std::string(bytes.begin(), bytes.end());
}

// Glyph metrics: a 64 x 64 picture in 8 columns, every cell 8 pixels wide, cell i drawing the
// code unit 32 + i.
std::string fontMetricsFile()
{
    std::string m(4104, '\0');
    auto put16 = [&](size_t at, int v) {
        m[at] = char(v & 0xFF);
        m[at + 1] = char(v >> 8);
    };
    put16(0, 64);
    put16(2, 64);
    put16(4, 8);
    for (int i = 0; i < 1024; ++i) {
        put16(8 + size_t(i) * 4, 8);
        put16(10 + size_t(i) * 4, 32 + i);
    }
    return m;
}

void removeTree(const std::string& path)
{
    std::string cmd = "rm -rf '" + path + "'";
    int rc = std::system(cmd.c_str());
    (void)rc;
}

// Per-frame inspection: the OS layer calls this before each frame with the frame's number.
// Every run also records the current screen before each frame and the first frame that
// follows the deferred load.
std::function<void(uint32_t)>* frameHook = nullptr;
std::vector<Screen*> screenAt;
int loadedBeforeFrame = -1;

void callFrameHook(uint32_t poll, void*)
{
    screenAt.push_back(currentScreen());
    if (loadedBeforeFrame < 0 && shell.deferredLoads > 0) loadedBeforeFrame = static_cast<int>(poll);
    if (frameHook && *frameHook) (*frameHook)(poll);
}

int exitCalls = 0;
void countExit(int)
{
    exitCalls++;
}

class ShellLoop : public ::testing::Test {
protected:
    std::string root;
    std::string data;
    std::function<void(uint32_t)> hook;
    bool pace = false;
    static constexpr uint32_t CLOCK_START = 5000;

    void SetUp() override
    {
        char tmpl[] = "/tmp/ostrimar-shell-test-XXXXXX";
        char* d = mkdtemp(tmpl);
        ASSERT_NE(d, nullptr);
        root = d;
        data = root + "/Data";
        makeDataSet("eng", false);
        resetEverything();
    }

    void TearDown() override
    {
        frameHook = nullptr;
        resetEverything();
        resetFiles();
        removeTree(root);
    }

    void resetEverything()
    {
        resetOs();
        resetAppState();
        resetScreens();
        resetShell();
        resetPersist();
        resetAudio();
        resetProfiles();
        resetFileTable();
        resetTextTables();
        resetTextState();
        resetDeviceState();
        gpuResetStats();
        clearRequests();
        resetMenus();
        resetBackdrop();
        resetDecodeAhead();
        exitCalls = 0;
        screenAt.clear();
        loadedBeforeFrame = -1;
        fileTable.exitHook = countExit;
        // A private lock folder, so a game running on this machine does not interfere.
        std::snprintf(osState.lockDir, sizeof osState.lockDir, "%s", root.c_str());
    }

    // The data set: the splash pictures (the second one optional), settings.txt with the language
    // (none when lang is null), both language folders with their three text files (each with a
    // marker naming the folder).
    void makeDataSet(const char* lang, bool splash2)
    {
        removeTree(data);
        ASSERT_EQ(::mkdir(data.c_str(), 0755), 0);
        ASSERT_EQ(::mkdir((data + "/txt").c_str(), 0755), 0);
        std::string settings = lang ? std::string("lang=") + lang + "\r\n" : std::string("other=1\r\n");
        writeFileBytes(data + "/settings.txt", utf16File(settings));
        for (int folder = 1; folder <= 2; folder++) {
            std::string dir = data + "/txt/" + std::to_string(folder);
            ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0);
            std::string n = std::to_string(folder);
            writeFileBytes(dir + "/menutext.txt", utf16File("menufolder=" + n + "\r\n"));
            writeFileBytes(dir + "/strings.txt", utf16File("keytoresume=press " + n + "\r\n"));
            writeFileBytes(dir + "/tips.txt", utf16File("tipfolder=" + n + "\r\n"));
        }
        writeFileBytes(data + "/splash1.jpg", pictureFile(false));
        writeFileBytes(data + "/loadscreen.jpg", pictureFile(false));
        writeFileBytes(data + "/loadbar.tga", pictureFile(true));
        if (splash2) writeFileBytes(data + "/splash2.jpg", pictureFile(false));
        // The board's required pictures (a missing one would end the load).
        ASSERT_EQ(::mkdir((data + "/figures").c_str(), 0755), 0);
        ASSERT_EQ(::mkdir((data + "/field").c_str(), 0755), 0);
        for (const char* strip : {"aqua", "blue", "green", "red", "orange", "lilac", "white", "yellow"})
            writeFileBytes(data + "/figures/" + strip + ".tga", pictureFile(true));
        for (const char* name : {"field/field0.tga", "field/field1.tga", "field/field2.tga", "zep2.tga", "bonus1.tga",
                                 "bonus2.tga"})
            writeFileBytes(data + "/" + name, pictureFile(true));
        writeFileBytes(data + "/flare.jpg", pictureFile(false));
        // The font (its picture, glyph metrics of an 8 x 8 grid, the glow picture): required.
        writeFileBytes(data + "/font.tga", pictureFile(true));
        writeFileBytes(data + "/font.dat", fontMetricsFile());
        writeFileBytes(data + "/podsvet.jpg", pictureFile(false));
        // The menu tree and the panel pictures.
        writeFileBytes(data + "/menu.txt", utf16File("main=\r\nmain\r\nexit\r\n\r\n"));
        writeFileBytes(data + "/white.jpg", pictureFile(false));
        for (const char* name : {"_a_menutex.jpg", "_a_baloon.jpg"})  // a JPEG and its 8 x 8 alpha bytes
            writeFileBytes(data + "/" + name, pictureFile(false) + std::string(64, '\xC8'));
        writeFileBytes(data + "/button.tga", pictureFile(true));
        // The backdrop catalogue with one picture object, and the sixteen scenes it must find
        // (each a name and an object count of 0).
        ASSERT_EQ(::mkdir((data + "/AnimBacks").c_str(), 0755), 0);
        writeFileBytes(data + "/AnimBacks/gameobjs.txt", "[skies/]\r\nsky_test = sky.tga\r\n[/skies]\r\n");
        writeFileBytes(data + "/AnimBacks/sky.tga", pictureFile(true));
        for (int n = 0; n < 16; n++)
            writeFileBytes(data + "/AnimBacks/level" + std::to_string(n) + ".lev", std::string(68, '\0'));
    }

    // Runs the game from the test's folder with a fake clock and a frame time of stepMs; after
    // maxFrames frames the OS layer closes the window.
    int run(const std::vector<OsScriptStep>& script, uint32_t maxFrames, uint32_t stepMs,
            uint32_t clockStart = CLOCK_START)
    {
        EXPECT_TRUE(osSetCurrentDirectory(root.c_str()));
        osUseFakeClock(clockStart, stepMs);
        EXPECT_TRUE(osSetScript(script.data(), static_cast<int>(script.size())));
        osSetMaxIdlePolls(maxFrames);
        frameHook = &hook;
        osSetIdleHook(callFrameHook, nullptr);
        ShellOptions options;
        options.headless = true;
        options.paceFrames = pace;
        return shellMain(options);
    }

    static OsScriptStep key(uint32_t frame, int vk) { return {frame, {WM_KEYDOWN, static_cast<uint32_t>(vk), 0}}; }
    static OsScriptStep msg(uint32_t frame, uint32_t message, uint32_t wParam = 0, uint32_t lParam = 0)
    {
        return {frame, {message, wParam, lParam}};
    }
};

// With 100 ms frames the first frame draws with 0 ms, so a splash of 4000 ms ends while drawing
// frame 40, and the deferred load runs right after it.
constexpr uint32_t SPLASH_END_FRAME = 40;

}  // namespace

TEST_F(ShellLoop, StartsWithSplashAndWindowThenClosesWithoutSaving)
{
    bool deviceDuringRun = false;
    int presentsBeforeLoop = -1;
    int splashLoadsBeforeLoop = -1;
    hook = [&](uint32_t poll) {
        deviceDuringRun = gpuCreated();
        if (poll == 0) {
            presentsBeforeLoop = gpuStats().presents;
            splashLoadsBeforeLoop = countRequests("loadSplashPictures");
        }
    };
    sound.mixer.paused = 1;
    int pausedAtFirstFrame = -1;
    std::function<void(uint32_t)> inner = hook;
    hook = [&](uint32_t poll) {
        if (pausedAtFirstFrame < 0) pausedAtFirstFrame = sound.mixer.paused;
        if (inner) inner(poll);
    };
    audio.music = audio.loadedMusic = 77;  // as if a module were loaded: shutdown forgets it
    int rc = run({msg(3, WM_CLOSE)}, 100, 100);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(shell.framesRun, 3);
    EXPECT_TRUE(deviceDuringRun);
    EXPECT_FALSE(gpuCreated());
    // Before the loop: settings, the device with one blank frame, the splash pictures.
    EXPECT_EQ(presentsBeforeLoop, 1);
    EXPECT_EQ(splashLoadsBeforeLoop, 1);
    // No "settings.dat": a first start's defaults.
    EXPECT_FALSE(persist.settingsFileRead);
    EXPECT_EQ(persist.settings.musicVolume, 100);
    EXPECT_EQ(gpuStats().presents, 1 + 3);
    // The window was activated when it was shown, before the splash became current.
    EXPECT_EQ(pausedAtFirstFrame, 0);
    EXPECT_FLOAT_EQ(splashScreen.fadeTimer, 0.0f);
    EXPECT_EQ(audio.music, 0u);  // shutdownAudio ran
    EXPECT_EQ(sound.initialised, 0);
    // Closed during the splash: nothing to save, and the state files are not written.
    EXPECT_EQ(persist.saveRequests, 0);
    EXPECT_FALSE(osFolderExists((data + "/settings").c_str()));
    EXPECT_EQ(shell.deferredLoads, 0);
    EXPECT_EQ(app.settingsLoaded, 0);
    EXPECT_EQ(exitCalls, 0);
    EXPECT_EQ(std::string(app.dataDir), data + "/");
}

// The lock is the settings folder's: a copy that writes the same folder runs (here a lock taken
// by hand), so this start leaves at once with status 0; a lock of another folder stops nothing.
TEST_F(ShellLoop, SecondInstanceOfTheSameSettingsFolderExitsAtOnce)
{
    makeDataSet("eng", true);
    char name[64];
    osLockNameFor("Ostrimar", (data + "/settings").c_str(), name, sizeof name);
    std::string lockPath = root + "/" + name + ".lock";
    int fd = open(lockPath.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    int rc = run({}, 50, 100);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(shell.framesRun, 0);
    EXPECT_EQ(gpuStats().presents, 0);
    EXPECT_EQ(osState.idlePolls, 0u);
    close(fd);
    unlink(lockPath.c_str());
}

TEST_F(ShellLoop, ALockOfAnotherSettingsFolderDoesNotStopTheStart)
{
    makeDataSet("eng", true);
    char name[64];
    osLockNameFor("Ostrimar", (root + "/elsewhere/settings").c_str(), name, sizeof name);
    std::string lockPath = root + "/" + name + ".lock";
    int fd = open(lockPath.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(run({}, 5, 100), 0);
    EXPECT_GT(shell.framesRun, 0);
    EXPECT_NE(std::string(osState.lockPath), lockPath);
    close(fd);
    unlink(lockPath.c_str());
}

TEST_F(ShellLoop, ActivationResetsTheFrameTime)
{
    // Inactive from frame 5 to frame 8: the loop sleeps and draws nothing.
    std::vector<float> frameMsSeen;
    std::vector<int> framesRunSeen;
    float clockAtDeactivate = 0.0f;
    std::vector<int> pausedSeen;
    hook = [&](uint32_t poll) {
        frameMsSeen.push_back(app.frameMs);
        framesRunSeen.push_back(shell.framesRun);
        pausedSeen.push_back(sound.mixer.paused);
        if (poll == 5) clockAtDeactivate = app.globalTimeMs;
    };
    run({msg(5, WM_ACTIVATE, WA_INACTIVE), msg(8, WM_ACTIVATE, WA_ACTIVE), msg(12, WM_CLOSE)}, 100, 50);
    ASSERT_GE(frameMsSeen.size(), 12u);
    EXPECT_FLOAT_EQ(frameMsSeen[4], 50.0f);
    // Polls 5, 6, 7 ran no frame: each waited for the next message instead (no fixed sleep).
    EXPECT_EQ(framesRunSeen[6], 5);
    EXPECT_EQ(framesRunSeen[8], 5);
    EXPECT_EQ(osState.waits, 3u);
    EXPECT_EQ(osState.sleptUs, 0u);
    // Right after the activation the frame time is 0, and the next frame measures only its own step.
    EXPECT_FLOAT_EQ(frameMsSeen[8], 0.0f);
    EXPECT_FLOAT_EQ(frameMsSeen[9], 50.0f);
    // Sound stops while the window is inactive and runs again when it is activated.
    ASSERT_GE(pausedSeen.size(), 10u);
    EXPECT_EQ(pausedSeen[4], 0);
    EXPECT_EQ(pausedSeen[6], 1);
    EXPECT_EQ(pausedSeen[9], 0);
    // The splash's activate ran (it starts the leave once the prompt shows).
    EXPECT_FLOAT_EQ(splashScreen.fadeTimer, 1.0f);
    // No time passed for the game while inactive: 5 frames of 50 before, then 0, 50, 50.
    EXPECT_FLOAT_EQ(clockAtDeactivate, 5 * 50.0f);
    // Four more frames after the activation, each measuring only its own 50 ms.
    EXPECT_FLOAT_EQ(app.globalTimeMs, 5 * 50.0f + 4 * 50.0f);
}

TEST_F(ShellLoop, FpsTextFollowsTheThreeHundredMillisecondRule)
{
    std::vector<std::string> texts;
    hook = [&](uint32_t) { texts.push_back(app.fpsText); };
    run({}, 12, 70);
    // Frame times 70 each: 350 after the 5th frame -> 1000/350*5; 50 carried over, so the next
    // text comes after 4 more frames (50 + 280 = 330) -> 1000/330*4.
    ASSERT_GE(texts.size(), 11u);
    EXPECT_EQ(texts[4], "");
    EXPECT_EQ(texts[5], "14.3 FPS");
    EXPECT_EQ(texts[8], "14.3 FPS");
    EXPECT_EQ(texts[9], "12.1 FPS");
    EXPECT_EQ(app.fpsAccumMs, 30u + 70u * 3);  // frames 9, 10 and 11
}

TEST_F(ShellLoop, TimerWrapAroundGivesTheRightFrameTime)
{
    std::vector<uint32_t> raw;
    hook = [&](uint32_t) { raw.push_back(app.frameMsRaw); };
    run({}, 12, 100, 0xFFFFFF00u);
    ASSERT_GE(raw.size(), 12u);
    for (size_t i = 1; i < raw.size(); i++) EXPECT_EQ(raw[i], 100u) << "frame " << i;
    EXPECT_FLOAT_EQ(app.globalTimeMs, 1200.0f);
}

TEST_F(ShellLoop, DeferredLoadLearnsEveryLevelsBackdrop)
{
    // Two level files: the scan stops at the first missing one and keeps each file's backdrop.
    ASSERT_EQ(::mkdir((data + "/levels").c_str(), 0755), 0);
    writeFileBytes(data + "/levels/pack1_01.lvl", "back=5\r\n");
    writeFileBytes(data + "/levels/pack1_02.lvl", "back=12\r\n");
    writeFileBytes(data + "/levels/pack1_04.lvl", "back=9\r\n");
    resetLevelFiles();
    run({}, 60, 100);
    ASSERT_EQ(shell.deferredLoads, 1);
    EXPECT_EQ(levelFiles.levelCount, 2);
    EXPECT_EQ(levelFiles.levelBackdrop[0], 5);
    EXPECT_EQ(levelFiles.levelBackdrop[1], 12);
    EXPECT_EQ(levelFiles.levelBackdrop[3], 0);
    EXPECT_EQ(exitCalls, 0);
    resetLevelFiles();
}

// The first splash picture is decoded on a second thread while the window and the device are
// made; the splash takes that picture (its decode is not run again), and the texture the first
// frame draws holds the very texels a decode at the splash's load gives.
TEST_F(ShellLoop, TheFirstSplashPictureDecodedAheadGivesTheSamePicture)
{
    ImageData img;
    img.width = 96;
    img.height = 64;
    img.pixels.resize(96 * 64 * 4);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 96; x++) {
            uint8_t* p = &img.pixels[(static_cast<size_t>(y) * 96 + x) * 4];
            p[0] = static_cast<uint8_t>(x * 2);
            p[1] = static_cast<uint8_t>(y * 3);
            p[2] = static_cast<uint8_t>((x ^ y) * 4);
            p[3] = 255;
        }
    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(imageEncodeJpeg(img, 90, &jpeg));
    writeFileBytes(data + "/splash1.jpg", std::string(jpeg.begin(), jpeg.end()));
    ImageData plain;
    ASSERT_TRUE(imageDecode(jpeg.data(), jpeg.size(), &plain));
    EXPECT_EQ(imageDecodesTakenAhead(), 0);
    std::vector<uint8_t> drawn;
    int takenAtFirstFrame = -1;
    hook = [&](uint32_t poll) {
        if (poll != 0) return;
        takenAtFirstFrame = imageDecodesTakenAhead();
        Texture* t = findTexture("splash1.jpg");
        ASSERT_NE(t, nullptr);
        int pitch = 0;
        const uint8_t* texels = static_cast<const uint8_t*>(gpuLockTexture(t->texture, &pitch));
        ASSERT_NE(texels, nullptr);
        for (int y = 0; y < plain.height; y++) drawn.insert(drawn.end(), texels + y * pitch, texels + y * pitch + 96 * 4);
        gpuUnlockTexture(t->texture);
    };
    run({msg(2, WM_CLOSE)}, 10, 100);
    EXPECT_EQ(takenAtFirstFrame, 1);
    ASSERT_EQ(drawn.size(), plain.pixels.size());
    EXPECT_TRUE(drawn == plain.pixels);
    EXPECT_EQ(countRequests("drawSplashPicture"), 2);
}

TEST_F(ShellLoop, NoSecondSplashLoadsAfterTheFirst)
{
    run({}, 60, 100);
    EXPECT_EQ(loadedBeforeFrame, static_cast<int>(SPLASH_END_FRAME) + 1);
    EXPECT_EQ(shell.deferredLoads, 1);
    EXPECT_EQ(splashScreen.secondShowing, 0);
    EXPECT_EQ(countRequests("drawSplashPicture"), static_cast<int>(SPLASH_END_FRAME) + 1);
}

TEST_F(ShellLoop, SecondSplashDelaysTheLoadByOneSplash)
{
    makeDataSet("eng", true);
    run({}, 100, 100);
    EXPECT_EQ(splashScreen.secondShowing, 1);
    // The second splash starts at 0 in the frame after the first ends, and takes 40 frames more.
    EXPECT_EQ(loadedBeforeFrame, static_cast<int>(SPLASH_END_FRAME) + 41);
}

TEST_F(ShellLoop, DeferredLoadReadsTextsCreatesSettingsAndSavesAtExit)
{
    ASSERT_FALSE(osFolderExists((data + "/settings").c_str()));
    ASSERT_EQ(::mkdir((data + "/effects").c_str(), 0755), 0);
    writeFileBytes(data + "/effects/spark.par", "parfrequency=7\r\n");
    writeFileBytes(data + "/trophy.txt", "trophy1=cup.tga\r\ntrophylum17=glow17.tga\r\n");
    resetEffects();
    resetTrophies();
    int presentsBefore = 0, presentsAfter = 0, callsBefore = 0, callsAfter = 0;
    int deviceOpened = -1, samplesLoaded = -1;
    uint32_t musicLoaded = 1;
    hook = [&](uint32_t poll) {
        if (poll == SPLASH_END_FRAME) {
            presentsBefore = gpuStats().presents;
            callsBefore = splashScreen.progressCalls;
        }
        if (poll == SPLASH_END_FRAME + 1) {
            presentsAfter = gpuStats().presents;
            callsAfter = splashScreen.progressCalls;
            // The sound device opened (SDL's dummy driver in tests); the data set has no sounds
            // and no music, so the game runs silent.
            deviceOpened = sound.initialised;
            samplesLoaded = audio.sampleCount;
            musicLoaded = audio.music;
        }
    };
    run({msg(SPLASH_END_FRAME + 5, WM_CLOSE)}, 100, 100);
    // Each file registered during the load drew a loading frame (the four text files at least).
    EXPECT_GE(callsAfter - callsBefore, 4);
    EXPECT_EQ(presentsAfter - presentsBefore, 1 + (callsAfter - callsBefore));
    EXPECT_EQ(shell.deferredLoads, 1);
    EXPECT_EQ(exitCalls, 0);
    EXPECT_TRUE(osFolderExists((data + "/settings").c_str()));
    EXPECT_EQ(app.settingsLoaded, 1);
    EXPECT_EQ(shell.languageFolder, 2);
    // The overlay flag is cleared after the load.
    EXPECT_EQ(app.debugOverlayOn, 0);
    // Every module's loader ran once, in order.
    // The particle effects were read from the data set's "effects" folder.
    ASSERT_GE(findEffect("spark"), 0);
    EXPECT_FLOAT_EQ(effects.table[findEffect("spark")].frequency, 7.0f);
    // The trophy definitions were read from "trophy.txt".
    EXPECT_EQ(trophies.definitionsLoaded, 1);
    EXPECT_STREQ(trophies.image[0], "cup.tga");
    EXPECT_STREQ(trophies.glow[16], "glow17.tga");
    // The backdrop catalogue was read with its picture.
    EXPECT_EQ(backdrop.ready, 1);
    ASSERT_EQ(backdrop.catalogueCount, 1);
    EXPECT_NE(backdrop.catalogue[0].texture, nullptr);
    EXPECT_EQ(deviceOpened, 1);
    EXPECT_EQ(samplesLoaded, 0);
    EXPECT_EQ(musicLoaded, 0u);
    // The four state files were written at exit, with the defaults of a first start.
    EXPECT_EQ(persist.saveCount, 1);
    EXPECT_EQ(osFileSize((data + "/settings/settings.dat").c_str()), 44);
    EXPECT_EQ(osFileSize((data + "/settings/profiles.dat").c_str()), 0);
    EXPECT_EQ(osFileSize((data + "/settings/records.dat").c_str()), 68112);
    EXPECT_EQ(osFileSize((data + "/settings/hiscore.dat").c_str()), 2040);
    // The menu tree came from the data set's menu.txt ("main" lost its first line, as always).
    ASSERT_NE(findDialog("main"), nullptr);
    ASSERT_EQ(findDialog("main")->childCount, 1);
    EXPECT_TRUE(nodeIs(findDialog("main")->children[0], "exit"));
    // The text tables were freed at shutdown; the loaded ones came from folder 2.
}

TEST_F(ShellLoop, SettingsComeBeforeTheWindowAndProfilesWithTheDeferredLoad)
{
    ASSERT_EQ(::mkdir((data + "/settings").c_str(), 0755), 0);
    Settings s;
    s.musicVolume = 55;
    s.fullscreen = 0;
    s.profileCount = 2;
    s.currentProfile = 1;
    s.reserved = 1234;
    writeFileBytes(data + "/settings/settings.dat", std::string(reinterpret_cast<const char*>(&s), sizeof s));
    Profile two[2] = {};
    two[0].name[0] = u'A';
    two[1].name[0] = u'B';
    two[1].score[0] = 777;
    writeFileBytes(data + "/settings/profiles.dat", std::string(reinterpret_cast<const char*>(two), sizeof two));
    bool windowedBeforeLoad = false;
    int profilesBeforeLoad = -1;
    hook = [&](uint32_t poll) {
        if (poll == 0) {
            windowedBeforeLoad = !osState.fullscreen && persist.settings.musicVolume == 55;
            profilesBeforeLoad = profileState.count;
        }
    };
    run({msg(SPLASH_END_FRAME + 5, WM_CLOSE)}, 100, 100);
    EXPECT_TRUE(windowedBeforeLoad);
    EXPECT_EQ(profilesBeforeLoad, 0);
    EXPECT_EQ(profileState.count, 2);
    EXPECT_EQ(profileState.current, 1);
    EXPECT_EQ(profileState.profiles[1].score[0], 777);
    // Written again at exit: the field the game does not use kept its value.
    Settings back;
    std::FILE* f = std::fopen((data + "/settings/settings.dat").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fread(&back, 1, sizeof back, f), sizeof back);
    std::fclose(f);
    EXPECT_EQ(back.reserved, 1234);
    EXPECT_EQ(back.musicVolume, 55);
    EXPECT_EQ(back.profileCount, 2);
    EXPECT_EQ(osFileSize((data + "/settings/profiles.dat").c_str()), 320);
}

TEST_F(ShellLoop, LanguageOtherThanEnglishSelectsFolderOne)
{
    struct Case {
        const char* lang;
        int folder;
    } cases[] = {{"eng", 2}, {"rus", 1}, {"deu", 1}, {"ENG", 1}, {nullptr, 1}};
    for (const Case& c : cases) {
        makeDataSet(c.lang, false);
        resetEverything();
        std::string marker;
        hook = [&](uint32_t) {
            const char16_t* v = text("menufolder");
            if (v && marker.empty()) marker = std::string(1, static_cast<char>(v[0]));
        };
        run({}, SPLASH_END_FRAME + 3, 100);
        EXPECT_EQ(shell.languageFolder, c.folder) << (c.lang ? c.lang : "(none)");
        EXPECT_EQ(marker, std::to_string(c.folder)) << (c.lang ? c.lang : "(none)");
        EXPECT_EQ(exitCalls, 0);
    }
}

TEST_F(ShellLoop, MissingTextFileIsFatalWithTheLoadingError)
{
    std::remove((data + "/txt/2/tips.txt").c_str());
    run({}, SPLASH_END_FRAME + 3, 100);
    EXPECT_GE(exitCalls, 1);
    EXPECT_NE(std::string(fileTable.lastFatalText).find("tips.txt"), std::string::npos);
}

TEST_F(ShellLoop, AMissingFontIsFatalWithTheLoadingError)
{
    // The picture: the texture layer's message.
    std::remove((data + "/font.tga").c_str());
    run({}, SPLASH_END_FRAME + 3, 100);
    EXPECT_GE(exitCalls, 1);
    EXPECT_STREQ(textureManager.lastMessage, "Couldn't load texture: font.tga");
    // The glyph metrics: the file layer's message.
    makeDataSet("eng", false);
    resetEverything();
    exitCalls = 0;
    std::remove((data + "/font.dat").c_str());
    run({}, SPLASH_END_FRAME + 3, 100);
    EXPECT_GE(exitCalls, 1);
    EXPECT_NE(std::string(fileTable.lastFatalText).find("font.dat"), std::string::npos);
}

TEST_F(ShellLoop, KeyDuringTheSplashCutsItShort)
{
    // A key at frame 10 (timer 900 after its render) jumps to 3500: 5 frames more reach 4000.
    run({key(10, 'A')}, 30, 100);
    EXPECT_EQ(loadedBeforeFrame, 10 + 5 + 1);
    // It did not start the leave: that needs a key at 3500 or later.
    EXPECT_FLOAT_EQ(splashScreen.fadeTimer, 0.0f);
    EXPECT_EQ(currentScreen(), &splashScreen);
}

TEST_F(ShellLoop, KeyInTheLastHalfSecondLeavesAfterTheLoadWithoutAnotherKey)
{
    // Frame 37 draws with the timer at 3600; the click lands at 3700.
    run({msg(37, WM_LBUTTONDOWN)}, 60, 100);
    EXPECT_FLOAT_EQ(splashScreen.fadeTimer, 800.0f);
    // Load after frame 40; the prompt frames 41.. advance the fade from 1 by 100 each: 801 while
    // drawing frame 48, and the switch at the end of that frame.
    ASSERT_GT(screenAt.size(), 49u);
    EXPECT_EQ(screenAt[48], &splashScreen);
    EXPECT_EQ(screenAt[49], &menuScreen);
    EXPECT_STREQ(currentDialogName(), "newprofile");
    EXPECT_EQ(audio.requestedOrder, 0);  // the main theme started when the logo phase ended
    EXPECT_EQ(audio.currentOrder, 0);
}

TEST_F(ShellLoop, PromptWaitsForAKeyThenSwitchesAtTheEndOfTheFrame)
{
    int menuRendersAt60 = -1;
    hook = [&](uint32_t poll) {
        if (poll == 60) menuRendersAt60 = countRequests("menuRenderSetup");
    };
    run({key(60, VK_SPACE)}, 80, 100);
    ASSERT_GT(screenAt.size(), 69u);
    EXPECT_EQ(screenAt[59], &splashScreen);
    // Frame 60's update starts the fade at 1; frames 61..68 add 100 each: 801 > 800 in frame 68.
    EXPECT_EQ(screenAt[68], &splashScreen);
    EXPECT_EQ(screenAt[69], &menuScreen);
    EXPECT_EQ(menuRendersAt60, 0);
    EXPECT_EQ(countRequests("menuRenderSetup"), 80 - 69);
}

TEST_F(ShellLoop, TypedCodesThroughTheLoop)
{
    std::vector<OsScriptStep> script;
    // To the menu first.
    script.push_back(key(45, VK_RETURN));
    // Frame 60: the map mode is set by the hook; type ZAGRUM one letter per frame...
    const char* unlock = "ZAGRUM";
    for (int i = 0; unlock[i]; i++) script.push_back(key(61 + i, unlock[i]));
    // ...then "GRUM" with its last two letters in one frame: both arrive, in order.
    script.push_back(key(70, 'G'));
    script.push_back(key(71, 'R'));
    script.push_back(key(73, 'U'));
    script.push_back(key(73, 'M'));
    // The overlay code on the game screen, and the cheat-key code there.
    const char* overlay = "ZQV";
    for (int i = 0; overlay[i]; i++) script.push_back(key(80 + i, overlay[i]));
    const char* cheat = "BRIMSTOK";
    for (int i = 0; cheat[i]; i++) script.push_back(key(90 + i, cheat[i]));
    uint8_t unlockedAt70 = 9;
    uint8_t unlockedAt75 = 9;
    hook = [&](uint32_t poll) {
        if (poll == 60) {
            ASSERT_EQ(currentScreen(), &menuScreen);
            setMenuMode(MENU_MODE_MAP);
        }
        if (poll == 70) unlockedAt70 = screens.mapUnlocked;
        if (poll == 75) {
            unlockedAt75 = screens.mapUnlocked;
            requestScreen(&gameScreen);
        }
    };
    resetDebugOverlay();
    resetMessages();
    run(script, 110, 100);
    EXPECT_EQ(unlockedAt70, 1);
    EXPECT_EQ(unlockedAt75, 0);
    EXPECT_EQ(countRequests("resetProfileListValue"), 1);
    EXPECT_EQ(currentScreen(), &gameScreen);
    EXPECT_EQ(app.debugOverlayOn, 1);
    EXPECT_GT(debugOverlay.framesDrawn, 0);
    EXPECT_EQ(screens.cheatKeysOn, 1);
    const char16_t* enabled = text("cheatkeyenabled");
    EXPECT_EQ(std::u16string(messages.status.text), enabled ? std::u16string(enabled) : u"cheatkeyenabled");
    // The game screen passed the keys on to the game's key handler as well.
    EXPECT_EQ(countRequests("gameKeyDown"), 11);
    EXPECT_STREQ(std::string(screens.cheatBuffer, 8).c_str(), "KOTSMIRB");
}

TEST_F(ShellLoop, RequestingTheCurrentScreenReactivatesIt)
{
    float fadeBefore = -1.0f;
    hook = [&](uint32_t poll) {
        if (poll == 3) {
            fadeBefore = splashScreen.fadeTimer;
            requestScreen(&splashScreen);
        }
    };
    run({}, 6, 100);
    EXPECT_FLOAT_EQ(fadeBefore, 0.0f);
    // The splash's activate ran again at the end of frame 3.
    EXPECT_FLOAT_EQ(splashScreen.fadeTimer, 1.0f);
    EXPECT_EQ(currentScreen(), &splashScreen);
}

TEST_F(ShellLoop, MouseMessagesReachTheScreenWithTheirPosition)
{
    int pressesAt = -1;
    hook = [&](uint32_t poll) {
        if (poll == 2) requestScreen(&gameScreen);
        if (poll == 5) pressesAt = countRequests("boardPress");
    };
    run({msg(4, WM_MOUSEMOVE, 0, packMousePosition(-3, 612)), msg(4, WM_LBUTTONDOWN),
         msg(4, WM_LBUTTONDBLCLK), msg(4, WM_RBUTTONDOWN), msg(4, WM_RBUTTONDBLCLK), msg(4, WM_MBUTTONDOWN),
         msg(4, WM_MBUTTONUP), msg(4, WM_KEYUP, 'A'), msg(4, WM_QUIT)},
        20, 100);
    EXPECT_EQ(app.mouseX, -3);
    EXPECT_EQ(app.mouseY, 612);
    EXPECT_EQ(pressesAt, -1);  // WM_QUIT ended the loop before poll 5
    EXPECT_EQ(countRequests("boardPress"), 1);
    EXPECT_EQ(countRequests("boardDoubleClick"), 1);
    EXPECT_EQ(countRequests("boardRightDown"), 1);
    EXPECT_EQ(countRequests("boardMiddleDown"), 1);
    EXPECT_EQ(countRequests("gameKeyDown"), 0);
}

TEST(ShellTiming, MeasureFrameTimeWrapsAndCarriesTheFpsRemainder)
{
    resetAppState();
    app.lastFrameTime = 0xFFFFFFF6u;
    measureFrameTime(0x0000000Au);
    EXPECT_EQ(app.frameMsRaw, 20u);
    EXPECT_FLOAT_EQ(app.frameMs, 20.0f);
    EXPECT_STREQ(app.fpsText, "");
    // Exactly 300 is not "more than 300".
    measureFrameTime(0x0000000Au + 280u);
    EXPECT_EQ(app.fpsAccumMs, 300u);
    EXPECT_STREQ(app.fpsText, "");
    measureFrameTime(0x0000000Au + 281u);
    EXPECT_STREQ(app.fpsText, "10.0 FPS");  // 1000 / 301 * 3 = 9.97
    EXPECT_EQ(app.fpsAccumMs, 1u);
    EXPECT_EQ(app.fpsFrames, 0);
    // A long frame leaves a remainder above 300: the next frame writes the text again.
    measureFrameTime(0x0000000Au + 281u + 1000u);
    EXPECT_STREQ(app.fpsText, "1.0 FPS");
    EXPECT_EQ(app.fpsAccumMs, 701u);
    measureFrameTime(0x0000000Au + 281u + 1010u);
    EXPECT_STREQ(app.fpsText, "1.4 FPS");  // 1000 / 711 * 1
    resetAppState();
}

TEST_F(ShellLoop, TheScreenshotKeyOnlyTakesAScreenshot)
{
    // F12 where any other key would end the splash (its last half second): a picture of the
    // frame is saved in the start folder and the splash goes on as if nothing was pressed.
    hook = [&](uint32_t poll) {
        if (poll == 37) osKeyEvent(VK_F12, true, false);
        if (poll == 38) osKeyEvent(VK_F12, false, false);
    };
    run({}, 60, 100);
    EXPECT_TRUE(osFileExists((root + "/screenshot000.png").c_str()));
    EXPECT_FALSE(osFileExists((root + "/screenshot001.png").c_str()));
    EXPECT_FLOAT_EQ(splashScreen.fadeTimer, 0.0f);
    EXPECT_EQ(currentScreen(), &splashScreen);
}

TEST_F(ShellLoop, EveryScreenshotKeyPressSavesOnePictureAndSaysWhere)
{
    // Ten quick taps in ten frames on the menu (down and up within the same frame), then two
    // taps within one frame: twelve pictures beside the data folder, each announced.
    std::vector<std::u16string> shown;
    int lastSeen = -1;
    hook = [&](uint32_t poll) {
        if (poll >= 60 && poll < 70) {
            osKeyEvent(VK_F12, true, false);
            osKeyEvent(VK_F12, false, false);
        }
        if (poll == 75) {
            for (int i = 0; i < 2; i++) {
                osKeyEvent(VK_F12, true, false);
                osKeyEvent(VK_F12, false, false);
            }
        }
        std::u16string now(messages.status.text);
        if (messages.status.timer > 0.0f && poll > 60 && (shown.empty() || shown.back() != now)) shown.push_back(now);
        lastSeen = static_cast<int>(poll);
    };
    resetMessages();
    run({key(45, VK_RETURN)}, 90, 100);
    ASSERT_GT(lastSeen, 80);
    EXPECT_EQ(currentScreen(), &menuScreen);
    for (int i = 0; i < 12; i++) {
        char name[32];
        std::snprintf(name, sizeof name, "/screenshot%03d.png", i);
        EXPECT_TRUE(osFileExists((root + name).c_str())) << name;
    }
    EXPECT_FALSE(osFileExists((root + "/screenshot012.png").c_str()));
    // A status message per picture, naming its file (the test tables lack the text: its key).
    ASSERT_EQ(shown.size(), 12u);
    EXPECT_NE(shown[0].find(u"screenshot000.png"), std::u16string::npos);
    EXPECT_NE(shown[11].find(u"screenshot011.png"), std::u16string::npos);
}

TEST_F(ShellLoop, PacedFramesNeverOutrunTheRefreshRate)
{
    // Frames that cost 2 ms on the fake clock: the loop sleeps the rest of each 60 Hz period,
    // so the game's frame time is one period and 60 frames span at least 59 periods.
    pace = true;
    std::vector<float> frameMs;
    hook = [&](uint32_t) { frameMs.push_back(app.frameMs); };
    run({}, 61, 2);
    ASSERT_EQ(frameMs.size(), 61u);
    for (size_t i = 3; i < frameMs.size(); i++) {
        EXPECT_GE(frameMs[i], 16.0f) << i;
        EXPECT_LE(frameMs[i], 17.0f) << i;
    }
    EXPECT_GE(osState.sleeps, 58u);
    EXPECT_GE(osState.sleptUs, 58u * 14000u);
    EXPECT_EQ(osState.waits, 0u);
}

TEST_F(ShellLoop, TheOptionsFullScreenChoiceSwitchesTheWindowAtOnce)
{
    int initial = -1;
    bool windowAfter = false;
    int resetsBefore = -1;
    hook = [&](uint32_t poll) {
        if (poll == 2) {
            initial = persist.settings.fullscreen;
            resetsBefore = device.resetCount;
            ASSERT_NE(dialogRoute.applyFullscreen, nullptr);
            dialogRoute.applyFullscreen(initial == 0);
        }
        if (poll == 4) windowAfter = osState.fullscreen;
    };
    run({}, 6, 50);
    ASSERT_TRUE(initial == 0 || initial == 1);
    EXPECT_EQ(persist.settings.fullscreen, 1 - initial);
    EXPECT_EQ(windowAfter, initial == 0);
    EXPECT_GT(device.resetCount, resetsBefore);
}

TEST_F(ShellLoop, FullScreenToggleIsRememberedInTheSettings)
{
    // F11 twice: the settings' field flips, the window follows, and a second press flips back.
    int initial = -1;
    int afterFirst = -1;
    bool windowAfterFirst = false;
    hook = [&](uint32_t poll) {
        if (poll == 1) initial = persist.settings.fullscreen;
        if (poll == 2 || poll == 5) osKeyEvent(VK_F11, true, false);
        if (poll == 4) {
            afterFirst = persist.settings.fullscreen;
            windowAfterFirst = osState.fullscreen;
        }
    };
    run({}, 8, 50);
    ASSERT_TRUE(initial == 0 || initial == 1);
    EXPECT_EQ(afterFirst, 1 - initial);
    EXPECT_EQ(windowAfterFirst, afterFirst == 1);
    EXPECT_EQ(shell.fullscreenToggles, 2);
    EXPECT_EQ(persist.settings.fullscreen, initial);
    EXPECT_EQ(osState.fullscreen, initial == 1);
}

// A state file that is there but cannot be read stops the game with one sentence naming it, and
// is left as it was (an empty game would overwrite it at the next save).
TEST_F(ShellLoop, AStateFileThatCannotBeReadStopsTheGameWithOneSentenceAndIsLeftAlone)
{
    std::string folder = data + "/settings";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    // A 1 GB sparse "settings.dat": refused from its size, before the window.
    FILE* f = std::fopen((folder + "/settings.dat").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    ASSERT_EQ(::truncate((folder + "/settings.dat").c_str(), off_t(1) << 30), 0);
    EXPECT_EQ(run({}, 5, 100), 1);
    EXPECT_NE(std::strstr(persist.readErrorText, (folder + "/settings.dat: file too large").c_str()), nullptr)
        << persist.readErrorText;
    EXPECT_EQ(osFileSize((folder + "/settings.dat").c_str()), 1 << 30);  // left as it was
    std::remove((folder + "/settings.dat").c_str());
    // A FIFO in place of "profiles.dat": the deferred load stops instead of freezing, nothing is
    // written over the player's files.
    resetEverything();
    ASSERT_EQ(::mkfifo((folder + "/profiles.dat").c_str(), 0644), 0);
    run({}, SPLASH_END_FRAME + 3, 100);
    EXPECT_NE(std::strstr(persist.readErrorText, (folder + "/profiles.dat: not a regular file").c_str()), nullptr)
        << persist.readErrorText;
    EXPECT_EQ(app.settingsLoaded, 0);
    EXPECT_FALSE(osFileExists((folder + "/settings.dat").c_str()));
}
