#pragma once
// Helpers of the dialog framework tests: a tree from a UTF-16 text, frames at a fixed frame time,
// the pointer placed in screen space, and a fresh framework over the UI test font (headless).
#include "ui/ui_helpers.h"

#include "core/requestlog.h"
#include "menus/menus.h"
#include "resources/texts.h"

#include <string>

// Builds the tree from text (CR LF lines), written as the game reads it (UTF-16 LE with a BOM).
inline void buildTree(const std::u16string& text)
{
    std::u16string file = u"\uFEFF" + text;
    buildMenuTree(reinterpret_cast<const uint8_t*>(file.data()), static_cast<int32_t>(file.size() * 2));
}

// Adds text-table entries ("key=value" lines).
inline void addTexts(const std::u16string& lines)
{
    std::u16string file = u"\uFEFF" + lines + u"\r\n";
    parseTextData(reinterpret_cast<const uint8_t*>(file.data()), static_cast<int32_t>(file.size() * 2));
}

// One frame of the framework: update, then draw (which registers this frame's buttons).
inline void menuFrame(float ms = 20.0f)
{
    app.frameMs = ms;
    updateMenus();
    drawMenus();
}

// A frame (which takes a pending key), then frames until no animation runs (at most 40).
inline void settleMenus()
{
    menuFrame();
    for (int i = 0; i < 40 && (menus.opening || menus.closing); i++) menuFrame();
    menuFrame();
}

// Places the pointer at (x, y) in the centred screen space (the headless client is 800 x 600).
inline void pointAt(float x, float y)
{
    app.mouseX = static_cast<int>(x + 400.0f);
    app.mouseY = static_cast<int>(300.0f - y);
}

inline std::u16string editText() { return std::u16string(menus.editBuffer, static_cast<size_t>(menus.editLength)); }

// A headless device with the test font, fresh text tables, menus and request log.
class MenusTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        loadTestFont(false);
        resetTextTables();
        resetMenus();
        clearRequests();
        menuHooks = MenuHooks{};
    }
    void TearDown() override
    {
        resetMenus();
        resetTextTables();
        menuHooks = MenuHooks{};
        UiTest::TearDown();
    }
};
