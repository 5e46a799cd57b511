// File and folder services on POSIX: tracked current directory, case-insensitive path resolution,
// whole-file reading and writing, folder listing.
#include "platform/os/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

FilesState filesState;

namespace {

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool equalNoCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b) {
        if (lowerAscii(*a) != lowerAscii(*b)) return false;
    }
    return *a == *b;
}

// The upper half of Windows-1251 (0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order).
const uint16_t CP1251_HIGH[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C,
    0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A,
    0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9,
    0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

uint16_t cp1251Char(unsigned char c)
{
    if (c < 0x80) return c;
    if (c >= 0xC0) return static_cast<uint16_t>(0x0410 + (c - 0xC0));
    return CP1251_HIGH[c - 0x80];
}

// Length of the valid UTF-8 sequence at s (1..3 bytes here, 4 for the supplementary planes),
// 0 when the bytes there are not valid UTF-8. *code receives the character.
int utf8Sequence(const unsigned char* s, uint32_t* code)
{
    unsigned char c = s[0];
    if (c < 0x80) {
        *code = c;
        return 1;
    }
    int n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (n == 0) return 0;
    uint32_t v = c & (0x3Fu >> (n - 1));
    for (int i = 1; i < n; ++i) {
        if ((s[i] & 0xC0) != 0x80) return 0;
        v = (v << 6) | (s[i] & 0x3Fu);
    }
    if ((n == 3 && v < 0x800) || (n == 4 && (v < 0x10000 || v > 0x10FFFF)) || (v >= 0xD800 && v <= 0xDFFF)) return 0;
    *code = v;
    return n;
}

bool isUtf8(const char* s)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
    while (*p) {
        uint32_t code;
        int n = utf8Sequence(p, &code);
        if (n == 0) return false;
        p += n;
    }
    return true;
}

void appendUtf8(std::string& out, uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The game's file names are 8-bit (Windows-1251); the file system's are UTF-8. A name that is
// already valid UTF-8 (every ASCII name is) is used as it is.
std::string toFileSystemName(const char* name)
{
    if (isUtf8(name)) return name;
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) appendUtf8(out, cp1251Char(*p));
    return out;
}

// Back to the game's 8-bit names for a listing: a UTF-8 name whose every character exists in
// Windows-1251 is converted; any other name is given as the file system has it.
std::string toGameName(const char* name)
{
    std::string out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(name);
    bool plain = true;
    while (*p) {
        uint32_t code;
        int n = utf8Sequence(p, &code);
        if (n == 0) return name;
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else {
            plain = false;
            int found = -1;
            for (int c = 0x80; c <= 0xFF && found < 0; ++c)
                if (cp1251Char(static_cast<unsigned char>(c)) == code) found = c;
            if (found < 0) return name;
            out += static_cast<char>(found);
        }
        p += n;
    }
    return plain ? std::string(name) : out;
}

void ensureCurrentDir()
{
    if (filesState.currentDir[0] == 0) resetFiles();
}

// The entry of folder whose name equals name ignoring ASCII case; the smallest by byte order
// when several do, so the choice does not depend on the order the system lists them in.
bool findNoCase(const std::string& folder, const std::string& name, std::string& found)
{
    DIR* dir = opendir(folder.empty() ? "/" : folder.c_str());
    if (!dir) return false;
    bool any = false;
    while (dirent* e = readdir(dir)) {
        if (!equalNoCase(e->d_name, name.c_str())) continue;
        if (!any || std::strcmp(e->d_name, found.c_str()) < 0) found = e->d_name;
        any = true;
    }
    closedir(dir);
    return any;
}

// Absolute path with the case-insensitive fallback; exists tells whether every component exists.
std::string resolve(const char* rawPath, bool& exists)
{
    ensureCurrentDir();
    std::string converted = toFileSystemName(rawPath);
    const char* path = converted.c_str();
    std::string result;
    if (path[0] != '/' && path[0] != '\\') {
        result = filesState.currentDir;
        if (result == "/") result.clear();
    }
    exists = true;
    const char* p = path;
    while (*p) {
        while (*p == '/' || *p == '\\') ++p;
        const char* start = p;
        while (*p && *p != '/' && *p != '\\') ++p;
        std::string comp(start, size_t(p - start));
        if (comp.empty() || comp == ".") continue;
        if (comp == "..") {
            size_t slash = result.rfind('/');
            result.erase(slash == std::string::npos ? 0 : slash);
            continue;
        }
        std::string candidate = result + "/" + comp;
        struct stat st;
        if (exists && lstat(candidate.c_str(), &st) != 0) {
            std::string match;
            if (findNoCase(result, comp, match)) {
                candidate = result + "/" + match;
            } else {
                exists = false;
            }
        }
        result = candidate;
    }
    if (result.empty()) result.assign(1, '/');
    return result;
}

bool isFolder(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isRegular(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int fail(int error, bool inFolder = false)
{
    filesState.lastError = error;
    filesState.lastErrorInFolder = inFolder;
    return error;
}

// The fault switch: true (errno set) when this operation is the one to fail.
bool injected(int op)
{
    if (filesState.failAt <= 0 || !(filesState.failMask & op)) return false;
    filesState.operations++;
    if (filesState.operations != filesState.failAt && !(filesState.failAfter && filesState.operations > filesState.failAt))
        return false;
    filesState.failures++;
    errno = filesState.failErrno;
    return true;
}

// Closes fd (always, even when the fault switch fails the close); true, errno set, on failure.
bool closeFailed(int fd)
{
    int rc = close(fd);
    int error = errno;
    if (injected(OsOpClose)) return true;
    errno = error;
    return rc != 0;
}

// Opens a file for reading without ever blocking (a FIFO in its place would wait for a writer):
// only a regular file of at most maxSize bytes is kept open. -1 with lastError set otherwise.
int openRegular(const char* rawPath, int64_t maxSize, struct stat* st)
{
    bool exists = false;
    std::string r = resolve(rawPath, exists);
    if (!exists) {
        fail(ENOENT);
        return -1;
    }
    int fd = open(r.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        fail(errno);
        return -1;
    }
    if (fstat(fd, st) != 0) {
        fail(errno);
        close(fd);
        return -1;
    }
    if (!S_ISREG(st->st_mode)) {
        fail(S_ISDIR(st->st_mode) ? EISDIR : EINVAL);
        close(fd);
        return -1;
    }
    if (st->st_size > maxSize) {
        fail(EFBIG);
        close(fd);
        return -1;
    }
    // Reads of a regular file never block anyway; the flag goes so that nothing else sees it.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace

void resetFiles()
{
    char buf[OS_PATH_MAX];
    if (getcwd(buf, sizeof buf)) {
        std::snprintf(filesState.currentDir, sizeof filesState.currentDir, "%s", buf);
    } else {
        std::snprintf(filesState.currentDir, sizeof filesState.currentDir, "/");
    }
}

const char* osGetCurrentDirectory()
{
    ensureCurrentDir();
    return filesState.currentDir;
}

bool osSetCurrentDirectory(const char* path)
{
    if (!path) return false;
    bool exists = false;
    std::string target = resolve(path, exists);
    if (!exists || !isFolder(target) || target.size() >= sizeof filesState.currentDir) return false;
    std::memcpy(filesState.currentDir, target.c_str(), target.size() + 1);
    return true;
}

bool osResolvePath(const char* path, char* out, int capacity)
{
    if (!out || capacity <= 0) return false;
    out[0] = 0;
    if (!path) return false;
    bool exists = false;
    std::string r = resolve(path, exists);
    if (int(r.size()) >= capacity) return false;
    std::memcpy(out, r.c_str(), r.size() + 1);
    return exists;
}

bool osFileExists(const char* path)
{
    if (!path) return false;
    bool exists = false;
    std::string r = resolve(path, exists);
    return exists && isRegular(r);
}

bool osFolderExists(const char* path)
{
    if (!path) return false;
    bool exists = false;
    std::string r = resolve(path, exists);
    return exists && isFolder(r);
}

bool osCreateDirectory(const char* path)
{
    if (!path) return false;
    bool exists = false;
    std::string r = resolve(path, exists);
    if (exists) return false;
    return mkdir(r.c_str(), 0755) == 0;
}

bool osCopyFile(const char* from, const char* to)
{
    int32_t size = 0;
    uint8_t* data = osReadFile(from, &size);
    if (!data) return false;
    bool ok = osWriteFile(to, data, size);
    std::free(data);
    return ok;
}

bool osDeleteFile(const char* path)
{
    if (!path) return false;
    bool exists = false;
    std::string r = resolve(path, exists);
    if (!exists || !isRegular(r)) return false;
    return unlink(r.c_str()) == 0;
}

int32_t osFileSize(const char* path)
{
    if (!path) return -1;
    bool exists = false;
    std::string r = resolve(path, exists);
    struct stat st;
    if (!exists || stat(r.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    if (st.st_size > INT32_MAX - 1) return -1;
    return int32_t(st.st_size);
}

uint8_t* osReadFile(const char* path, int32_t* outSize)
{
    return osReadFileLimited(path, INT32_MAX - 1, outSize);
}

uint8_t* osReadFileLimited(const char* path, int32_t maxSize, int32_t* outSize)
{
    if (outSize) *outSize = 0;
    if (!path) {
        fail(EINVAL);
        return nullptr;
    }
    struct stat st;
    int fd = openRegular(path, maxSize < 0 ? 0 : maxSize, &st);
    if (fd < 0) return nullptr;
    size_t size = size_t(st.st_size);
    uint8_t* buf = static_cast<uint8_t*>(std::malloc(size + 1));
    if (!buf) {
        fail(ENOMEM);
        close(fd);
        return nullptr;
    }
    size_t done = 0;
    int error = 0;
    while (done < size) {
        ssize_t n = read(fd, buf + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        if (n <= 0) break;
        done += size_t(n);
    }
    close(fd);
    if (done != size) {
        std::free(buf);
        fail(error ? error : EIO);
        return nullptr;
    }
    buf[size] = 0;
    if (outSize) *outSize = int32_t(size);
    filesState.lastError = 0;
    return buf;
}

int osLastError()
{
    return filesState.lastError;
}

bool osLastErrorInFolder()
{
    return filesState.lastError != 0 && filesState.lastErrorInFolder;
}

const char* osErrorText(int error)
{
    if (error == EINVAL) return "not a regular file";
    if (error == EFBIG) return "file too large";
    return std::strerror(error);
}

void osFailFileOperation(int n, int errnoValue, int mask, bool andAfter)
{
    filesState.failAfter = andAfter;
    filesState.failAt = n > 0 ? n : 0;
    filesState.failErrno = errnoValue;
    filesState.failMask = mask;
    filesState.operations = 0;
    filesState.failures = 0;
}

int osFileOperations()
{
    return filesState.operations;
}

bool osReadFileRange(const char* path, int64_t offset, void* buffer, int32_t size)
{
    if (!path || offset < 0 || size < 0 || (size > 0 && !buffer)) return false;
    bool exists = false;
    std::string r = resolve(path, exists);
    if (!exists) return false;
    int fd = open(r.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && offset <= st.st_size && size <= st.st_size - offset;
    size_t done = 0;
    while (ok && done < size_t(size)) {
        ssize_t n = pread(fd, static_cast<uint8_t*>(buffer) + done, size_t(size) - done, off_t(offset) + off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    close(fd);
    return ok && done == size_t(size);
}

bool osWriteFile(const char* path, const void* data, int32_t size)
{
    if (!path || size < 0 || (size > 0 && !data)) return false;
    bool exists = false;
    std::string r = resolve(path, exists);
    if (exists && isFolder(r)) return false;
    FILE* f = std::fopen(r.c_str(), "wb");
    if (!f) return false;
    bool ok = size == 0 || std::fwrite(data, 1, size_t(size), f) == size_t(size);
    if (std::fclose(f) != 0) ok = false;
    return ok;
}

bool osWriteFileAtomic(const char* path, const void* data, int32_t size)
{
    if (!path || size < 0 || (size > 0 && !data)) {
        fail(EINVAL);
        return false;
    }
    // Past the process's file size limit a write gives EFBIG, handled as any failed write,
    // instead of the signal that would end the game.
    if (!filesState.fileSizeSignalIgnored) {
        std::signal(SIGXFSZ, SIG_IGN);
        filesState.fileSizeSignalIgnored = true;
    }
    bool exists = false;
    std::string r = resolve(path, exists);
    if (r.empty()) {
        fail(EINVAL);
        return false;
    }
    if (exists) {
        struct stat st;
        if (lstat(r.c_str(), &st) != 0) {
            fail(errno);
            return false;
        }
        // A symbolic link to a regular file is replaced like the file; anything else in the way
        // (a folder, a FIFO, a device, a link to one of those or a loop) is refused.
        if (!S_ISREG(st.st_mode) && !(S_ISLNK(st.st_mode) && isRegular(r))) {
            struct stat target;
            bool loop = S_ISLNK(st.st_mode) && stat(r.c_str(), &target) != 0;
            fail(loop ? ELOOP : S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
            return false;
        }
    }
    size_t slash = r.rfind('/');
    std::string folder = slash == std::string::npos ? std::string(".") : (slash == 0 ? std::string("/") : r.substr(0, slash));
    std::string tmp = r + ".tmp";
    int fd = injected(OsOpOpen) ? -1 : open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        // Not being able to make a file in the folder is the folder's fault (read-only, no
        // permission, missing, full).
        fail(errno, errno != ELOOP && errno != EISDIR);
        return false;
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    size_t left = size_t(size);
    int error = 0;
    while (left > 0) {
        ssize_t n = injected(OsOpWrite) ? -1 : write(fd, bytes, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        bytes += n;
        left -= size_t(n);
    }
    if (!error && (injected(OsOpFsync) || fsync(fd) != 0)) error = errno;
    if (closeFailed(fd) && !error) error = errno;
    bool inFolder = false;
    if (!error && (injected(OsOpRename) || rename(tmp.c_str(), r.c_str()) != 0)) {
        error = errno;
        inFolder = true;
    }
    if (error) {
        unlink(tmp.c_str());
        fail(error, inFolder);
        return false;
    }
    // The rename itself reaches the disk with the folder's entry.
    int dirFd = injected(OsOpOpen) ? -1 : open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        fail(errno, true);
        return false;
    }
    if (injected(OsOpFsync) || fsync(dirFd) != 0) error = errno;
    if (closeFailed(dirFd) && !error) error = errno;
    if (error) {
        fail(error, true);
        return false;
    }
    filesState.lastError = 0;
    return true;
}

bool osRenameFile(const char* from, const char* to)
{
    if (!from || !to) return false;
    bool fromExists = false;
    bool toExists = false;
    std::string a = resolve(from, fromExists);
    std::string b = resolve(to, toExists);
    if (!fromExists || !isRegular(a) || (toExists && !isRegular(b))) return false;
    return rename(a.c_str(), b.c_str()) == 0;
}

bool osMatchPattern(const char* pattern, const char* name)
{
    // "*.*" matches every name, with or without a dot.
    if (std::strcmp(pattern, "*.*") == 0) return true;
    const char* star = nullptr;  // last '*' seen in the pattern
    const char* resume = nullptr;  // name position to retry from after that '*'
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern && (*pattern == '?' || lowerAscii(*pattern) == lowerAscii(*name))) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == 0;
}

int osListFolder(const char* folder, const char* pattern, OsFileName* out, int capacity)
{
    bool exists = false;
    std::string dirPath = resolve(folder && folder[0] ? folder : ".", exists);
    if (!exists) return -1;
    DIR* dir = opendir(dirPath.c_str());
    if (!dir) return -1;
    std::vector<std::string> names;
    while (dirent* e = readdir(dir)) {
        std::string name = toGameName(e->d_name);
        if (name.size() >= size_t(OS_NAME_MAX)) continue;
        if (!osMatchPattern(pattern ? pattern : "*", name.c_str())) continue;
        if (!isRegular(dirPath + "/" + e->d_name)) continue;
        names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (int i = 0; i < int(names.size()) && i < capacity; ++i) {
        std::memcpy(out[i].name, names[size_t(i)].c_str(), names[size_t(i)].size() + 1);
    }
    return int(names.size());
}
