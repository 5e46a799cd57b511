// Opens the built data set (<build>/Data) on a fresh device for a benchmark (headless, or the GL
// device on a window given): the device,
// file, text, font and settings state reset, the three archives open and the English strings and menu
// texts read; the current folder is left at the data folder. False when the device or the folder
// is missing.
#pragma once

#include "core/appstate.h"
#include "graphics/device.h"
#include "graphics/textures.h"
#include "persist/settings.h"
#include "platform/os/files.h"
#include "resources/files.h"
#include "resources/texts.h"
#include "ui/font.h"

#include <cstdio>
#include <string>

inline bool openBuiltDataSet(void* window = nullptr)
{
    releaseAllTextures();
    resetTextState();  // the font's texture went with the others
    resetDeviceState();
    resetPersist();
    resetFileTable();
    resetTextTables();
    if (!createDevice(window)) return false;
    std::string data = std::string(OSTRIMAR_BINARY_DIR) + "/Data/";
    std::snprintf(app.dataDir, sizeof app.dataDir, "%s", data.c_str());
    if (!osSetCurrentDirectory(app.dataDir)) return false;
    openArchive("targa.dat");
    openArchive("jpeg.dat");
    openArchive("texts.dat");
    osSetCurrentDirectory((data + "txt/2").c_str());
    loadTextFile("strings.txt");
    loadTextFile("menutext.txt");
    return osSetCurrentDirectory(app.dataDir);
}
