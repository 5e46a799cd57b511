// The default data set's backdrop pictures, read from the Data folder the build makes through the
// game's file table and decoders: all eighteen present as 800 x 600 opaque JPEGs with alpha, each
// its own painting, and calm enough in the middle for the board to stand on.
#include "platform/image/image.h"
#include "platform/os/files.h"
#include "resources/files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const std::string kBackdropData = std::string(OSTRIMAR_BINARY_DIR) + "/Data";

class BackdropPictures : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetFileTable();
        resetFiles();
        ASSERT_TRUE(osSetCurrentDirectory(kBackdropData.c_str())) << "no " << kBackdropData;
        ASSERT_EQ(openArchive("jpeg.dat"), ArchiveStatus::Ok);
    }
    void TearDown() override
    {
        resetFileTable();
        resetFiles();
    }
    // Backdrop n decoded as the texture loader splits it: the JPEG and one alpha byte per pixel.
    bool backdropPicture(int n, ImageData& out, std::vector<uint8_t>& alpha)
    {
        char name[64];
        std::snprintf(name, sizeof name, "AnimBacks\\_a_back%d.jpg", n);
        int32_t size = 0;
        uint8_t* data = readFile(name, &size, false);
        if (!data) return false;
        std::vector<uint8_t> b(data, data + size);
        size_t split = imageJpegAlphaSplit(b.data(), b.size());
        if (split == 0 || !imageDecodeJpeg(b.data(), split, &out)) return false;
        alpha.assign(b.begin() + static_cast<std::ptrdiff_t>(split), b.end());
        return true;
    }
};

// Mean luminance and its spread over a rectangle of the picture.
void regionStats(const ImageData& img, int x0, int y0, int x1, int y1, double& mean, double& spread)
{
    double sum = 0, sum2 = 0;
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const uint8_t* p = &img.pixels[(size_t(y) * img.width + x) * 4];
            double l = 0.3 * p[0] + 0.59 * p[1] + 0.11 * p[2];
            sum += l;
            sum2 += l * l;
            ++n;
        }
    mean = sum / n;
    spread = std::sqrt(std::fmax(0.0, sum2 / n - mean * mean));
}

TEST_F(BackdropPictures, EighteenOpaquePicturesOfTheScreensSize)
{
    for (int n = 0; n < 18; ++n) {
        ImageData img;
        std::vector<uint8_t> alpha;
        ASSERT_TRUE(backdropPicture(n, img, alpha)) << "backdrop " << n << " is missing or does not decode";
        EXPECT_EQ(img.width, 800) << n;
        EXPECT_EQ(img.height, 600) << n;
        ASSERT_EQ(alpha.size(), size_t(800) * 600) << n;
        size_t clear = 0;
        for (uint8_t a : alpha) clear += a != 255;
        EXPECT_EQ(clear, 0u) << "backdrop " << n << " has see-through pixels";
    }
    ImageData none;
    std::vector<uint8_t> alpha;
    EXPECT_FALSE(backdropPicture(18, none, alpha));
}

TEST_F(BackdropPictures, EachIsItsOwnPaintingAndTheMiddleStaysCalm)
{
    std::vector<ImageData> all(18);
    for (int n = 0; n < 18; ++n) {
        std::vector<uint8_t> alpha;
        ASSERT_TRUE(backdropPicture(n, all[n], alpha)) << n;
        double mean = 0, spread = 0;
        // the middle, where the board lies: neither black nor glaring
        regionStats(all[n], 200, 150, 600, 450, mean, spread);
        EXPECT_GT(mean, 25.0) << "backdrop " << n << " is too dark in the middle";
        EXPECT_LT(mean, 210.0) << "backdrop " << n << " is too bright in the middle";
        // a painting, not a flat fill
        regionStats(all[n], 0, 0, 800, 600, mean, spread);
        EXPECT_GT(spread, 12.0) << "backdrop " << n << " is nearly flat";
    }
    // no two pictures the same: compare a coarse grid of samples
    for (int a = 0; a < 18; ++a)
        for (int b = a + 1; b < 18; ++b) {
            double diff = 0;
            int n = 0;
            for (int y = 10; y < 600; y += 40)
                for (int x = 10; x < 800; x += 40) {
                    const uint8_t* p = &all[a].pixels[(size_t(y) * 800 + x) * 4];
                    const uint8_t* q = &all[b].pixels[(size_t(y) * 800 + x) * 4];
                    for (int c = 0; c < 3; ++c) diff += std::fabs(double(p[c]) - q[c]);
                    ++n;
                }
            EXPECT_GT(diff / n, 20.0) << "backdrops " << a << " and " << b << " look alike";
        }
}

}  // namespace
