#pragma once
// Screenshots: the back buffer as a PNG file. saveScreenshot writes the frame drawn so far (call
// it after the scene is drawn, before or after present). requestScreenshot makes the next
// presentFrame save the frame it presents as "screenshotNNN.png" (the first free number) in the
// screenshot folder (platform/os/dirs.h: beside a portable copy's data, the user's pictures folder
// for an installed game; the start folder before the data set is located); the shell calls it
// for the F12 key.
#include "platform/image/image.h"

// The back buffer's pixels (BGRA, rows from the top). False when no device exists.
bool captureFrame(ImageData* out);
bool saveScreenshot(const char* path);
void requestScreenshot();
// Called by presentFrame: saves the frame when one was requested. Returns the file written ("" if none).
const char* takeRequestedScreenshot();
// The file the last requested screenshot was saved as, once: true (and the path in `out`) the
// first time it is asked after a save, false otherwise. The shell tells the player.
bool takeSavedScreenshot(char* out, int capacity);
