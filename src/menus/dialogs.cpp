// The dialogs of the game register their drawing routines, on-open steps, key rules, back steps
// and button actions here (see registerDialog and registerButtonAction in menus/menus.h). Each
// group of dialogs lives in its own file (dialogs_*.cpp) with one registering function called
// below. loadMenus and buildMenuTree call registerDialogs before they fill in the tree.
#include "menus/menus.h"

void registerDialogs()
{
}
