#pragma once
// Menu tree and dialogs. Until they are built, requests are recorded
// (core/requestlog.h) and no dialog is ever open.
#include <cstdint>

struct MenusState {
    uint8_t dialogOpen = 0;  // 1 while a dialog is shown over the board
};
extern MenusState menus;

void loadMenus();
void openDialog(const char* name);
void closeDialog();
void showMessageBox(const char* text, bool okOnly);
void updateMenus();
void drawDialogs(int pass);
void dialogKeyDown(int vk);
void dialogPress();
void dialogDoubleClick();
void dialogRelease();
void dialogHover();
