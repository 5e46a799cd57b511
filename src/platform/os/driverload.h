#pragma once
// The software GL driver loaded ahead on a second thread. Loading Mesa's driver (its own code,
// LLVM's, relocating both) takes 30-40 ms; the device's context would do it on the main thread
// after the window exists. Started before SDL's video start, the load runs while SDL opens the
// display and the game reads its settings; the driver's own later load then finds the library in
// memory. Only where the OS layer asks for EGL on software rendering (osInit): there the driver
// is Mesa's software one, found beside Mesa's EGL library (or in LIBGL_DRIVERS_PATH).

// Starts the load (once; later calls do nothing). False when nothing was started.
bool osPreloadSoftwareDriver();

// Waits for a load still running (before the process ends or the display closes).
void osFinishDriverPreload();
