#include "core/appstate.h"
#include "app/cursors.h"
#include "platform/image/image.h"
#include "platform/os/files.h"
#include "platform/os/os.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string writePicture(int width, int height)
{
    ImageData img;
    img.width = width;
    img.height = height;
    img.hasAlpha = true;
    img.pixels.assign(static_cast<size_t>(width) * height * 4, 0);
    // First pixel: blue 10, green 20, red 30, alpha 40 (BGRA).
    img.pixels[0] = 10;
    img.pixels[1] = 20;
    img.pixels[2] = 30;
    img.pixels[3] = 40;
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(imageEncodeTga(img, true, &bytes));
    std::string path = "/tmp/ostrimar-cursor-test-" + std::to_string(getpid()) + "-" + std::to_string(width) + ".tga";
    EXPECT_TRUE(osWriteFile(path.c_str(), bytes.data(), static_cast<int32_t>(bytes.size())));
    return path;
}

}  // namespace

TEST(Cursors, PictureBecomesRgbaWithItsAlpha)
{
    std::string path = writePicture(2, 3);
    std::vector<uint8_t> rgba;
    int w = 0;
    int h = 0;
    ASSERT_TRUE(loadCursorPicture(path.c_str(), &rgba, &w, &h));
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 3);
    ASSERT_EQ(rgba.size(), 2u * 3u * 4u);
    EXPECT_EQ(rgba[0], 30);
    EXPECT_EQ(rgba[1], 20);
    EXPECT_EQ(rgba[2], 10);
    EXPECT_EQ(rgba[3], 40);
    std::remove(path.c_str());
}

TEST(Cursors, MissingDamagedOrOversizedPicturesAreRefused)
{
    std::vector<uint8_t> rgba;
    int w = 0;
    int h = 0;
    EXPECT_FALSE(loadCursorPicture("/tmp/ostrimar-no-such-cursor.tga", &rgba, &w, &h));
    std::string bad = "/tmp/ostrimar-cursor-test-bad-" + std::to_string(getpid()) + ".tga";
    ASSERT_TRUE(osWriteFile(bad.c_str(), "not a picture", 13));
    EXPECT_FALSE(loadCursorPicture(bad.c_str(), &rgba, &w, &h));
    std::remove(bad.c_str());
    std::string big = writePicture(300, 1);
    EXPECT_FALSE(loadCursorPicture(big.c_str(), &rgba, &w, &h));
    std::remove(big.c_str());
}

TEST(Cursors, HeadlessKeepsTheSystemCursor)
{
    resetOs();
    ASSERT_TRUE(osInit(true));
    resetAppState();
    EXPECT_FALSE(setProgramCursor(CURSOR_ARROW));  // no data folder, and no display
    setSystemCursor();
    resetOs();
}

TEST(Cursors, WindowIconComesFromTheDataFolder)
{
    resetOs();
    resetAppState();
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (!osInit(false)) GTEST_SKIP() << "no SDL video driver";
    if (!osCreateWindow("Ostrimar", 800, 600, false)) {
        resetOs();
        GTEST_SKIP() << "no window on this driver";
    }
    std::string dir = "/tmp/ostrimar-icon-test-" + std::to_string(getpid()) + "/";
    ASSERT_TRUE(osCreateDirectory(dir.c_str()) || osFolderExists(dir.c_str()));
    std::snprintf(app.dataDir, sizeof app.dataDir, "%s", dir.c_str());
    EXPECT_FALSE(setProgramIcon());  // no icon.tga yet: the window keeps the system's icon

    std::string picture = writePicture(64, 64);
    std::string icon = dir + "icon.tga";
    ASSERT_EQ(std::rename(picture.c_str(), icon.c_str()), 0);
    EXPECT_TRUE(setProgramIcon());

    std::remove(icon.c_str());
    rmdir(dir.c_str());
    resetOs();
}
