// Fuzz target: the menu tree builder ("menu.txt") and the credits reader, then a few frames of
// the dialog framework over whatever tree came out (keys, clicks, opening every dialog).
#include "core/appstate.h"
#include "menus/menus.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20)) return 0;
    std::vector<uint8_t> buffer(data, data + size);  // exact size: overreads are caught
    buildMenuTree(buffer.data(), int32_t(buffer.size()));
    readCredits(buffer.data(), int32_t(buffer.size()));
    app.frameMs = 400.0f;  // every animation ends within a frame
    for (int i = 0; i < menus.nodeCount && i < 32; i++) {
        openDialog(&menus.nodes[i]);
        updateMenus();
        menuKeyDown(40);
        updateMenus();
        menuKeyDown(13);
        updateMenus();
        updateMenus();
        menuKeyDown(27);
        updateMenus();
        updateMenus();
    }
    resetMenus();
    return 0;
}
