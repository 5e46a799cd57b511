// Archive, text-table and key/value commands of ostrimar-data. Output is UTF-8, one record per
// line; a failure prints one line naming the file on standard error and returns 1.
#include "commands.h"

#include "platform/os/files.h"
#include "resources/files.h"
#include "resources/keyvalue.h"
#include "resources/texts.h"
#include "resources/unicode.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int fail(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    return 1;
}

int usage(const char* text)
{
    return fail("usage: ostrimar-data %s", text);
}

// Backslash, CR, LF and TAB written as \\, \r, \n, \t so that every record stays on one line.
std::string escaped(const std::string& s)
{
    std::string out;
    for (char c : s) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default: out += c;
        }
    }
    return out;
}

void printLine(const std::string& s)
{
    std::fwrite(s.data(), 1, s.size(), stdout);
    std::fputc('\n', stdout);
}

// A whole file read from disk; freed on destruction.
struct Loaded {
    uint8_t* data = nullptr;
    int32_t size = 0;
    explicit Loaded(const char* path) { data = osReadFile(path, &size); }
    ~Loaded() { std::free(data); }
    Loaded(const Loaded&) = delete;
    Loaded& operator=(const Loaded&) = delete;
};

struct Member {
    std::string name;  // as stored (8-bit)
    const uint8_t* data;
    int32_t size;
    int32_t offset;    // of the member's name in the archive
};

struct Collected {
    const uint8_t* base;
    std::vector<Member> members;
};

bool collectMember(void* context, const char* name, uint8_t* data, int32_t size)
{
    Collected& c = *static_cast<Collected*>(context);
    c.members.push_back({name, data, size, int32_t(reinterpret_cast<const uint8_t*>(name) - c.base)});
    return true;
}

// Walks an archive for the tool. Besides the game's own damage checks, a member name with a control
// character is malformed here: names are printed as they are stored, one per line. Returns the
// members before any damage; problem receives the one-line report (empty when the archive is sound).
std::vector<Member> walkForTool(const char* path, Loaded& file, std::string& problem)
{
    Collected c{file.data, {}};
    int32_t badOffset = 0;
    ArchiveStatus s = walkArchive(file.data, file.size, collectMember, &c, &badOffset);
    const char* what = s == ArchiveStatus::Ok ? nullptr : archiveStatusText(s);
    for (size_t i = 0; i < c.members.size(); ++i) {
        bool control = false;
        for (char ch : c.members[i].name) control = control || uint8_t(ch) < 32;
        if (control) {
            badOffset = c.members[i].offset;
            what = "member name contains a control character";
            c.members.resize(i);
            break;
        }
    }
    problem.clear();
    if (what) {
        char line[512];
        std::snprintf(line, sizeof line, "%s: malformed archive at byte %d: %s", path, int(badOffset), what);
        problem = line;
    }
    return c.members;
}

// Creates every folder of path below the current directory that does not exist yet.
bool makeFolders(const std::string& path)
{
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            std::string part = path.substr(0, i);
            if (part.empty()) continue;
            if (!osFolderExists(part.c_str()) && !osCreateDirectory(part.c_str())) return false;
        }
    }
    return true;
}

// A member name as a relative path below the target folder, or "" when it would leave it.
std::string memberPath(const std::string& stored)
{
    std::string utf8 = cp1251ToUtf8(stored.c_str());
    std::string out;
    size_t start = 0;
    for (size_t i = 0; i <= utf8.size(); ++i) {
        if (i == utf8.size() || utf8[i] == '\\' || utf8[i] == '/') {
            std::string part = utf8.substr(start, i - start);
            if (part.empty() || part == "." || part == "..") return "";
            if (!out.empty()) out += '/';
            out += part;
            start = i + 1;
        }
    }
    return out;
}

} // namespace

int cmdList(int argc, char** argv)
{
    if (argc != 1) return usage("list ARCHIVE");
    Loaded file(argv[0]);
    if (!file.data) return fail("%s: cannot be read", argv[0]);
    std::string problem;
    std::vector<Member> members = walkForTool(argv[0], file, problem);
    // The members before any damage are still listed.
    for (const Member& m : members) printLine(cp1251ToUtf8(m.name.c_str()) + "\t" + std::to_string(m.size));
    std::fflush(stdout);
    if (!problem.empty()) return fail("%s", problem.c_str());
    return 0;
}

int cmdUnpack(int argc, char** argv)
{
    if (argc != 2) return usage("unpack ARCHIVE DIR");
    Loaded file(argv[0]);
    if (!file.data) return fail("%s: cannot be read", argv[0]);
    std::string problem;
    std::vector<Member> members = walkForTool(argv[0], file, problem);

    // Every name is checked before anything is written.
    std::vector<std::string> paths;
    for (const Member& m : members) {
        std::string p = memberPath(m.name);
        if (p.empty()) return fail("%s: member name \"%s\" does not name a file below the target folder", argv[0], cp1251ToUtf8(m.name.c_str()).c_str());
        paths.push_back(p);
    }
    std::string dir = argv[1];
    if (!makeFolders(dir)) return fail("%s: cannot be created", argv[1]);
    for (size_t i = 0; i < members.size(); ++i) {
        std::string target = dir + "/" + paths[i];
        size_t slash = target.rfind('/');
        if (!makeFolders(target.substr(0, slash)) || !osWriteFile(target.c_str(), members[i].data, members[i].size)) {
            return fail("%s: cannot be written", target.c_str());
        }
    }
    // The members before any damage have been written.
    if (!problem.empty()) return fail("%s", problem.c_str());
    return 0;
}

int cmdPack(int argc, char** argv)
{
    if (argc < 1) return usage("pack ARCHIVE FILE...");
    std::vector<uint8_t> archive;
    std::vector<std::string> names;  // normalised, to refuse a second member of the same name
    for (int i = 1; i < argc; ++i) {
        std::string name;
        if (!utf8ToCp1251(argv[i], name)) return fail("%s: name cannot be written in the 8-bit code page", argv[i]);
        for (char& c : name) {
            if (c == '/') c = '\\';
        }
        char key[FILE_NAME_SIZE];
        normaliseFileName(name.c_str(), key, sizeof key);
        for (const std::string& n : names) {
            if (n == key) return fail("%s: an archive member of that name is already given", argv[i]);
        }
        names.push_back(key);
        Loaded file(argv[i]);
        if (!file.data) return fail("%s: cannot be read", argv[i]);
        if (!appendArchiveMember(archive, name.c_str(), file.data, size_t(file.size))) {
            return fail("%s: member name must have 1 to %d characters", argv[i], ARCHIVE_NAME_MAX);
        }
    }
    if (archive.size() > size_t(INT32_MAX - 1)) return fail("%s: archive would exceed 2 GB", argv[0]);
    if (!osWriteFile(argv[0], archive.data(), int32_t(archive.size()))) return fail("%s: cannot be written", argv[0]);
    return 0;
}

int cmdTexts(int argc, char** argv)
{
    if (argc < 1) return usage("texts FILE...");
    resetTextTables();
    for (int i = 0; i < argc; ++i) {
        Loaded file(argv[i]);
        if (!file.data) return fail("%s: cannot be read", argv[i]);
        TextLoadStatus s = parseTextData(file.data, file.size);
        if (s != TextLoadStatus::Ok) {
            resetTextTables();
            return fail("%s: malformed text file: %s", argv[i], textLoadStatusText(s));
        }
    }
    for (int i = 0; i < textTable.count; ++i) {
        const TextEntry& e = textTable.entries[i];
        printLine(escaped(utf16ToUtf8(e.key, utf16Length(e.key))) + "\t" + escaped(utf16ToUtf8(e.value, utf16Length(e.value))));
    }
    resetTextTables();
    return 0;
}

int cmdKv(int argc, char** argv)
{
    if (argc != 3) return usage("kv FILE KEY string|int|float|list|vec3");
    const char* path = argv[0];
    const std::string type = argv[2];
    int limit;  // longest value the query takes
    if (type == "string") limit = -1;
    else if (type == "int" || type == "float") limit = KV_NUMBER_BUFFER - 1;
    else if (type == "list") limit = KV_LIST_BUFFER - 1;
    else if (type == "vec3") limit = KV_VEC3_BUFFER - 1;
    else return usage("kv FILE KEY string|int|float|list|vec3");

    std::string key;
    if (!utf8ToCp1251(argv[1], key)) return fail("%s: key \"%s\" cannot be written in the 8-bit code page", path, argv[1]);

    // As the game reads a data file: whole, with its last byte made the terminator.
    Loaded file(path);
    if (!file.data) return fail("%s: cannot be read", path);
    if (file.size > 0) file.data[file.size - 1] = 0;
    const char* text = reinterpret_cast<const char*>(file.data);

    int length = kvValueLength(text, key.c_str());
    if (limit >= 0 && length > limit) {
        return fail("%s: value of %s is %d characters long; a %s value may have at most %d", path, argv[1], length, type.c_str(), limit);
    }
    if (type == "string") {
        std::vector<char> out(size_t(length < 0 ? 0 : length) + 1);
        kvString(out.data(), int(out.size()), text, key.c_str());
        printLine(escaped(cp1251ToUtf8(out.data())));
    } else if (type == "int") {
        std::printf("%d\n", kvInt(text, key.c_str()));
    } else if (type == "float") {
        std::printf("%g\n", double(kvFloat(text, key.c_str())));
    } else if (type == "list") {
        float values[KV_LIST_BUFFER];
        int n = kvFloatList(text, values, KV_LIST_BUFFER, key.c_str());
        std::string line;
        char num[32];
        for (int i = 0; i < n; ++i) {
            std::snprintf(num, sizeof num, i ? " %g" : "%g", double(values[i]));
            line += num;
        }
        printLine(line);
    } else {
        bool ok = false;
        Vec3 v = kvVec3(text, key.c_str(), &ok);
        if (length >= 0 && !ok) return fail("%s: value of %s is not a vector (x,y,z)", path, argv[1]);
        std::printf("%g %g %g\n", double(v.x), double(v.y), double(v.z));
    }
    return 0;
}
