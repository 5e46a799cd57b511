// Text tables and settings.txt of the default data set. The sources in data/txt/ are UTF-8 files
// in the game's text format; the game reads UTF-16 little-endian with a byte-order mark and CR LF
// line breaks. The tables stay loose files: each language folder holds files of the same names,
// which one archive could not hold side by side.
#include "datagen.h"

#include "resources/texts.h"
#include "resources/unicode.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Converts one UTF-8 source to the game's text format, checks that the game reads every entry
// of it, and writes it.
bool convertTextFile(const std::string& srcPath, const std::string& outPath)
{
    std::ifstream in(srcPath, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot be read\n", srcPath.c_str());
        return false;
    }
    std::string utf8((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (utf8.compare(0, 3, "\xEF\xBB\xBF") == 0) utf8.erase(0, 3);
    std::u16string wide;
    if (!utf8ToUtf16(utf8, wide)) {
        std::fprintf(stderr, "%s: not valid UTF-8\n", srcPath.c_str());
        return false;
    }
    // Line breaks become CR LF, and the file ends with one (the game drops the last character).
    std::u16string lines;
    for (char16_t c : wide) {
        if (c == u'\r') continue;
        if (c == u'\n') lines += u'\r';
        lines += c;
    }
    if (lines.empty() || lines.back() != u'\n') lines += u"\r\n";

    std::vector<uint8_t> bytes;
    bytes.reserve(2 * (lines.size() + 1));
    auto put = [&bytes](char16_t c) {
        bytes.push_back(uint8_t(c & 0xFF));
        bytes.push_back(uint8_t(c >> 8));
    };
    put(0xFEFF);
    for (char16_t c : lines) put(c);

    resetTextTables();
    TextLoadStatus status = parseTextData(bytes.data(), int32_t(bytes.size()));
    resetTextTables();
    if (status != TextLoadStatus::Ok) {
        std::fprintf(stderr, "%s: %s\n", srcPath.c_str(), textLoadStatusText(status));
        return false;
    }

    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(outPath).parent_path(), ec);
    std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "%s: cannot be written\n", outPath.c_str());
        return false;
    }
    return true;
}

struct Language {
    const char* source;  // folder below data/txt
    const char* target;  // folder below Data, as the game chooses it from "lang"
};

const Language languages[] = {
    {"rus", "txt/1"},
    {"eng", "txt/2"},
};

const char* const tableFiles[] = {"menutext.txt", "strings.txt", "tips.txt"};

} // namespace

bool genTexts(const char* srcDir, const char* outDir)
{
    const std::string src = std::string(srcDir) + "/txt/";
    const std::string out = std::string(outDir) + "/";
    if (!convertTextFile(src + "settings.txt", out + "settings.txt")) return false;
    for (const Language& lang : languages) {
        for (const char* file : tableFiles) {
            if (!convertTextFile(src + lang.source + "/" + file, out + lang.target + "/" + file)) return false;
        }
    }
    return true;
}
