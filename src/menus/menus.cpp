#include "menus/menus.h"

#include "core/requestlog.h"

MenusState menus;

void loadMenus() { recordRequest("loadMenus"); }
void openDialog(const char* name) { recordRequest("openDialog", name); }
void closeDialog() { recordRequest("closeDialog"); }
void showMessageBox(const char* text, bool okOnly) { recordRequest("showMessageBox", text, okOnly ? 1 : 0); }
void updateMenus() {}
void drawDialogs(int pass) { recordRequest("drawDialogs", "", pass); }
void dialogKeyDown(int vk) { recordRequest("dialogKeyDown", "", vk); }
void dialogPress() { recordRequest("dialogPress"); }
void dialogDoubleClick() { recordRequest("dialogDoubleClick"); }
void dialogRelease() { recordRequest("dialogRelease"); }
void dialogHover() { recordRequest("dialogHover"); }
