#include "core/dialogport.h"

DialogPort dialogPort;

void requestDialog(const char* name)
{
    if (dialogPort.openDialog) dialogPort.openDialog(name);
}

void requestMessageBox(const char* textKey, bool okOnly)
{
    if (dialogPort.showMessageBox) dialogPort.showMessageBox(textKey, okOnly);
}

void resetDialogPort()
{
    dialogPort.open = 0;
    dialogPort.anim = 0.0f;
}
