#include "map/map.h"

#include "app/core/requestlog.h"

void loadMap() { recordRequest("loadMap"); }
void drawMap(int pass) { recordRequest("drawMap", "", pass); }
