// A standard dialog and a message box drawn on the OpenGL device (offscreen) with the default data
// set's panel pictures, button face, font and texts, as the menu screen sets up its frame, at
// fixed frame times, against stored pictures.
#include "menus_helpers.h"

#include "app/screen_draw.h"

#include <filesystem>

namespace {

class MenusGolden : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        data = std::string(OSTRIMAR_BINARY_DIR) + "/Data";
        ASSERT_TRUE(std::filesystem::exists(data + "/targa.dat")) << "the data set is built by the dataset target";
        startGl();
        resetTextTables();
        resetTextState();
        resetMessages();
        resetMenus();
        clearRequests();
        ASSERT_TRUE(openBuiltDataSet(data, false));
        ASSERT_TRUE(loadFont("font", 1.0f, 1.0f));
        loadMenuPictures();
        ASSERT_EQ(ExitRecorder::exits(), 0) << textureManager.lastMessage;
        ASSERT_NE(panels.atlas, nullptr);
        ASSERT_NE(panels.button, nullptr);
        app.mouseX = 799;  // the pointer in a corner, away from every button
        app.mouseY = 599;
    }
    void TearDown() override
    {
        resetMenus();
        resetTextState();
        resetMessages();
        resetTextTables();
        GraphicsTest::TearDown();
    }
    // Frames of the menu screen's dialog pass over a dusky blue clear colour.
    void run(int frames)
    {
        for (int i = 0; i < frames; i++) {
            clearDepth(1.0f);
            clearColor(0xFF24304A);
            beginScene();
            menuRenderSetup();
            selectFont(0);
            menuFrame(20.0f);
            menuRenderFinish();
            endScene();
        }
    }
    std::string data;
};

TEST_F(MenusGolden, StandardDialogWithTheSecondButtonFocused)
{
    buildTree(u"main=\r\nmain\r\ntestmenu\r\n\r\ntestmenu=\r\nadventure\r\ntimeless\r\npuzzle\r\noptions\r\n"
              u"trophyroom\r\nexit\r\n\r\n");
    openDialog("testmenu");
    run(20);
    ASSERT_FALSE(menus.opening);
    menuKeyDown(40);
    run(1);
    ASSERT_EQ(menus.focus, 1);
    ASSERT_EQ(menus.buttonCount, 6);
    expectGolden(frame(), "menus_standard_dialog");
}

TEST_F(MenusGolden, YesNoMessageBox)
{
    buildTree(u"main=\r\nmain\r\nexit\r\n\r\nmessageboxyn=\r\nyes\r\nno\r\n\r\n");
    openDialog("main");
    run(20);
    showMessageBox("quit", false);
    run(20);
    ASSERT_STREQ(currentDialogName(), "messageboxyn");
    ASSERT_EQ(menus.buttonCount, 2);
    expectGolden(frame(), "menus_message_box");
}

}  // namespace
