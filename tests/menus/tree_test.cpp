// Building the menu tree from "menu.txt": the first button of "main" dropped, shared nodes,
// dialogs without a block, names that only look like blocks, captions, the dialogs every tree
// has, damaged files, and the credits.
#include "menus_helpers.h"

namespace {

using MenuTree = MenusTest;

std::u16string captionOf(const char* name)
{
    MenuNode* n = findDialog(name);
    return n ? std::u16string(n->caption) : u"<none>";
}

std::string childNames(const char* dialog)
{
    MenuNode* d = findDialog(dialog);
    if (!d) return "<none>";
    std::string out;
    for (int i = 0; i < d->childCount; i++) out += std::string(i ? "," : "") + d->children[i]->key;
    return out;
}

TEST_F(MenuTree, MainLosesItsFirstButtonAndButtonsOpenTheirDialogs)
{
    addTexts(u"adventure=Adventure\r\nexit=Exit");
    buildTree(u"main=\r\nfirst\r\nadventure\r\nexit\r\n\r\nadventure=\r\nstart\r\nback\r\n\r\n");
    EXPECT_EQ(childNames("main"), "adventure,exit");
    // The dropped button stays in the table.
    ASSERT_NE(findDialog("first"), nullptr);
    EXPECT_EQ(findDialog("main")->parent, nullptr);
    EXPECT_EQ(childNames("adventure"), "start,back");
    EXPECT_EQ(findDialog("adventure")->parent, findDialog("main"));
    EXPECT_EQ(findDialog("start")->parent, findDialog("adventure"));
    EXPECT_EQ(captionOf("adventure"), u"Adventure");
    EXPECT_EQ(captionOf("start"), u"");  // no text: empty caption
    EXPECT_FALSE(menus.treeDamaged);
    EXPECT_STREQ(currentDialogName(), "");
}

TEST_F(MenuTree, SharedNodesAreOneNodeReachedFromSeveralDialogs)
{
    buildTree(u"main=\r\nx\r\nadventure\r\ntimeless\r\n\r\nadventure=\r\nstart\r\nback\r\n\r\n"
              u"timeless=\r\nstart\r\nback\r\n\r\n");
    MenuNode* a = findDialog("adventure");
    MenuNode* t = findDialog("timeless");
    ASSERT_TRUE(a && t);
    EXPECT_EQ(a->children[0], t->children[0]);
    EXPECT_EQ(a->children[1], t->children[1]);
    int starts = 0;
    for (int i = 0; i < menus.nodeCount; i++) starts += nodeIs(&menus.nodes[i], "start");
    EXPECT_EQ(starts, 1);
    // The parent is the dialog through which it was first built.
    EXPECT_EQ(findDialog("start")->parent, a);
}

TEST_F(MenuTree, ANameWithoutABlockOrWithoutTheEqualsSignIsAPlainButton)
{
    // "options" has no block; "credits" appears as a line but never followed directly by "=";
    // "xhelp=" must not count as the block of "help", and "hiscore =" (a space) is not a block.
    buildTree(u"main=\r\nx\r\noptions\r\ncredits\r\nhelp\r\nhiscore\r\n\r\ncredits\r\nback\r\n\r\n"
              u"xhelp=\r\nback\r\n\r\nhiscore =\r\nback\r\n\r\n");
    EXPECT_EQ(childNames("main"), "options,credits,help,hiscore");
    for (const char* name : {"options", "credits", "help", "hiscore"}) {
        ASSERT_NE(findDialog(name), nullptr) << name;
        EXPECT_EQ(findDialog(name)->childCount, 0) << name;
    }
}

TEST_F(MenuTree, TheDialogsEveryTreeHasExistEvenWithoutAFile)
{
    buildMenuTree(nullptr, 0);
    for (const char* name : {"main", "gameplaytip", "loadgamequest", "newprofile", "rename", "profiles", "levelcomplete",
                             "messageboxok", "messageboxyn", "gameplay", "defeat", "gameover"}) {
        ASSERT_NE(findDialog(name), nullptr) << name;
        EXPECT_EQ(findDialog(name)->childCount, 0) << name;
    }
    EXPECT_EQ(findDialog("profiles")->parent, findDialog("main"));
    EXPECT_EQ(findDialog("gameplay")->parent, nullptr);
    EXPECT_EQ(findDialog("adventure"), nullptr);  // only from the file
    // Lookups are exact and case-sensitive.
    EXPECT_EQ(findDialog("Main"), nullptr);
    EXPECT_EQ(findDialog(nullptr), nullptr);
}

TEST_F(MenuTree, DialogsNoButtonLeadsToAreBuiltToo)
{
    buildTree(u"main=\r\nx\r\nexit\r\n\r\nreplaywin=\r\noknextlevel\r\nback\r\n\r\nprofiles=\r\nselectprofile\r\n\r\n");
    EXPECT_EQ(childNames("replaywin"), "oknextlevel,back");
    EXPECT_EQ(findDialog("replaywin")->parent, nullptr);
    // "profiles" came from the file and still gets "main" as its parent.
    EXPECT_EQ(childNames("profiles"), "selectprofile");
    EXPECT_EQ(findDialog("profiles")->parent, findDialog("main"));
}

TEST_F(MenuTree, LinesEndingInLfAloneAndAFileWithoutByteOrderMarkRead)
{
    const std::u16string text = u"main=\nx\nexit\n\nexit=\nyes\nno\n";
    buildMenuTree(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size() * 2));
    EXPECT_EQ(childNames("main"), "exit");
    EXPECT_EQ(childNames("exit"), "yes,no");
}

TEST_F(MenuTree, DamagedFilesNeverOverrunTheTables)
{
    // More than 16 buttons: the first 16 are kept and the tree is marked damaged.
    std::u16string many = u"main=\r\nx\r\n";
    for (int i = 0; i < 20; i++) many += u"b" + std::u16string(1, char16_t(u'a' + i)) + u"\r\n";
    buildTree(many + u"\r\n");
    EXPECT_EQ(findDialog("main")->childCount, 15);  // 16 read, the first one dropped
    EXPECT_TRUE(menus.treeDamaged);
    // A dialog that lists itself or its parent does not recurse forever.
    buildTree(u"main=\r\nx\r\na\r\n\r\na=\r\nb\r\nmain\r\n\r\nb=\r\na\r\n\r\n");
    EXPECT_EQ(childNames("a"), "b,main");
    EXPECT_EQ(childNames("b"), "a");
    // A name longer than 63 units is cut.
    buildTree(u"main=\r\nx\r\n" + std::u16string(100, u'n') + u"\r\n\r\n");
    ASSERT_EQ(findDialog("main")->childCount, 1);
    EXPECT_EQ(std::u16string(findDialog("main")->children[0]->name).size(), 63u);
    // An odd byte count and a file that ends inside a block.
    const char bytes[] = "m\0a\0i\0n\0=\0\r\0\n\0x\0\r\0\n\0e\0x";
    buildMenuTree(reinterpret_cast<const uint8_t*>(bytes), static_cast<int32_t>(sizeof bytes - 1));
    EXPECT_EQ(childNames("main"), "e");
    // Far more dialogs than the table holds.
    std::u16string wide = u"main=\r\nx\r\n";
    std::u16string blocks;
    for (int i = 0; i < 40; i++) {
        std::u16string d = u"d" + std::u16string(1, char16_t(u'A' + i));
        wide += d + u"\r\n";
        blocks += d + u"=\r\n";
        for (int k = 0; k < 10; k++) blocks += d + std::u16string(1, char16_t(u'a' + k)) + u"\r\n";
        blocks += u"\r\n";
    }
    buildTree(wide.substr(0, wide.size()) + u"\r\n" + blocks);
    EXPECT_EQ(menus.nodeCount, MENU_NODE_CAPACITY);
    EXPECT_TRUE(menus.treeDamaged);
}

TEST_F(MenuTree, CreditsAreTheLinesBetweenTheMarkers)
{
    const std::u16string file = u"\uFEFFcredits=Credits\r\n[credits/]\r\n\r\n\r\n{Team\r\nAnna\r\n\r\nBoris\r\n[/credits]\r\n";
    readCredits(reinterpret_cast<const uint8_t*>(file.data()), static_cast<int32_t>(file.size() * 2));
    ASSERT_EQ(menus.creditsCount, 4);
    EXPECT_EQ(std::u16string(menus.credits[0]), u"{Team");
    EXPECT_EQ(std::u16string(menus.credits[1]), u"Anna");
    EXPECT_EQ(std::u16string(menus.credits[2]), u"");
    EXPECT_EQ(std::u16string(menus.credits[3]), u"Boris");
    // No end marker: the lines run to the end of the file; no start marker: no credits.
    const std::u16string open = u"[credits/]\r\nA\r\nB";
    readCredits(reinterpret_cast<const uint8_t*>(open.data()), static_cast<int32_t>(open.size() * 2));
    EXPECT_EQ(menus.creditsCount, 2);
    const std::u16string none = u"credits=Credits\r\n";
    readCredits(reinterpret_cast<const uint8_t*>(none.data()), static_cast<int32_t>(none.size() * 2));
    EXPECT_EQ(menus.creditsCount, 0);
}

TEST_F(MenuTree, HandlersRegisteredByNameReachTheirNodes)
{
    DialogHandlers h;
    h.draw = [](MenuNode*) {};
    // (A name the game's own dialogs do not register, so theirs cannot replace it.)
    registerDialog("sample", h);
    buildTree(u"main=\r\nx\r\nsample\r\nother\r\n\r\nsample=\r\nback\r\n\r\nother=\r\nback\r\n\r\n");
    EXPECT_EQ(findDialog("sample")->drawHandler, h.draw);
    EXPECT_EQ(findDialog("other")->drawHandler, nullptr);
    // Registered after loading: the node takes it at once.
    DialogHandlers none;
    registerDialog("sample", none);
    EXPECT_EQ(findDialog("sample")->drawHandler, nullptr);
}

}  // namespace

namespace {

TEST_F(MenuTree, LoadMenusReadsTheTreeThroughTheFileTableAndTheCreditsFromTheLanguageFolder)
{
    auto utf16 = [](const std::u16string& s) {
        std::vector<uint8_t> out{0xFF, 0xFE};
        for (char16_t c : s) out.push_back(uint8_t(c & 0xFF)), out.push_back(uint8_t(c >> 8));
        return out;
    };
    put("menu.txt", utf16(u"main=\r\nmain\r\nexit\r\n\r\n"));
    put("txt/menutext.txt", utf16(u"credits=Credits\r\n[credits/]\r\nOne\r\nTwo\r\n[/credits]\r\n"));
    loadMenus((dir + "/txt/").c_str());
    EXPECT_EQ(ExitRecorder::exits(), 0);
    EXPECT_EQ(childNames("main"), "exit");
    ASSERT_EQ(menus.creditsCount, 2);
    EXPECT_EQ(std::u16string(menus.credits[1]), u"Two");
    // Without a language folder there are no credits; the tree is still read.
    loadMenus(nullptr);
    EXPECT_EQ(menus.creditsCount, 0);
    EXPECT_EQ(childNames("main"), "exit");
}

// The default data set's tree, read as the game reads it: every dialog the game opens by name
// exists, and every button has a caption in both languages.
TEST_F(MenuTree, TheDefaultDataSetHasEveryDialogAndEveryCaption)
{
    const std::string data = std::string(OSTRIMAR_BINARY_DIR) + "/Data";
    ASSERT_TRUE(std::filesystem::exists(data + "/texts.dat")) << "the data set is built by the dataset target";
    ASSERT_TRUE(osSetCurrentDirectory(data.c_str()));
    for (const char* folder : {"/txt/1/", "/txt/2/"}) {
        // Loading releases "menu.txt" from the file table, as every loader does: a fresh table.
        resetFileTable();
        ASSERT_EQ(openArchive("texts.dat"), ArchiveStatus::Ok);
        resetTextTables();
        ASSERT_EQ(loadTextFile((data + folder + "menutext.txt").c_str()), TextLoadStatus::Ok);
        ASSERT_EQ(loadTextFile((data + folder + "strings.txt").c_str()), TextLoadStatus::Ok);
        loadMenus((data + folder).c_str());
        EXPECT_FALSE(menus.treeDamaged);
        for (const char* name : {"main", "adventure", "timeless", "puzzle", "options", "hiscore", "credits", "profiles",
                                 "newprofile", "rename", "loadgamequest", "messageboxok", "messageboxyn", "gameplaytip",
                                 "gameplay", "levelcomplete", "defeat", "gameover", "replaywin", "replayloss",
                                 "survivalcomplete"}) {
            ASSERT_NE(findDialog(name), nullptr) << name;
            EXPECT_GT(findDialog(name)->childCount, 0) << name;
        }
        EXPECT_EQ(std::string(findDialog("main")->children[0]->key), "adventure");
        for (int i = 0; i < menus.nodeCount; i++) {
            const MenuNode& d = menus.nodes[i];
            for (int k = 0; k < d.childCount; k++)
                EXPECT_NE(d.children[k]->caption[0], 0) << folder << ": " << d.children[k]->key << " in " << d.key;
        }
        EXPECT_GT(menus.creditsCount, 5) << folder;
        for (const char* box : {"quit", "removeplayer", "prolog", "zeroscore", "skipquest", "noskiplevel", "noskiplast",
                                "restartquest", "nomorelives", "savemsg", "lostlifetime", "lostlifemoves"})
            EXPECT_NE(text(box), nullptr) << folder << ": " << box;
    }
}

}  // namespace
