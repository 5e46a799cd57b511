#pragma once
// Helpers for the dialog tests: a menu tree of the game's dialogs built from text, the state of a
// first start, frames of the framework at a fixed frame time, and buttons pressed by name.
#include <unistd.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/screens.h"
#include "app/shell.h"
#include "core/appstate.h"
#include "core/dialogport.h"
#include "core/requestlog.h"
#include "effects/effects.h"
#include "sound_probe.h"
#include "graphics/device.h"
#include "map/map.h"
#include "menus/dialogflow.h"
#include "menus/levelresult.h"
#include "menus/menus.h"
#include "persist/profile.h"
#include "persist/records.h"
#include "persist/settings.h"
#include "platform/os/os.h"
#include "resources/files.h"
#include "resources/texts.h"

// The dialogs as "menu.txt" lists them (the first child of "main" is dropped by the loader).
inline const char* dialogTreeText()
{
    return "main=\r\nmain\r\nadventure\r\ntimeless\r\npuzzle\r\noptions\r\nhiscore\r\ncredits\r\ntrophyroom\r\nexit\r\n\r\n"
           "adventure=\r\nstart\r\nback\r\n\r\n"
           "timeless=\r\nstart\r\nback\r\n\r\n"
           "puzzle=\r\nstart\r\nback\r\n\r\n"
           "options=\r\napply\r\ndefault\r\n\r\n"
           "hiscore=\r\nback\r\n\r\n"
           "credits=\r\nback\r\n\r\n"
           "profiles=\r\nselectprofile\r\nnewprofile\r\nrename\r\nremove\r\nback\r\n\r\n"
           "newprofile=\r\noknewprofile\r\ncancel\r\n\r\n"
           "rename=\r\nokrename\r\ncancel\r\n\r\n"
           "loadgamequest=\r\nyes\r\nno\r\n\r\n"
           "messageboxok=\r\nok\r\n\r\n"
           "messageboxyn=\r\nyes\r\nno\r\n\r\n"
           "gameplay=\r\nresume game\r\nrestart level\r\nskip level\r\nmain\r\n\r\n"
           "levelcomplete=\r\noknextlevel\r\n\r\n"
           "defeat=\r\nrestart level\r\nskip level\r\nmain\r\n\r\n"
           "gameover=\r\nmain\r\n\r\n"
           "replaywin=\r\nokcontinuegame\r\nback\r\n\r\n"
           "replayloss=\r\nrestart level\r\nback\r\n\r\n"
           "gameplaytip=\r\nok\r\n\r\n";
}

inline void buildTestTree()
{
    std::string bytes = "\xFF\xFE";
    for (const char* p = dialogTreeText(); *p; ++p) {
        bytes += *p;
        bytes += '\0';
    }
    buildMenuTree(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int32_t>(bytes.size()));
}

// Runs n frames of the framework (update and drawing) at 16 ms.
inline void menuFrames(int n)
{
    for (int i = 0; i < n; i++) {
        app.frameMs = 16.0f;
        drawDialogs(0);
        updateAudio();  // as the screens do every frame: the sounds' retrigger times run out
    }
}

// Long enough for a closing animation, the action after it and the next opening to finish.
inline void settleMenus() { menuFrames(50); }

inline std::string currentName() { return currentDialogName(); }

// Index of a child of the current dialog by name, -1 when it has none of that name.
inline int childNamed(const char* name)
{
    MenuNode* d = menus.current;
    if (!d) return -1;
    for (int i = 0; i < d->childCount; i++)
        if (std::strcmp(d->children[i]->key, name) == 0) return i;
    return -1;
}

// Focuses a button of the current dialog and presses Enter, then lets the closing animation and
// the action run and the next dialog open.
inline void pressButton(const char* name)
{
    int index = childNamed(name);
    ASSERT_GE(index, 0) << "no button " << name << " in " << currentName();
    menus.focus = index;
    menuKeyDown(13);
    settleMenus();
}

inline void pressKey(int vk)
{
    menuKeyDown(vk);
    settleMenus();
}

// Types letters and digits as their key codes, one per frame.
inline void typeKeys(const char* s)
{
    for (; *s; ++s) {
        menuKeyDown(*s);
        menuFrames(1);
    }
}

inline std::string profileNameAt(int i)
{
    std::string out;
    for (const char16_t* p = profileState.profiles[i].name; *p; ++p) out += static_cast<char>(*p);
    return out;
}

// A first start: no profile, default settings, the test tree, no dialog open, the headless device.
inline void resetDialogWorld()
{
    resetAppState();
    resetProfiles();
    resetPersist();
    // Saves go to a folder of this test process, never into the build folder's data set: CTest
    // runs the cases side by side, and a case that empties its folder must not empty another's.
    std::snprintf(persist.folderOverride, sizeof persist.folderOverride, "%s/dialogs-test-settings-%d",
                  OSTRIMAR_BINARY_DIR, static_cast<int>(getpid()));
    resetRecords();
    resetTextTables();
    resetDialogs();
    resetMap();
    clearRequests();
    resetAudio();
    registerGameSounds();
    resetEffects();
    addEffect("wowIQ", "effecttime=0\rparfrequency=0\r");  // counted, makes no particles
    resetDeviceState();
    createDevice(nullptr);
    buildTestTree();
    dialogPort.open = 0;
}

// ---- The real program's loop on the built data set ----

inline std::string readWholeFile(const std::string& path)
{
    std::string out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

// A first start: the built data set linked, member by member, into a new folder under /tmp
// ("ostrimar-<tag>-XXXXXX") without its "settings". The folder, or "" with the reason in *skip when
// the data set is not built (or, with `needMenus`, was made before the menu tree was a member of
// "texts.dat"), or in *failure when no folder could be made.
inline std::string firstStartFolder(const char* tag, bool needMenus, std::string* skip, std::string* failure)
{
    namespace fs = std::filesystem;
    std::string dataSet = std::string(OSTRIMAR_BINARY_DIR) + "/Data";
    if (!fs::exists(dataSet + "/targa.dat") || !fs::exists(dataSet + "/music.mo3")) {
        *skip = "the default data set is not built";
        return "";
    }
    if (needMenus && readWholeFile(dataSet + "/texts.dat").find("menu.txt") == std::string::npos) {
        *skip = "the data set has no menu.txt";
        return "";
    }
    std::string tmpl = std::string("/tmp/ostrimar-") + tag + "-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back(0);
    if (!mkdtemp(name.data())) {
        *failure = "no temporary folder";
        return "";
    }
    std::string root = name.data();
    fs::create_directories(root + "/Data");
    for (const auto& entry : fs::directory_iterator(dataSet)) {
        if (entry.path().filename() == "settings") continue;
        fs::create_symlink(entry.path(), root + "/Data/" + entry.path().filename().string());
    }
    return root;
}

// What every test of the real loop resets before and after it runs; the one-copy lock goes
// into the test's own folder.
inline void resetRealLoop(const std::string& root)
{
    resetOs();
    resetAppState();
    resetScreens();
    resetShell();
    resetPersist();
    resetFileTable();
    resetTextTables();
    resetDeviceState();
    resetProfiles();
    resetDialogs();
    resetMenus();
    clearRequests();
    std::snprintf(osState.lockDir, sizeof osState.lockDir, "%s", root.c_str());
}
