#pragma once
// The default data set's generator. Each part writes its files below outDir (the Data folder)
// from the sources below srcDir (the repository's data/ folder) and returns false on failure.
#include <cstdint>
#include <vector>

bool genTexts(const char* srcDir, const char* outDir);
bool genPictures(const char* srcDir, const char* outDir);
bool genBoardArt(const char* srcDir, const char* outDir);
bool genLevels(const char* srcDir, const char* outDir);
bool genFont(const char* srcDir, const char* outDir);
bool genBackdrops(const char* srcDir, const char* outDir);
bool genMap(const char* srcDir, const char* outDir);
// The desktop icons (PNG, 32 to 256 pixels) in outDir/icons, for installation; not game data.
bool genIcons(const char* srcDir, const char* outDir);
bool genEffects(const char* srcDir, const char* outDir);
bool genSounds(const char* srcDir, const char* outDir);
bool genMusic(const char* srcDir, const char* outDir);
bool genMenus(const char* srcDir, const char* outDir);
// The backdrops' 3-D decorations: ".cgo" composites of ".msh_s" meshes with their textures in AnimBacks.
bool genMeshes(const char* srcDir, const char* outDir);
bool genTrophies(const char* srcDir, const char* outDir);

// Queues a member for one of the packed archives ("targa.dat", "jpeg.dat", "texts.dat"); the
// member name is stored as given (backslashes separate folders, as data sets name them).
void addToArchive(const char* archive, const char* memberName, const std::vector<uint8_t>& bytes);
// Writes every queued archive into outDir; runs last.
bool genArchives(const char* srcDir, const char* outDir);
