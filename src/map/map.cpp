#include "map/map.h"

#include "core/requestlog.h"

void loadMap() { recordRequest("loadMap"); }
void drawMap(int pass) { recordRequest("drawMap", "", pass); }
