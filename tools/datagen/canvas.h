#pragma once
// Drawing helpers for the data-set generator. A Canvas is a Cairo ARGB surface drawn at
// `scale` times the picture's size (so edges come out anti-aliased after the box-filtered
// reduction in canvasResolve); drawing code works in the final picture's pixel units, because
// the Cairo context is pre-scaled. Pictures leave the canvas as an Image with straight
// (un-premultiplied) RGBA bytes, top row first, and are then encoded as TGA, JPEG, the
// JPEG-with-alpha form the texture loader reads ("_a_" names), or PNG for looking at them.
#include <cairo.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // width * height * 4, straight alpha, rows from the top

    uint8_t* at(int x, int y) { return &rgba[(size_t(y) * width + x) * 4]; }
    const uint8_t* at(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
};

struct Canvas {
    int width = 0;   // final picture size in pixels
    int height = 0;
    int scale = 1;   // supersampling factor (1, 2 or 4)
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
};

// Creates a transparent canvas; false when Cairo cannot (bad size or scale).
bool canvasCreate(Canvas& canvas, int width, int height, int scale = 4);
void canvasDestroy(Canvas& canvas);
// Reduces the supersampled surface to width x height (box filter on premultiplied colour)
// and un-premultiplies it.
Image canvasResolve(const Canvas& canvas);
// Convenience: create, call draw(cr), resolve, destroy. An empty Image on failure.
Image drawPicture(int width, int height, int scale, const std::function<void(cairo_t*)>& draw);

Image makeImage(int width, int height, uint32_t rgb = 0, uint8_t alpha = 0);
// Copies src into dst at (x, y) blending with src's alpha ("over"); clipped to dst.
void blitOver(Image& dst, const Image& src, int x, int y);
// Copies src into dst at (x, y) unchanged (no blending); clipped to dst.
void blitCopy(Image& dst, const Image& src, int x, int y);

// Colours are 0xRRGGBB.
void setColour(cairo_t* cr, uint32_t rgb, double alpha = 1.0);
void addStop(cairo_pattern_t* pattern, double offset, uint32_t rgb, double alpha = 1.0);
// Makes the pattern the source and drops the caller's reference to it.
void usePattern(cairo_t* cr, cairo_pattern_t* pattern);
// Mixes two 0xRRGGBB colours, t = 0 gives a, 1 gives b.
uint32_t mixColour(uint32_t a, uint32_t b, double t);
// Multiplies each channel by f (clamped), for darker (f < 1) or lighter (f > 1) shades.
uint32_t shadeColour(uint32_t rgb, double f);

// A soft shadow of the path that `path` builds: filled at (dx, dy), blurred by `blur` picture
// pixels and painted in rgb with the given alpha under whatever is drawn next.
void softShadow(Canvas& canvas, const std::function<void(cairo_t*)>& path, double dx, double dy,
                double blur, uint32_t rgb, double alpha);
// The same without an offset and added with the ADD operator: a glow around the path.
void softGlow(Canvas& canvas, const std::function<void(cairo_t*)>& path, double blur, uint32_t rgb,
              double alpha);

// A round light (sun, moon, lamp glow) fading to nothing at radius r: alpha at the centre,
// alpha x midShare at midStop of the radius.
void radialLight(cairo_t* cr, double x, double y, double r, uint32_t rgb, double alpha, double midStop = 0.3,
                 double midShare = 0.5);

// A soft cloud: six radial puffs in a row, lit from the top left (lighter puffs drawn over darker
// ones lying to their bottom right). The values are shares of the cloud's width w, and the
// opacities are multiplied by the cloud's alpha.
struct CloudShape {
    double spacing = 0.15;     // between the puffs' centres
    double rise = 0.07;        // how far the middle puffs stand above the ends
    double radius = 0.17;      // a puff's mean radius
    double squash = 0.5;       // a puff's height over its width
    double shadeDrop = 0.03;   // how far the dark puffs lie below the cloud's line
    double lightCore = 0.9, shadeCore = 0.6;      // opacity at a puff's centre
    double middle = 0.55;                         // where the opacity has fallen to
    double lightMiddle = 0.6, shadeMiddle = 0.35; // these values
};
void puffCloud(cairo_t* cr, double cx, double cy, double w, uint32_t light, uint32_t shade, double alpha,
               const CloudShape& shape = CloudShape{});

// Path helpers (picture pixel units).
void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r);
// An ellipse about (cx, cy) with the radii rx and ry.
void ellipsePath(cairo_t* cr, double cx, double cy, double rx, double ry);
// Fills the current path with the current source, then strokes its outline in rgb.
void fillThenStroke(cairo_t* cr, double lineWidth, uint32_t rgb, double alpha = 1.0);
void regularPolygon(cairo_t* cr, double cx, double cy, double radius, int sides, double angleRad);
void starPath(cairo_t* cr, double cx, double cy, double outer, double inner, int points,
              double angleRad);

// Encoders. TGA: type 2 (or 10 with rle), 32-bit BGRA with 8 alpha bits when withAlpha, else
// 24-bit BGR; origin at the top left (descriptor bit 5).
std::vector<uint8_t> encodeTga(const Image& image, bool withAlpha = true, bool rle = false);
// Baseline JPEG of the colour channels (alpha ignored); empty on failure.
std::vector<uint8_t> encodeJpeg(const Image& image, int quality = 90);
// A JPEG immediately followed by the alpha bytes of every pixel, rows from the top. The
// loader splits at the first 0xFF 0xD9 pair, so this fails (empty result) if that pair would
// occur before the end of the JPEG part.
std::vector<uint8_t> encodeJpegAlpha(const Image& image, int quality = 90);
// PNG with alpha (for contact sheets and inspection); empty on failure.
std::vector<uint8_t> encodePng(const Image& image);

// Writes bytes to path, creating parent folders; false on failure (with a message on stderr).
bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);
