#include "effects/backdrops.h"

#include "app/core/requestlog.h"

void loadBackdropCatalogue() { recordRequest("loadBackdropCatalogue"); }
void drawBackdrop(bool withCameraMove) { recordRequest("drawBackdrop", "", withCameraMove ? 1 : 0); }
