#pragma once
// The default data set's generator. Each part writes its files below outDir (the Data folder)
// from the sources below srcDir (the repository's data/ folder) and returns false on failure.
bool genTexts(const char* srcDir, const char* outDir);
bool genPictures(const char* srcDir, const char* outDir);
// Packs the loose pictures and texts that the game reads from archives
// ("targa.dat", "jpeg.dat", "texts.dat"); runs last.
bool genArchives(const char* srcDir, const char* outDir);
