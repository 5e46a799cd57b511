// The text table: loading UTF-16 text files and looking texts up by key.
#include "resources/texts.h"

#include "resources/files.h"

#include <cstdlib>
#include <cstring>
#include <vector>

TextTableState textTable;

namespace {

// Unicode code points of Windows-1251 bytes 0x80-0xBF (0xC0-0xFF are U+0410-U+044F). The one
// unassigned byte, 0x98, maps to U+0098 as the system conversion does.
const char16_t cp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

enum class AddResult { Added, KeyTooLong, TableFull };

AddResult addEntry(const char16_t* key, int keyLength, const char16_t* value, int valueLength)
{
    if (keyLength > TEXT_KEY_SIZE - 1) return AddResult::KeyTooLong;
    if (textTable.count >= TEXT_TABLE_SIZE) return AddResult::TableFull;
    char16_t* copy = static_cast<char16_t*>(std::malloc(sizeof(char16_t) * size_t(valueLength + 1)));
    if (!copy) return AddResult::TableFull;
    std::memcpy(copy, value, sizeof(char16_t) * size_t(valueLength));
    copy[valueLength] = 0;
    TextEntry& e = textTable.entries[textTable.count++];
    std::memset(e.key, 0, sizeof e.key);
    std::memcpy(e.key, key, sizeof(char16_t) * size_t(keyLength));
    e.value = copy;
    return AddResult::Added;
}

bool equalW(const char16_t* a, const char16_t* b)
{
    for (; *a && *a == *b; ++a, ++b) {
    }
    return *a == *b;
}

} // namespace

const char* textLoadStatusText(TextLoadStatus status)
{
    switch (status) {
    case TextLoadStatus::Ok: return "ok";
    case TextLoadStatus::Missing: return "cannot be read";
    case TextLoadStatus::OddSize: return "odd number of bytes for UTF-16 text";
    case TextLoadStatus::NoByteOrderMark: return "does not start with a byte-order mark";
    case TextLoadStatus::NoFinalLineBreak: return "does not end with a line break";
    case TextLoadStatus::LastEntryDropped: return "last entry runs into the end of the file";
    case TextLoadStatus::KeyTooLong: return "a key is longer than 19 characters";
    case TextLoadStatus::TableFull: return "more than 1024 text entries";
    }
    return "unknown";
}

void resetTextTables()
{
    freeTextTables();
    textTable.count = 0;
}

TextLoadStatus parseTextData(const uint8_t* data, int32_t size)
{
    TextLoadStatus status = TextLoadStatus::Ok;
    auto note = [&status](TextLoadStatus s) {
        if (status == TextLoadStatus::Ok) status = s;
    };
    if (size < 0 || (!data && size > 0)) return TextLoadStatus::Missing;
    if (size & 1) note(TextLoadStatus::OddSize);
    const int n = size / 2;
    if (n == 0) return status;
    // Decoded into an aligned copy: archive members may start at any byte.
    std::vector<char16_t> t(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) t[size_t(i)] = char16_t(data[2 * i] | (data[2 * i + 1] << 8));
    if (t[0] != 0xFEFF) note(TextLoadStatus::NoByteOrderMark);
    if (n > 1 && t[size_t(n - 1)] >= 32) note(TextLoadStatus::NoFinalLineBreak);
    t[size_t(n - 1)] = 0;
    const char16_t* s = t.data();
    const int end = n - 1;  // the end mark; no scan passes it

    auto add = [&](int keyStart, int keyEnd, int valueStart, int valueEnd) {
        AddResult r = addEntry(s + keyStart, keyEnd - keyStart, s + valueStart, valueEnd - valueStart);
        if (r == AddResult::KeyTooLong) note(TextLoadStatus::KeyTooLong);
        if (r == AddResult::TableFull) {
            note(TextLoadStatus::TableFull);
            return false;
        }
        return true;
    };

    int p = 1;
    for (;;) {
        while (p < end && s[p] <= 32) ++p;
        if (p >= end) break;
        if (s[p] == u'[') {
            const int keyStart = p + 1;
            int q = keyStart;
            while (q < end && !(s[q] == u'/' && s[q + 1] == u']')) ++q;
            if (q >= end) {
                note(TextLoadStatus::LastEntryDropped);
                break;
            }
            int v = q + 2;
            while (v < end && s[v] < 32) ++v;
            int valueEnd = v;
            while (valueEnd < end && s[valueEnd] != u'[') ++valueEnd;
            if (valueEnd >= end) {
                note(TextLoadStatus::LastEntryDropped);
                break;
            }
            if (!add(keyStart, q, v, valueEnd)) break;
            int r = valueEnd;
            while (r < end && s[r] != u']') ++r;
            if (r >= end) break;
            p = r + 1;
        } else {
            int q = p;
            while (q < end && s[q] != u'=') ++q;
            if (q >= end) {
                note(TextLoadStatus::LastEntryDropped);
                break;
            }
            const int v = q + 1;
            int c = v;
            while (c < end && !(s[c] < 32 && s[c + 1] < 32)) ++c;
            if (c >= end) {
                note(TextLoadStatus::LastEntryDropped);
                break;
            }
            if (!add(p, q, v, c)) break;
            p = c + 2;
        }
    }
    return status;
}

TextLoadStatus loadTextFile(const char* path)
{
    int32_t size = 0;
    uint8_t* data = readFile(path, &size, true);
    if (!data) return TextLoadStatus::Missing;
    TextLoadStatus status = parseTextData(data, size);
    releaseFile(data);
    return status;
}

const char16_t* text(const char* key)
{
    if (!key) return nullptr;
    char16_t wide[129];
    cp1251ToUtf16(key, wide, 129);
    return textW(wide);
}

const char16_t* textW(const char16_t* key)
{
    if (!key) return nullptr;
    for (int i = 0; i < textTable.count; ++i) {
        if (equalW(textTable.entries[i].key, key)) return textTable.entries[i].value;
    }
    return nullptr;
}

int textIndex(const char* key)
{
    if (!key) return 0;
    char16_t wide[129];
    cp1251ToUtf16(key, wide, 129);
    for (int i = 0; i < textTable.count; ++i) {
        if (equalW(textTable.entries[i].key, wide)) return i;
    }
    return 0;
}

const char16_t* textByIndex(int index)
{
    if (index < 0 || index >= textTable.count) return nullptr;
    return textTable.entries[index].value;
}

const char16_t* textRelative(const char* key, int offset)
{
    return textByIndex(textIndex(key) + offset);
}

void freeTextTables()
{
    for (int i = 0; i < textTable.count; ++i) {
        std::free(textTable.entries[i].value);
        textTable.entries[i].value = nullptr;
    }
}

char16_t cp1251ToUnicode(uint8_t c)
{
    if (c < 0x80) return char16_t(c);
    if (c >= 0xC0) return char16_t(0x0410 + (c - 0xC0));
    return cp1251High[c - 0x80];
}

int unicodeToCp1251(uint32_t codePoint)
{
    if (codePoint < 0x80) return int(codePoint);
    if (codePoint >= 0x0410 && codePoint <= 0x044F) return int(codePoint - 0x0410 + 0xC0);
    for (int i = 0; i < 64; ++i) {
        if (cp1251High[i] == codePoint) return 0x80 + i;
    }
    return -1;
}

int cp1251ToUtf16(const char* in, char16_t* out, int capacity)
{
    if (!out || capacity <= 0) return 0;
    int i = 0;
    for (; in && in[i] && i < capacity - 1; ++i) out[i] = cp1251ToUnicode(uint8_t(in[i]));
    out[i] = 0;
    return i;
}

int utf16Length(const char16_t* s)
{
    int n = 0;
    while (s && s[n]) ++n;
    return n;
}
