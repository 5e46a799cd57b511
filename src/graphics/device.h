#pragma once
// The graphics device as the game sees it: creation in the chosen display mode, presenting
// with lost-device recovery, gamma, the projection for the window's client area, and the
// per-frame clear/begin/end. Built on the platform device (platform/gpu).

// Creates the device for the window (an opaque handle from the OS layer, null when headless).
// Shows "Can't init Direct3D" / "Initialization failed" and returns false when it cannot.
bool createDevice(void* window);
void releaseDevice();
// Applies a pending gamma change, presents the frame and recovers a lost device.
void presentFrame();
void setGamma(float value);
// Stores the perspective projection for the window's client rectangle (called at start and on resize).
void setProjectionForClient();
void applyDisplaySettings();
void clearColor(unsigned color);
void clearDepth(float z);
void beginScene();
void endScene();
