// Data set and writable folder (see dirs.h).
#include "platform/os/dirs.h"

#include "platform/os/files.h"
#include "platform/os/os.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

OsDirsState osDirs;

namespace {

bool isFolder(const char* path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool join(char* out, int capacity, const char* a, const char* b)
{
    int n = std::snprintf(out, static_cast<size_t>(capacity), "%s%s%s", a, (a[0] && a[std::strlen(a) - 1] == '/') ? "" : "/", b);
    return n >= 0 && n < capacity;
}

// Creates a folder and every missing parent (like mkdir -p).
bool makeFolders(const char* path)
{
    char buf[PATH_MAX];
    int n = std::snprintf(buf, sizeof buf, "%s", path);
    if (n <= 0 || n >= static_cast<int>(sizeof buf)) return false;
    for (char* p = buf + 1; *p; ++p) {
        if (*p != '/') continue;
        *p = 0;
        if (mkdir(buf, 0755) != 0 && errno != EEXIST) return false;
        *p = '/';
    }
    if (mkdir(buf, 0755) != 0 && errno != EEXIST) return false;
    return isFolder(buf);
}

}  // namespace

void resetOsDirs()
{
    osDirs = OsDirsState{};
}

bool osLocateData(const char* startDir, const char* exeDir, char* out, int capacity, bool* portable)
{
    if (!out || capacity <= 0) return false;
    out[0] = 0;
    char candidate[PATH_MAX] = {};
    bool isPortable = true;
    bool found = false;
    char tried[PATH_MAX];
    if (startDir && startDir[0] && join(tried, sizeof tried, startDir, "Data") &&
        osResolvePath(tried, candidate, sizeof candidate) && isFolder(candidate))
        found = true;
    if (!found && exeDir && exeDir[0] && join(tried, sizeof tried, exeDir, "Data") &&
        osResolvePath(tried, candidate, sizeof candidate) && isFolder(candidate))
        found = true;
    if (!found && exeDir && exeDir[0] && join(tried, sizeof tried, exeDir, "../share/ostrimar") &&
        osResolvePath(tried, candidate, sizeof candidate) && isFolder(candidate)) {
        found = true;
        isPortable = false;
    }
    if (!found) {
        // None: the start folder's "Data" anyway, so the loading error names a sensible place.
        const char* base = startDir && startDir[0] ? startDir : ".";
        if (!join(tried, sizeof tried, base, "Data")) return false;
        if (!osResolvePath(tried, candidate, sizeof candidate) && candidate[0] == 0) return false;
    }
    int len = static_cast<int>(std::strlen(candidate));
    if (len >= capacity) return false;
    std::memcpy(out, candidate, static_cast<size_t>(len) + 1);
    if (portable) *portable = isPortable;
    osDirs.located = true;
    osDirs.portable = isPortable;
    std::memcpy(osDirs.dataDir, candidate, static_cast<size_t>(len) + 1);
    return true;
}

bool osSettingsDirFor(const char* dataDir, bool portable, const char* xdgDataHome, const char* home, char* out,
                      int capacity)
{
    if (!out || capacity <= 0) return false;
    out[0] = 0;
    int n;
    if (portable) {
        if (!dataDir || !dataDir[0]) return false;
        return join(out, capacity, dataDir, "settings");
    }
    // Only an absolute $XDG_DATA_HOME counts (the base directory rules say a relative one is
    // invalid and must be ignored).
    if (xdgDataHome && xdgDataHome[0] == '/') {
        n = std::snprintf(out, static_cast<size_t>(capacity), "%s/ostrimar/settings", xdgDataHome);
    } else {
        if (!home || home[0] != '/') return false;
        n = std::snprintf(out, static_cast<size_t>(capacity), "%s/.local/share/ostrimar/settings", home);
    }
    if (n < 0 || n >= capacity) {
        out[0] = 0;
        return false;
    }
    return true;
}

const char* osHomeDir()
{
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    if (osDirs.noPasswdHome) return nullptr;
    static char fromPasswd[PATH_MAX];
    struct passwd* pw = getpwuid(getuid());
    if (!pw || !pw->pw_dir || pw->pw_dir[0] != '/') return nullptr;
    int n = std::snprintf(fromPasswd, sizeof fromPasswd, "%s", pw->pw_dir);
    return n > 0 && n < static_cast<int>(sizeof fromPasswd) ? fromPasswd : nullptr;
}

bool osSettingsDirName(char* out, int capacity)
{
    if (!osDirs.located) return false;
    if (!osSettingsDirFor(osDirs.dataDir, osDirs.portable, std::getenv("XDG_DATA_HOME"), osHomeDir(), out,
                          capacity))
        return false;
    if (osDirs.portable) {
        // Inside the data set: the folder name may differ in letter case in a copied data set.
        char resolved[PATH_MAX];
        if (osResolvePath(out, resolved, sizeof resolved) && static_cast<int>(std::strlen(resolved)) < capacity)
            std::memcpy(out, resolved, std::strlen(resolved) + 1);
    }
    return true;
}

bool osSettingsDir(char* out, int capacity)
{
    return osSettingsDirName(out, capacity) && makeFolders(out);
}

bool osScreenshotDirFor(const char* dataDir, bool portable, const char* xdgPicturesDir, const char* home, char* out,
                        int capacity)
{
    if (!out || capacity <= 0) return false;
    out[0] = 0;
    int n;
    if (portable) {
        if (!dataDir || dataDir[0] != '/') return false;
        // The folder that holds the data folder (a trailing separator does not count).
        int len = static_cast<int>(std::strlen(dataDir));
        while (len > 1 && dataDir[len - 1] == '/') len--;
        int slash = len - 1;
        while (slash > 0 && dataDir[slash] != '/') slash--;
        if (slash == 0) slash = 1;  // the data folder lies in the root
        if (slash >= capacity) return false;
        std::memcpy(out, dataDir, static_cast<size_t>(slash));
        out[slash] = 0;
        return true;
    }
    if (xdgPicturesDir && xdgPicturesDir[0] == '/') {
        n = std::snprintf(out, static_cast<size_t>(capacity), "%s/Ostrimar", xdgPicturesDir);
    } else {
        if (!home || home[0] != '/') return false;
        n = std::snprintf(out, static_cast<size_t>(capacity), "%s/Pictures/Ostrimar", home);
    }
    if (n < 0 || n >= capacity) {
        out[0] = 0;
        return false;
    }
    return true;
}

bool osPicturesDirFromUserDirs(const char* text, int size, const char* home, char* out, int capacity)
{
    if (!text || size <= 0 || !out || capacity <= 0) return false;
    out[0] = 0;
    static const char key[] = "XDG_PICTURES_DIR";
    const int keyLen = static_cast<int>(sizeof key) - 1;
    int i = 0;
    while (i < size) {
        int end = i;
        while (end < size && text[end] != '\n') end++;
        int k = i;
        while (k < end && (text[k] == ' ' || text[k] == '\t')) k++;
        if (end - k > keyLen && std::memcmp(text + k, key, keyLen) == 0) {
            k += keyLen;
            while (k < end && (text[k] == ' ' || text[k] == '\t')) k++;
            if (k < end && text[k] == '=') {
                k++;
                while (k < end && (text[k] == ' ' || text[k] == '\t')) k++;
                if (k >= end || text[k] != '"') return false;
                k++;
                int n = 0;
                static const char homeVar[] = "$HOME";
                const int homeLen = static_cast<int>(sizeof homeVar) - 1;
                if (end - k >= homeLen && std::memcmp(text + k, homeVar, homeLen) == 0 &&
                    (k + homeLen == end || text[k + homeLen] == '/' || text[k + homeLen] == '"')) {
                    if (!home || home[0] != '/') return false;
                    n = static_cast<int>(std::strlen(home));
                    if (n >= capacity) return false;
                    std::memcpy(out, home, static_cast<size_t>(n));
                    k += homeLen;
                }
                bool closed = false;
                for (; k < end; k++) {
                    char c = text[k];
                    if (c == '"') {
                        closed = true;
                        break;
                    }
                    if (c == '\\' && k + 1 < end) c = text[++k];
                    if (c == 0 || n + 1 >= capacity) {
                        out[0] = 0;
                        return false;
                    }
                    out[n++] = c;
                }
                out[n] = 0;
                if (!closed || out[0] != '/') {
                    out[0] = 0;
                    return false;
                }
                while (n > 1 && out[n - 1] == '/') out[--n] = 0;
                return true;
            }
        }
        i = end + 1;
    }
    return false;
}

bool osScreenshotDir(char* out, int capacity)
{
    if (!osDirs.located) return false;
    const char* home = osHomeDir();
    const char* pictures = std::getenv("XDG_PICTURES_DIR");
    char fromFile[PATH_MAX];
    if (!pictures || pictures[0] != '/') {
        // The desktop's own naming of the folder, as xdg-user-dirs keeps it.
        char path[PATH_MAX];
        const char* config = std::getenv("XDG_CONFIG_HOME");
        bool named = config && config[0] == '/' ? join(path, sizeof path, config, "user-dirs.dirs")
                     : home && home[0] == '/'   ? join(path, sizeof path, home, ".config/user-dirs.dirs")
                                                : false;
        if (named) {
            static char text[16384];
            int size = 0;
            if (FILE* f = std::fopen(path, "rb")) {
                size = static_cast<int>(std::fread(text, 1, sizeof text, f));
                std::fclose(f);
            }
            if (osPicturesDirFromUserDirs(text, size, home, fromFile, sizeof fromFile)) pictures = fromFile;
        }
    }
    return osScreenshotDirFor(osDirs.dataDir, osDirs.portable, pictures, home, out, capacity) && makeFolders(out);
}
