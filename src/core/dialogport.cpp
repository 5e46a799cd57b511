#include "core/dialogport.h"

DialogPort dialogPort;

void requestDialog(const char* name)
{
    if (dialogPort.openDialog) dialogPort.openDialog(name);
}

bool requestMessageBox(const char* textKey, bool okOnly)
{
    return dialogPort.showMessageBox && dialogPort.showMessageBox(textKey, okOnly);
}

void resetDialogPort()
{
    dialogPort.open = 0;
    dialogPort.anim = 0.0f;
}
