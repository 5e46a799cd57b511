// What the game plays from its first frame to the main menu, captured from the real audio path:
// the real main loop with the headless OS layer and the default data set, the sound device
// opened by the game itself (SDL's dummy driver in tests), and after every frame 50 ms of output
// mixed from the device's mixer as the device callback mixes it (soundMixNow). The audio state is
// left as a fresh process has it, so the start-up path is the one a player's game takes.
#include "dialog_helpers.h"

#include "app/screens.h"
#include "app/shell.h"
#include "audio/audio.h"
#include "platform/os/files.h"
#include "platform/os/os.h"
#include "platform/sound/sound.h"
#include "resources/files.h"

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr uint32_t FRAME_MS = 50;
constexpr int FRAME_SAMPLES = 44100 * static_cast<int>(FRAME_MS) / 1000;  // stereo frames a game frame lasts
constexpr int MENU_FRAMES = 60;  // three seconds of the menu

// Sums of squares, peaks and counts per phase of the run.
struct Capture {
    double splashSquares = 0, promptSquares = 0, menuSquares = 0;
    long splashCount = 0, promptCount = 0, menuCount = 0;
    float splashPeak = 0, promptPeak = 0, menuPeak = 0;
    bool keySent = false;
    int menuFrames = 0;
    std::vector<float> buffer = std::vector<float>(2 * FRAME_SAMPLES);
};

Capture capture;

void add(double& squares, long& count, float& peak, const std::vector<float>& b)
{
    for (float x : b) {
        squares += static_cast<double>(x) * x;
        peak = std::fmax(peak, std::fabs(x));
    }
    count += static_cast<long>(b.size());
}

double dbfs(double squares, long count) { return count ? 10.0 * std::log10(squares / count + 1e-20) : -200.0; }

// Before each frame: takes the output the previous frame left, then plays like a person who
// presses Enter at the prompt and waits on the first menu.
void captureStep(uint32_t, void*)
{
    Screen* s = currentScreen();
    if (s != &splashScreen && s != &menuScreen) return;
    soundMixNow(capture.buffer.data(), FRAME_SAMPLES);
    if (s == &splashScreen && !splashScreen.musicStarted) {
        add(capture.splashSquares, capture.splashCount, capture.splashPeak, capture.buffer);
    } else if (s == &splashScreen) {
        add(capture.promptSquares, capture.promptCount, capture.promptPeak, capture.buffer);
        // Two seconds of the prompt, then a key.
        if (!capture.keySent && splashScreen.promptTimer >= 2000.0f) {
            osPostMessage({WM_KEYDOWN, 13, 0});
            capture.keySent = true;
        }
    } else {
        add(capture.menuSquares, capture.menuCount, capture.menuPeak, capture.buffer);
        if (++capture.menuFrames == MENU_FRAMES) osPostMessage({WM_CLOSE, 0, 0});
    }
}

class MusicCapture : public ::testing::Test {
protected:
    std::string root;

    void SetUp() override
    {
        std::string skip, failure;
        root = firstStartFolder("music-capture", false, &skip, &failure);
        if (!skip.empty()) GTEST_SKIP() << skip;
        ASSERT_TRUE(failure.empty()) << failure;
        resetEverything();
        audio = AudioState{};  // as the program starts
        capture = Capture{};
    }

    void TearDown() override
    {
        resetEverything();
        resetAudio();
        if (!root.empty()) fs::remove_all(root);
    }

    void resetEverything()
    {
        resetRealLoop(root);
    }
};

} // namespace

TEST_F(MusicCapture, SongZeroIsHeardFromThePromptIntoTheMainMenu)
{
    ASSERT_TRUE(osSetCurrentDirectory(root.c_str()));
    osUseFakeClock(5000, FRAME_MS);
    osSetMaxIdlePolls(1000);  // a run that loses its way still ends
    osSetIdleHook(captureStep, nullptr);
    ShellOptions options;
    options.headless = true;
    EXPECT_EQ(shellMain(options), 0);

    ASSERT_TRUE(capture.keySent);
    ASSERT_EQ(capture.menuFrames, MENU_FRAMES);
    // The splash pictures are silent: nothing was asked for yet.
    EXPECT_GT(capture.splashCount, 0);
    EXPECT_EQ(capture.splashPeak, 0.0f);
    // From the prompt on, song 0 plays (the default module renders order 0 at about -24 dBFS);
    // the main menu keeps it. Nothing reaches full scale.
    EXPECT_GT(dbfs(capture.promptSquares, capture.promptCount), -40.0);
    EXPECT_GT(dbfs(capture.menuSquares, capture.menuCount), -40.0);
    EXPECT_GT(capture.promptPeak, 0.01f);
    EXPECT_LT(capture.promptPeak, 1.0f);
    EXPECT_LT(capture.menuPeak, 1.0f);
}
