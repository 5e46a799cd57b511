#pragma once
// Shared pieces of the graphics tests: a scratch data folder per test, pictures made in memory,
// the OpenGL device on a hidden offscreen window, and comparison against stored golden pictures.
//
// Golden pictures live in tests/golden/<name>.png. With OSTRIMAR_UPDATE_GOLDEN=1 in the
// environment a test rewrites its picture instead of comparing (look at every rewritten picture
// before committing it). On a mismatch the frame is written next to the build as
// <build>/golden-actual/<name>.png.
#include "core/appstate.h"
#include "graphics/device.h"
#include "graphics/draw.h"
#include "graphics/screenshot.h"
#include "graphics/textures.h"
#include "persist/settings.h"
#include "platform/gpu/gpu.h"
#include "platform/image/image.h"
#include "platform/os/files.h"
#include "resources/files.h"
#include "resources/texts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

inline std::string gfxScratchDir()
{
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string dir = std::string(OSTRIMAR_BINARY_DIR) + "/scratch/graphics/" + info->test_suite_name() + "." + info->name();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir);
    return dir;
}

inline void gfxWriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<uint8_t> gfxReadBytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// A picture filled by f(x, y) -> 0xAARRGGBB.
template <typename F>
ImageData makePicture(int w, int h, F f)
{
    ImageData img;
    img.width = w;
    img.height = h;
    img.hasAlpha = true;
    img.pixels.resize(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t c = f(x, y);
            uint8_t* p = &img.pixels[(size_t(y) * w + x) * 4];
            p[0] = uint8_t(c);
            p[1] = uint8_t(c >> 8);
            p[2] = uint8_t(c >> 16);
            p[3] = uint8_t(c >> 24);
        }
    return img;
}

inline uint32_t pixelAt(const ImageData& img, int x, int y)
{
    const uint8_t* p = &img.pixels[(size_t(y) * img.width + x) * 4];
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// True when two 0xAARRGGBB colours differ by at most tol in each of red, green and blue.
inline bool nearRgb(uint32_t a, uint32_t b, int tol = 2)
{
    for (int s = 0; s < 24; s += 8) {
        int d = int((a >> s) & 255) - int((b >> s) & 255);
        if (d < -tol || d > tol) return false;
    }
    return true;
}

inline std::vector<uint8_t> encodedJpeg(const ImageData& img, int quality = 95)
{
    std::vector<uint8_t> out;
    EXPECT_TRUE(imageEncodeJpeg(img, quality, &out));
    return out;
}

inline std::vector<uint8_t> encodedTga(const ImageData& img, bool alpha)
{
    std::vector<uint8_t> out;
    EXPECT_TRUE(imageEncodeTga(img, alpha, &out));
    return out;
}

// Records the fatal exits the texture manager and file table request instead of ending the run.
struct ExitRecorder {
    static int& exits()
    {
        static int n = 0;
        return n;
    }
    static void hook(int) { ++exits(); }
};

// Runs some presented frames with the GL device's damage check on (every frame it keeps in part is
// also drawn whole and compared) and gives the device's counters over them.
template <class Frames>
GpuStats withDamageCheck(Frames frames)
{
    gpuSetDamageCheck(true);
    gpuResetStats();
    frames();
    GpuStats stats = gpuStats();
    gpuSetDamageCheck(false);
    return stats;
}

// The GL device's counters over the same run of idle frames drawn without the still cache and
// then with it (each after one run that lets the device choose its cut), with the damage check on.
struct StillCacheFigures {
    GpuStats without, with;
};
template <class Frames>
StillCacheFigures withAndWithoutStillCache(Frames frames)
{
    StillCacheFigures f;
    gpuSetStillCache(false);
    frames();
    f.without = withDamageCheck(frames);
    gpuSetStillCache(true);
    frames();
    f.with = withDamageCheck(frames);
    return f;
}

// Fresh graphics state over a scratch data folder; headless device unless the test asks for GL.
class GraphicsTest : public testing::Test {
protected:
    void SetUp() override
    {
        releaseAllTextures();
        resetDeviceState();
        resetDrawState();
        resetPersist();
        resetAppState();
        resetFileTable();
        ExitRecorder::exits() = 0;
        fileTable.exitHook = ExitRecorder::hook;
        textureManager.lastMessage[0] = 0;
        textureManager.lastCaption[0] = 0;
        dir = gfxScratchDir();
        resetFiles();
        ASSERT_TRUE(osSetCurrentDirectory(dir.c_str()));
    }
    void TearDown() override
    {
        releaseAllTextures();
        resetDeviceState();
        resetFileTable();
        if (window) gpuDestroyHiddenWindow(window);
        window = nullptr;
    }
    // The OpenGL device on a hidden offscreen window.
    void startGl()
    {
        window = gpuCreateHiddenWindow(800, 600);
        ASSERT_NE(window, nullptr) << "no offscreen video driver (run with SDL_VIDEODRIVER=offscreen)";
        ASSERT_TRUE(createDevice(window));
        ASSERT_FALSE(gpuIsHeadless());
        setProjectionForClient();
    }
    void startHeadless()
    {
        ASSERT_TRUE(createDevice(nullptr));
        ASSERT_TRUE(gpuIsHeadless());
        setProjectionForClient();
    }
    void put(const std::string& name, const std::vector<uint8_t>& bytes) { gfxWriteBytes(dir + "/" + name, bytes); }
    ImageData frame()
    {
        ImageData img;
        EXPECT_TRUE(captureFrame(&img));
        return img;
    }

    std::string dir;
    void* window = nullptr;
};

// Compares the frame with tests/golden/<name>.png: a pixel differs when a colour channel is off by
// more than 8; at most 0.05 % of the pixels may differ (rasteriser rounding at edges).
inline void expectGolden(const ImageData& frame, const std::string& name)
{
    std::string path = std::string(OSTRIMAR_SOURCE_DIR) + "/tests/golden/" + name + ".png";
    std::vector<uint8_t> png;
    ASSERT_TRUE(imageEncodePng(frame, &png));
    const char* update = std::getenv("OSTRIMAR_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        gfxWriteBytes(path, png);
        return;
    }
    std::vector<uint8_t> stored = gfxReadBytes(path);
    ASSERT_FALSE(stored.empty()) << "no golden picture " << path << " (OSTRIMAR_UPDATE_GOLDEN=1 makes it)";
    ImageData want;
    ASSERT_TRUE(imageDecode(stored.data(), stored.size(), &want));
    ASSERT_EQ(want.width, frame.width);
    ASSERT_EQ(want.height, frame.height);
    int differing = 0;
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x)
            if (!nearRgb(pixelAt(frame, x, y), pixelAt(want, x, y), 8)) ++differing;
    int allowed = frame.width * frame.height / 2000;
    if (differing > allowed) gfxWriteBytes(std::string(OSTRIMAR_BINARY_DIR) + "/golden-actual/" + name + ".png", png);
    EXPECT_LE(differing, allowed) << name << ": " << differing << " pixels differ; frame written to "
                                  << OSTRIMAR_BINARY_DIR << "/golden-actual/" << name << ".png";
}

// Opens the built data set at `data` as the deferred load does: the three archives, then the
// text tables of the language folder txt/2 ("tips.txt" too when `tips`). Leaves app.dataDir and
// the current folder at the data set. False when a folder cannot be entered.
inline bool openBuiltDataSet(const std::string& data, bool tips)
{
    std::snprintf(app.dataDir, sizeof app.dataDir, "%s/", data.c_str());
    if (!osSetCurrentDirectory(app.dataDir)) return false;
    openArchive("targa.dat");
    openArchive("jpeg.dat");
    openArchive("texts.dat");
    if (!osSetCurrentDirectory((data + "/txt/2/").c_str())) return false;
    loadTextFile("menutext.txt");
    loadTextFile("strings.txt");
    if (tips) loadTextFile("tips.txt");
    return osSetCurrentDirectory(app.dataDir);
}
