// UTF-8, UTF-16 and Windows-1251 conversions.
#include "resources/unicode.h"

#include "resources/texts.h"

namespace {

// Decodes one UTF-8 sequence at in[i]; advances i. -1 when malformed (overlong, surrogate,
// out of range, cut off).
int32_t decodeUtf8(const std::string& in, size_t& i)
{
    const uint8_t c = uint8_t(in[i++]);
    if (c < 0x80) return c;
    int extra;
    uint32_t cp;
    uint32_t min;
    if ((c & 0xE0) == 0xC0) {
        extra = 1;
        cp = c & 0x1F;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        extra = 2;
        cp = c & 0x0F;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        extra = 3;
        cp = c & 0x07;
        min = 0x10000;
    } else {
        return -1;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= in.size()) return -1;
        const uint8_t d = uint8_t(in[i]);
        if ((d & 0xC0) != 0x80) return -1;
        cp = (cp << 6) | (d & 0x3F);
        ++i;
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
    return int32_t(cp);
}

} // namespace

void appendUtf8(std::string& out, uint32_t cp)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

std::string utf16ToUtf8(const char16_t* s, int length)
{
    std::string out;
    for (int i = 0; s && i < length; ++i) {
        uint32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(s[i + 1]) - 0xDC00);
            ++i;
        }
        appendUtf8(out, c);
    }
    return out;
}

std::string cp1251ToUtf8(const char* s)
{
    std::string out;
    for (; s && *s; ++s) appendUtf8(out, cp1251ToUnicode(uint8_t(*s)));
    return out;
}

bool utf8ToUtf16(const std::string& in, std::u16string& out)
{
    out.clear();
    for (size_t i = 0; i < in.size();) {
        int32_t cp = decodeUtf8(in, i);
        if (cp < 0) return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += char16_t(0xD800 + (cp >> 10));
            out += char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            out += char16_t(cp);
        }
    }
    return true;
}

bool utf8ToCp1251(const std::string& in, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < in.size();) {
        int32_t cp = decodeUtf8(in, i);
        if (cp < 0) return false;
        int b = unicodeToCp1251(uint32_t(cp));
        if (b < 0) return false;
        out += char(b);
    }
    return true;
}
