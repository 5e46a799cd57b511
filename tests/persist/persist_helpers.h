#pragma once
// A private settings folder for each test, and small helpers to read, write and build the files.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "core/appstate.h"
#include "core/random.h"
#include "persist/profile.h"
#include "persist/records.h"
#include "persist/settings.h"
#include "platform/os/files.h"
#include "game/playstate.h"
#include "resources/texts.h"

// The game's message box as the dialog port reaches it (set `dialogPort.showMessageBox` to
// `ShownBoxes::box`): what it was asked to show.
struct ShownBoxes {
    static std::vector<std::string>& texts()
    {
        static std::vector<std::string> t;
        return t;
    }
    static bool box(const char* key, bool)
    {
        texts().push_back(key);
        return true;
    }
};

inline std::vector<uint8_t> fileBytes(const std::string& path)
{
    std::vector<uint8_t> out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

inline void putFile(const std::string& path, const void* data, size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (size) {
        ASSERT_EQ(std::fwrite(data, 1, size, f), size);
    }
    std::fclose(f);
}

inline bool exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// The ten default names (and one entry before them, so their index is not 0).
inline void loadDefaultNames()
{
    std::u16string t = u"\xFEFFlang=eng\r\n";
    const char16_t* names[10] = {u"Alice", u"Boris", u"Clara", u"Daniel", u"Elena",
                                 u"Felix", u"Greta", u"Hugo", u"Irina", u"Jonas"};
    for (int i = 0; i < 10; i++) {
        std::string key = "defname" + std::to_string(i + 1) + "=";
        t += std::u16string(key.begin(), key.end()) + names[i] + u"\r\n";
    }
    std::vector<uint8_t> bytes;
    for (char16_t c : t) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    parseTextData(bytes.data(), static_cast<int32_t>(bytes.size()));
}

class PersistTest : public ::testing::Test {
protected:
    std::string root;
    std::string folder;

    void SetUp() override
    {
        char tmpl[] = "/tmp/ostrimar-persist-test-XXXXXX";
        char* d = mkdtemp(tmpl);
        ASSERT_NE(d, nullptr);
        root = d;
        folder = root + "/settings";
        resetAppState();
        resetPersist();
        resetProfiles();
        resetRecords();
        resetTextTables();
        srand15(7);
        std::snprintf(persist.folderOverride, sizeof persist.folderOverride, "%s", folder.c_str());
    }

    void TearDown() override
    {
        resetPersist();
        resetProfiles();
        resetTextTables();
        std::string cmd = "rm -rf '" + root + "'";
        int rc = std::system(cmd.c_str());
        (void)rc;
    }

    std::string path(const std::string& name) const { return folder + "/" + name; }
    void makeFolder() { ASSERT_TRUE(ensureSettingsFolder()); }
};
