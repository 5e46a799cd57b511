// Stand-in until the device is built: records the calls the shell makes.
#include "graphics/device.h"

#include "app/core/requestlog.h"

bool createDevice(void*)
{
    recordRequest("createDevice");
    return true;
}
void releaseDevice() { recordRequest("releaseDevice"); }
void presentFrame() { recordRequest("presentFrame"); }
void setGamma(float value) { recordRequest("setGamma", "", 0, 0, value); }
void setProjectionForClient() { recordRequest("setProjectionForClient"); }
void applyDisplaySettings() { recordRequest("applyDisplaySettings"); }
void clearColor(unsigned color) { recordRequest("clearColor", "", static_cast<int>(color)); }
void clearDepth(float z) { recordRequest("clearDepth", "", 0, 0, z); }
void beginScene() { recordRequest("beginScene"); }
void endScene() { recordRequest("endScene"); }
