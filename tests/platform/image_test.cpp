// Picture decoding (every TGA variant, JPEG, PNG), damaged files, scaling and encoding.
#include "platform/image/image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Builds a TGA by hand: 2x2 pixels (top row red, green; bottom row blue, white), in the given
// depth, origin and compression.
std::vector<uint8_t> handTga(int bits, bool topOrigin, bool rle)
{
    const uint8_t px[4][4] = {{0, 0, 255, 255}, {0, 255, 0, 128}, {255, 0, 0, 64}, {255, 255, 255, 0}};  // BGRA
    std::vector<uint8_t> t(18, 0);
    t[2] = rle ? 10 : 2;
    t[12] = 2;
    t[14] = 2;
    t[16] = uint8_t(bits);
    t[17] = uint8_t((topOrigin ? 0x20 : 0) | (bits == 32 ? 8 : 0));
    const int order[4] = {topOrigin ? 0 : 2, topOrigin ? 1 : 3, topOrigin ? 2 : 0, topOrigin ? 3 : 1};
    const int bpp = bits / 8;
    if (!rle) {
        for (int i : order) t.insert(t.end(), px[i], px[i] + bpp);
    } else {
        // one raw packet of two pixels, then one run packet repeating... the two remaining are
        // different, so use a raw packet for each row
        for (int row = 0; row < 2; ++row) {
            t.push_back(0x01);  // raw, 2 pixels
            for (int k = 0; k < 2; ++k) t.insert(t.end(), px[order[row * 2 + k]], px[order[row * 2 + k]] + bpp);
        }
    }
    return t;
}

uint32_t at(const ImageData& img, int x, int y)
{
    uint32_t v;
    std::memcpy(&v, &img.pixels[(size_t(y) * img.width + x) * 4], 4);
    return v;
}

ImageData solid(int w, int h, uint32_t argb)
{
    ImageData img;
    img.width = w;
    img.height = h;
    img.pixels.resize(size_t(w) * h * 4);
    for (size_t i = 0; i < img.pixels.size(); i += 4) std::memcpy(&img.pixels[i], &argb, 4);
    return img;
}

TEST(ImageTga, EveryDepthOriginAndCompressionDecodesTheSame)
{
    for (int bits : {24, 32})
        for (bool top : {true, false})
            for (bool rle : {false, true}) {
                std::vector<uint8_t> t = handTga(bits, top, rle);
                ImageData img;
                ASSERT_TRUE(imageDecode(t.data(), t.size(), &img)) << bits << top << rle;
                EXPECT_EQ(img.width, 2);
                EXPECT_EQ(img.hasAlpha, bits == 32);
                uint32_t a = bits == 32 ? 0 : 0xFF000000u;
                EXPECT_EQ(at(img, 0, 0), bits == 32 ? 0xFFFF0000u : 0xFFFF0000u);
                EXPECT_EQ(at(img, 1, 0), (bits == 32 ? 0x8000FF00u : 0xFF00FF00u)) << bits << top << rle;
                EXPECT_EQ(at(img, 0, 1), (bits == 32 ? 0x400000FFu : 0xFF0000FFu));
                EXPECT_EQ(at(img, 1, 1), 0x00FFFFFFu | a);
            }
}

TEST(ImageTga, TruncatedFilesAreRejected)
{
    for (bool rle : {false, true}) {
        std::vector<uint8_t> t = handTga(32, true, rle);
        for (size_t cut : {size_t(0), size_t(10), size_t(18), t.size() - 1}) {
            ImageData img;
            EXPECT_FALSE(imageDecodeTga(t.data(), cut, &img)) << rle << " " << cut;
            EXPECT_TRUE(img.pixels.empty());
        }
    }
    // a run-length packet claiming more pixels than remain in the file
    std::vector<uint8_t> t = handTga(24, true, true);
    t[18] = 0x7F;
    ImageData img;
    EXPECT_FALSE(imageDecode(t.data(), t.size(), &img));
    // a picture wider than any texture the game makes is refused before anything is reserved
    std::vector<uint8_t> wide(18 + 5000 * 3, 0x80);
    std::memcpy(wide.data(), "\0\0\x02\0\0\0\0\0\0\0\0\0\x88\x13\x01\0\x18\x20", 18);
    EXPECT_FALSE(imageDecode(wide.data(), wide.size(), &img));
    wide[12] = 0x00;
    wide[13] = 0x10;  // 4096 wide: the largest accepted
    wide.resize(18 + 4096 * 3);
    EXPECT_TRUE(imageDecode(wide.data(), wide.size(), &img));
    EXPECT_EQ(img.width, IMAGE_MAX_SIDE);
    // nonsense headers
    std::vector<uint8_t> zero(40, 0);
    EXPECT_FALSE(imageDecode(zero.data(), zero.size(), &img));
    EXPECT_FALSE(imageDecode(nullptr, 100, &img));
}

TEST(ImageJpeg, RoundTripAndDamage)
{
    ImageData img = solid(40, 24, 0xFF3080C0);
    std::vector<uint8_t> jpg;
    ASSERT_TRUE(imageEncodeJpeg(img, 95, &jpg));
    EXPECT_EQ(imageKind(jpg.data(), jpg.size()), ImageKind::Jpeg);
    ImageData back;
    ASSERT_TRUE(imageDecode(jpg.data(), jpg.size(), &back));
    EXPECT_EQ(back.width, 40);
    EXPECT_EQ(back.height, 24);
    EXPECT_FALSE(back.hasAlpha);
    uint32_t c = at(back, 20, 12);
    EXPECT_NEAR(int((c >> 16) & 255), 0x30, 3);
    EXPECT_NEAR(int(c & 255), 0xC0, 3);
    EXPECT_EQ(c >> 24, 255u);
    for (size_t cut : {jpg.size() / 2, jpg.size() - 2, size_t(3)}) {
        ImageData bad;
        EXPECT_FALSE(imageDecodeJpeg(jpg.data(), cut, &bad)) << cut;
        EXPECT_TRUE(bad.pixels.empty());
    }
}

TEST(ImageJpegAlpha, SplitAtTheFirstEndMarker)
{
    const uint8_t bytes[] = {0xFF, 0xD8, 0x00, 0xFF, 0xD9, 1, 2, 0xFF, 0xD9};
    EXPECT_EQ(imageJpegAlphaSplit(bytes, sizeof bytes), 5u);
    EXPECT_EQ(imageJpegAlphaSplit(bytes, 4), 0u);
    const uint8_t tail[] = {0x00, 0xFF};
    EXPECT_EQ(imageJpegAlphaSplit(tail, sizeof tail), 0u);
}

TEST(ImageScale, ShrinkAveragesAndGrowInterpolates)
{
    ImageData img = solid(4, 1, 0xFF000000);
    img.pixels[8 + 2] = img.pixels[12 + 2] = 200;  // right half red 200
    ImageData half;
    ASSERT_TRUE(imageScale(img, 2, 1, &half));
    EXPECT_EQ(at(half, 0, 0), 0xFF000000u);
    EXPECT_EQ(at(half, 1, 0), 0xFFC80000u);
    ImageData one;
    ASSERT_TRUE(imageScale(img, 1, 1, &one));
    EXPECT_EQ((at(one, 0, 0) >> 16) & 255, 100u);
    ImageData wide;
    ASSERT_TRUE(imageScale(img, 8, 2, &wide));
    EXPECT_EQ(at(wide, 0, 0), 0xFF000000u);
    EXPECT_EQ(at(wide, 7, 1), 0xFFC80000u);
    EXPECT_FALSE(imageScale(img, 0, 4, &wide));
    EXPECT_FALSE(imageScale(ImageData(), 4, 4, &wide));
    EXPECT_EQ(imageRoundUpPow2(800), 1024);
    EXPECT_EQ(imageRoundUpPow2(64), 64);
    EXPECT_EQ(imageRoundUpPow2(1), 1);
}

// The filter as a plain two-pass computation over whole float copies of the picture: what the
// scaler, which keeps only a few rows at a time, must give byte for byte.
void referencePass(const float* src, int n, int srcStride, float* dst, int m, int dstStride)
{
    double scale = static_cast<double>(n) / m;
    for (int o = 0; o < m; ++o) {
        double acc[4] = {0, 0, 0, 0};
        if (scale <= 1.0) {
            double x = std::max(0.0, (o + 0.5) * scale - 0.5);
            int i0 = static_cast<int>(x), i1 = std::min(i0 + 1, n - 1);
            double f = x - i0;
            for (int c = 0; c < 4; ++c) acc[c] = src[i0 * srcStride + c] * (1 - f) + src[i1 * srcStride + c] * f;
        } else {
            double x0 = o * scale, x1 = (o + 1) * scale;
            for (int i = static_cast<int>(x0); i < n && i < x1; ++i) {
                double wgt = std::min<double>(i + 1, x1) - std::max<double>(i, x0);
                for (int c = 0; c < 4; ++c) acc[c] += src[i * srcStride + c] * wgt;
            }
            for (double& a : acc) a /= scale;
        }
        for (int c = 0; c < 4; ++c) dst[o * dstStride + c] = static_cast<float>(acc[c]);
    }
}

std::vector<uint8_t> referenceScale(const ImageData& src, int w, int h)
{
    std::vector<float> in(src.pixels.begin(), src.pixels.end());
    std::vector<float> mid(static_cast<size_t>(w) * src.height * 4), fin(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < src.height; ++y)
        referencePass(&in[static_cast<size_t>(y) * src.width * 4], src.width, 4, &mid[static_cast<size_t>(y) * w * 4], w, 4);
    for (int x = 0; x < w; ++x) referencePass(&mid[x * 4], src.height, w * 4, &fin[x * 4], h, w * 4);
    std::vector<uint8_t> out(fin.size());
    for (size_t i = 0; i < fin.size(); ++i) out[i] = static_cast<uint8_t>(std::clamp(std::floor(fin[i] + 0.5f), 0.0f, 255.0f));
    return out;
}

TEST(ImageScale, RowByRowGivesTheWholePictureFiltersResultAtAnyRatio)
{
    uint32_t seed = 12345;
    const int sizes[][4] = {{97, 61, 128, 64},  {400, 300, 512, 512}, {61, 97, 16, 8},  {300, 7, 64, 256},
                            {5, 400, 5, 3},     {33, 1, 64, 4},         {1, 1, 8, 8},     {250, 250, 256, 256},
                            {100, 90, 37, 113}, {13, 200, 200, 13}};
    for (const auto& sz : sizes) {
        ImageData src = solid(sz[0], sz[1], 0);
        for (uint8_t& b : src.pixels) {
            seed = seed * 1103515245u + 12345u;
            b = static_cast<uint8_t>(seed >> 16);
        }
        ImageData out;
        ASSERT_TRUE(imageScale(src, sz[2], sz[3], &out));
        ASSERT_EQ(out.width, sz[2]);
        ASSERT_EQ(out.height, sz[3]);
        EXPECT_TRUE(out.pixels == referenceScale(src, sz[2], sz[3])) << sz[0] << "x" << sz[1] << " to " << sz[2] << "x" << sz[3];
    }
}

TEST(ImageEncode, PngAndTgaRoundTripExactly)
{
    ImageData img = solid(3, 5, 0x80112233);
    std::memcpy(&img.pixels[4 * 7], "\x01\x02\x03\x04", 4);
    std::vector<uint8_t> png, tga, tga24;
    ASSERT_TRUE(imageEncodePng(img, &png));
    ASSERT_TRUE(imageEncodeTga(img, true, &tga));
    ASSERT_TRUE(imageEncodeTga(img, false, &tga24));
    ImageData a, b, c;
    ASSERT_TRUE(imageDecode(png.data(), png.size(), &a));
    ASSERT_TRUE(imageDecode(tga.data(), tga.size(), &b));
    ASSERT_TRUE(imageDecode(tga24.data(), tga24.size(), &c));
    EXPECT_EQ(a.pixels, img.pixels);
    EXPECT_EQ(b.pixels, img.pixels);
    EXPECT_EQ(at(c, 1, 2), 0xFF030201u);
    ImageData empty;
    EXPECT_FALSE(imageEncodePng(empty, &png));
}

}  // namespace
