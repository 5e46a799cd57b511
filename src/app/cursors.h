#pragma once
// The program's own cursors and icon, pictures of the data set set as the window's colour cursor:
// resource 115 the arrow ("cursors\arrow.tga", hot spot 1, 1) and resource 114 the hammer
// ("cursors\hammer.tga", hot spot 8, 8). Paths are relative to the data folder.
#include <cstdint>
#include <vector>

constexpr int CURSOR_HAMMER = 114;
constexpr int CURSOR_ARROW = 115;

// Reads and decodes a cursor picture into RGBA bytes (rows from the top). False when the file is
// missing, not a picture, or larger than 256 by 256.
bool loadCursorPicture(const char* path, std::vector<uint8_t>* rgba, int* width, int* height);
// Makes the program's cursor `resource` the window's cursor. False (and the cursor unchanged)
// when the picture cannot be loaded or the display takes no colour cursor (headless).
bool setProgramCursor(int resource);
// Back to the system arrow.
void setSystemCursor();
// The window icon (resource 105): "icon.tga" of the data folder. False when it is missing or
// the display takes no icon (headless); the window keeps the system's icon then.
bool setProgramIcon();
