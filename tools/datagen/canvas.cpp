// Cairo canvas, image reduction and picture encoders for the data-set generator.
#include "canvas.h"

#include <stb_image_write.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

bool canvasCreate(Canvas& canvas, int width, int height, int scale)
{
    canvas = Canvas{};
    if (width <= 0 || height <= 0 || scale < 1 || scale > 8) return false;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width * scale, height * scale);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return false;
    }
    canvas.width = width;
    canvas.height = height;
    canvas.scale = scale;
    canvas.surface = s;
    canvas.cr = cairo_create(s);
    cairo_scale(canvas.cr, scale, scale);
    cairo_set_antialias(canvas.cr, CAIRO_ANTIALIAS_GOOD);
    return true;
}

void canvasDestroy(Canvas& canvas)
{
    if (canvas.cr) cairo_destroy(canvas.cr);
    if (canvas.surface) cairo_surface_destroy(canvas.surface);
    canvas = Canvas{};
}

Image canvasResolve(const Canvas& canvas)
{
    Image out;
    if (!canvas.surface) return out;
    cairo_surface_flush(canvas.surface);
    const int s = canvas.scale;
    const int stride = cairo_image_surface_get_stride(canvas.surface);
    const uint8_t* src = cairo_image_surface_get_data(canvas.surface);
    out.width = canvas.width;
    out.height = canvas.height;
    out.rgba.assign(size_t(out.width) * out.height * 4, 0);
    const uint32_t n = uint32_t(s * s);
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            uint32_t sum[4] = {0, 0, 0, 0};  // premultiplied B, G, R, A (Cairo's memory order)
            for (int sy = 0; sy < s; ++sy) {
                const uint8_t* row = src + size_t(y * s + sy) * stride + size_t(x * s) * 4;
                for (int sx = 0; sx < s; ++sx) {
                    uint32_t px;
                    std::memcpy(&px, row + sx * 4, 4);
                    sum[0] += px & 0xFF;
                    sum[1] += (px >> 8) & 0xFF;
                    sum[2] += (px >> 16) & 0xFF;
                    sum[3] += px >> 24;
                }
            }
            uint8_t* d = out.at(x, y);
            const uint32_t a = (sum[3] + n / 2) / n;
            if (a == 0) continue;
            // Un-premultiply: colour = premultiplied / alpha, using the full sums for precision.
            for (int c = 0; c < 3; ++c) {
                uint32_t v = (sum[2 - c] * 255 + sum[3] / 2) / sum[3];
                d[c] = uint8_t(std::min<uint32_t>(v, 255));
            }
            d[3] = uint8_t(a);
        }
    }
    return out;
}

Image drawPicture(int width, int height, int scale, const std::function<void(cairo_t*)>& draw)
{
    Canvas c;
    if (!canvasCreate(c, width, height, scale)) return Image{};
    draw(c.cr);
    Image img = canvasResolve(c);
    canvasDestroy(c);
    return img;
}

Image makeImage(int width, int height, uint32_t rgb, uint8_t alpha)
{
    Image img;
    img.width = width;
    img.height = height;
    img.rgba.resize(size_t(width) * height * 4);
    for (size_t i = 0; i < img.rgba.size(); i += 4) {
        img.rgba[i] = uint8_t(rgb >> 16);
        img.rgba[i + 1] = uint8_t(rgb >> 8);
        img.rgba[i + 2] = uint8_t(rgb);
        img.rgba[i + 3] = alpha;
    }
    return img;
}

void blitOver(Image& dst, const Image& src, int x, int y)
{
    for (int j = 0; j < src.height; ++j) {
        int ty = y + j;
        if (ty < 0 || ty >= dst.height) continue;
        for (int i = 0; i < src.width; ++i) {
            int tx = x + i;
            if (tx < 0 || tx >= dst.width) continue;
            const uint8_t* s = src.at(i, j);
            uint8_t* d = dst.at(tx, ty);
            const float sa = s[3] / 255.0f, da = d[3] / 255.0f;
            const float oa = sa + da * (1 - sa);
            if (oa <= 0) {
                d[0] = d[1] = d[2] = d[3] = 0;
                continue;
            }
            for (int c = 0; c < 3; ++c)
                d[c] = uint8_t(std::lround((s[c] * sa + d[c] * da * (1 - sa)) / oa));
            d[3] = uint8_t(std::lround(oa * 255));
        }
    }
}

void blitCopy(Image& dst, const Image& src, int x, int y)
{
    for (int j = 0; j < src.height; ++j) {
        int ty = y + j;
        if (ty < 0 || ty >= dst.height) continue;
        for (int i = 0; i < src.width; ++i) {
            int tx = x + i;
            if (tx < 0 || tx >= dst.width) continue;
            std::memcpy(dst.at(tx, ty), src.at(i, j), 4);
        }
    }
}

void setColour(cairo_t* cr, uint32_t rgb, double alpha)
{
    cairo_set_source_rgba(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                          (rgb & 0xFF) / 255.0, alpha);
}

void addStop(cairo_pattern_t* pattern, double offset, uint32_t rgb, double alpha)
{
    cairo_pattern_add_color_stop_rgba(pattern, offset, ((rgb >> 16) & 0xFF) / 255.0,
                                      ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha);
}

void usePattern(cairo_t* cr, cairo_pattern_t* pattern)
{
    cairo_set_source(cr, pattern);
    cairo_pattern_destroy(pattern);
}

uint32_t mixColour(uint32_t a, uint32_t b, double t)
{
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        double ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
        long v = std::lround(ca + (cb - ca) * t);
        out |= uint32_t(std::clamp(v, 0L, 255L)) << shift;
    }
    return out;
}

uint32_t shadeColour(uint32_t rgb, double f)
{
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        long v = std::lround(((rgb >> shift) & 0xFF) * f);
        out |= uint32_t(std::clamp(v, 0L, 255L)) << shift;
    }
    return out;
}

// One horizontal or vertical box-blur pass over an A8 buffer (running sum, edges clamped to 0).
static void boxPass(uint8_t* data, int w, int h, int stride, int radius, bool horizontal)
{
    const int len = horizontal ? w : h;
    const int lines = horizontal ? h : w;
    std::vector<uint8_t> line(len);
    const int win = 2 * radius + 1;
    for (int l = 0; l < lines; ++l) {
        auto px = [&](int i) -> uint8_t& {
            return horizontal ? data[size_t(l) * stride + i] : data[size_t(i) * stride + l];
        };
        for (int i = 0; i < len; ++i) line[i] = px(i);
        int sum = 0;
        for (int i = -radius; i <= radius; ++i)
            if (i >= 0 && i < len) sum += line[i];
        for (int i = 0; i < len; ++i) {
            px(i) = uint8_t((sum + win / 2) / win);
            int out = i - radius, in = i + radius + 1;
            if (out >= 0) sum -= line[out];
            if (in < len) sum += line[in];
        }
    }
}

static void blurredMask(Canvas& canvas, const std::function<void(cairo_t*)>& path, double dx, double dy,
                        double blur, uint32_t rgb, double alpha, cairo_operator_t op)
{
    const int W = canvas.width * canvas.scale, H = canvas.height * canvas.scale;
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, W, H);
    cairo_t* m = cairo_create(mask);
    // Carry the canvas's current transformation (supersampling included) over to the mask.
    cairo_matrix_t mat;
    cairo_get_matrix(canvas.cr, &mat);
    cairo_set_matrix(m, &mat);
    cairo_translate(m, dx, dy);
    path(m);
    cairo_set_source_rgba(m, 0, 0, 0, 1);
    cairo_fill(m);
    cairo_destroy(m);
    cairo_surface_flush(mask);
    int radius = int(std::lround(blur * canvas.scale / 2.0));
    if (radius > 0) {
        uint8_t* data = cairo_image_surface_get_data(mask);
        int stride = cairo_image_surface_get_stride(mask);
        for (int pass = 0; pass < 3; ++pass) {
            boxPass(data, W, H, stride, radius, true);
            boxPass(data, W, H, stride, radius, false);
        }
        cairo_surface_mark_dirty(mask);
    }
    cairo_save(canvas.cr);
    cairo_identity_matrix(canvas.cr);
    cairo_set_operator(canvas.cr, op);
    setColour(canvas.cr, rgb, alpha);
    cairo_mask_surface(canvas.cr, mask, 0, 0);
    cairo_restore(canvas.cr);
    cairo_surface_destroy(mask);
}

void softShadow(Canvas& canvas, const std::function<void(cairo_t*)>& path, double dx, double dy,
                double blur, uint32_t rgb, double alpha)
{
    blurredMask(canvas, path, dx, dy, blur, rgb, alpha, CAIRO_OPERATOR_OVER);
}

void softGlow(Canvas& canvas, const std::function<void(cairo_t*)>& path, double blur, uint32_t rgb,
              double alpha)
{
    blurredMask(canvas, path, 0, 0, blur, rgb, alpha, CAIRO_OPERATOR_ADD);
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r)
{
    r = std::min({r, w / 2, h / 2});
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void regularPolygon(cairo_t* cr, double cx, double cy, double radius, int sides, double angleRad)
{
    cairo_new_sub_path(cr);
    for (int i = 0; i < sides; ++i) {
        double a = angleRad + 2 * M_PI * i / sides;
        cairo_line_to(cr, cx + radius * std::cos(a), cy + radius * std::sin(a));
    }
    cairo_close_path(cr);
}

void radialLight(cairo_t* cr, double x, double y, double r, uint32_t rgb, double alpha, double midStop,
                 double midShare)
{
    cairo_pattern_t* p = cairo_pattern_create_radial(x, y, 0, x, y, r);
    addStop(p, 0.0, rgb, alpha);
    addStop(p, midStop, rgb, alpha * midShare);
    addStop(p, 1.0, rgb, 0.0);
    usePattern(cr, p);
    cairo_arc(cr, x, y, r, 0, 2 * M_PI);
    cairo_fill(cr);
}

void ellipsePath(cairo_t* cr, double cx, double cy, double rx, double ry)
{
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
}

void fillThenStroke(cairo_t* cr, double lineWidth, uint32_t rgb, double alpha)
{
    cairo_fill_preserve(cr);
    setColour(cr, rgb, alpha);
    cairo_set_line_width(cr, lineWidth);
    cairo_stroke(cr);
}

void puffCloud(cairo_t* cr, double cx, double cy, double w, uint32_t light, uint32_t shade, double alpha,
               const CloudShape& shape)
{
    for (int pass = 0; pass < 2; ++pass) {
        uint32_t col = pass ? light : shade;
        double ox = pass ? -w * 0.04 : w * 0.03, oy = pass ? -w * 0.05 : w * shape.shadeDrop;
        for (int k = 0; k < 6; ++k) {
            double px = cx + (k - 2.5) * w * shape.spacing + ox;
            double py = cy - std::sin(k * 1.1 + 0.4) * w * shape.rise + oy;
            double r = w * (shape.radius + 0.05 * std::sin(k * 2.3));
            cairo_save(cr);
            cairo_translate(cr, px, py);
            cairo_scale(cr, 1.0, shape.squash);
            cairo_pattern_t* p = cairo_pattern_create_radial(0, 0, 0, 0, 0, r);
            addStop(p, 0, col, alpha * (pass ? shape.lightCore : shape.shadeCore));
            addStop(p, shape.middle, col, alpha * (pass ? shape.lightMiddle : shape.shadeMiddle));
            addStop(p, 1, col, 0);
            usePattern(cr, p);
            cairo_arc(cr, 0, 0, r, 0, 2 * M_PI);
            cairo_fill(cr);
            cairo_restore(cr);
        }
    }
}

void starPath(cairo_t* cr, double cx, double cy, double outer, double inner, int points, double angleRad)
{
    cairo_new_sub_path(cr);
    for (int i = 0; i < points * 2; ++i) {
        double r = (i % 2) ? inner : outer;
        double a = angleRad + M_PI * i / points;
        cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
    }
    cairo_close_path(cr);
}

static void put16(std::vector<uint8_t>& v, int x)
{
    v.push_back(uint8_t(x & 0xFF));
    v.push_back(uint8_t((x >> 8) & 0xFF));
}

std::vector<uint8_t> encodeTga(const Image& image, bool withAlpha, bool rle)
{
    std::vector<uint8_t> out;
    if (image.width <= 0 || image.height <= 0 || image.width > 65535 || image.height > 65535) return out;
    const int bpp = withAlpha ? 4 : 3;
    out = {0, 0, uint8_t(rle ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    put16(out, image.width);
    put16(out, image.height);
    out.push_back(uint8_t(bpp * 8));
    out.push_back(uint8_t(0x20 | (withAlpha ? 8 : 0)));  // top-left origin, alpha bits
    auto pixel = [&](int x, int y, uint8_t* p) {
        const uint8_t* s = image.at(x, y);
        p[0] = s[2];
        p[1] = s[1];
        p[2] = s[0];
        p[3] = s[3];
    };
    for (int y = 0; y < image.height; ++y) {
        if (!rle) {
            for (int x = 0; x < image.width; ++x) {
                uint8_t p[4];
                pixel(x, y, p);
                out.insert(out.end(), p, p + bpp);
            }
            continue;
        }
        // RLE packets never cross a row (the usual rule, which every reader accepts).
        int x = 0;
        while (x < image.width) {
            uint8_t p[4], q[4];
            pixel(x, y, p);
            int run = 1;
            while (x + run < image.width && run < 128) {
                pixel(x + run, y, q);
                if (std::memcmp(p, q, bpp) != 0) break;
                ++run;
            }
            if (run >= 2) {
                out.push_back(uint8_t(0x80 | (run - 1)));
                out.insert(out.end(), p, p + bpp);
                x += run;
                continue;
            }
            // Literal packet: up to 128 pixels until two equal neighbours start a run.
            int count = 1;
            while (x + count < image.width && count < 128) {
                uint8_t a[4], b[4];
                pixel(x + count, y, a);
                if (x + count + 1 < image.width) {
                    pixel(x + count + 1, y, b);
                    if (std::memcmp(a, b, bpp) == 0) break;
                }
                ++count;
            }
            out.push_back(uint8_t(count - 1));
            for (int i = 0; i < count; ++i) {
                pixel(x + i, y, q);
                out.insert(out.end(), q, q + bpp);
            }
            x += count;
        }
    }
    // TGA 2.0 footer, so readers that look for it identify the file.
    for (int i = 0; i < 8; ++i) out.push_back(0);
    const char sig[] = "TRUEVISION-XFILE.";
    out.insert(out.end(), sig, sig + sizeof(sig));  // includes the terminating zero
    return out;
}

std::vector<uint8_t> encodeJpeg(const Image& image, int quality)
{
    std::vector<uint8_t> out;
    if (image.width <= 0 || image.height <= 0) return out;
    tjhandle tj = tjInitCompress();
    if (!tj) return out;
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    int rc = tjCompress2(tj, image.rgba.data(), image.width, image.width * 4, image.height, TJPF_RGBX, &buf,
                         &size, TJSAMP_444, quality, TJFLAG_ACCURATEDCT);
    if (rc == 0 && buf) out.assign(buf, buf + size);
    if (buf) tjFree(buf);
    tjDestroy(tj);
    return out;
}

std::vector<uint8_t> encodeJpegAlpha(const Image& image, int quality)
{
    std::vector<uint8_t> out = encodeJpeg(image, quality);
    if (out.size() < 4) return {};
    // The loader splits at the FIRST 0xFF 0xD9; it must be the end-of-image marker.
    for (size_t i = 0; i + 1 < out.size(); ++i) {
        if (out[i] == 0xFF && out[i + 1] == 0xD9) {
            if (i + 2 != out.size()) return {};
            break;
        }
    }
    out.reserve(out.size() + size_t(image.width) * image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) out.push_back(image.at(x, y)[3]);
    return out;
}

static void appendBytes(void* context, void* data, int size)
{
    auto* v = static_cast<std::vector<uint8_t>*>(context);
    auto* p = static_cast<uint8_t*>(data);
    v->insert(v->end(), p, p + size);
}

std::vector<uint8_t> encodePng(const Image& image)
{
    std::vector<uint8_t> out;
    if (image.width <= 0 || image.height <= 0) return out;
    if (!stbi_write_png_to_func(appendBytes, &out, image.width, image.height, 4, image.rgba.data(),
                                image.width * 4))
        out.clear();
    return out;
}

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::error_code ec;
    std::filesystem::path p(path);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path(), ec);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "datagen: cannot write %s\n", path.c_str());
        return false;
    }
    size_t n = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), f);
    bool ok = (n == bytes.size()) && std::fclose(f) == 0;
    if (!ok) std::fprintf(stderr, "datagen: cannot write %s\n", path.c_str());
    return ok;
}
