#include "core/appstate.h"

AppState app;

void resetAppState()
{
    app = AppState{};
}
