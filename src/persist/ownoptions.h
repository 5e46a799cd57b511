#pragma once
// Options of this program that the shared 44-byte "settings.dat" has no room for (other data sets
// read that file, so it keeps its layout): "options.dat" beside it in the settings folder.
//
// Layout (16 bytes, little-endian): magic "OSOP", version (uint32, 1), flags (uint32; bit 0 calm
// motion, every other bit 0), checksum (uint32, FNV-1a of the first 12 bytes). A file of another
// size, magic or version, with a wrong checksum or unknown flags is refused whole: the defaults
// stay (calm motion off). Written atomically (temporary file, then renamed over the old one).
#include <cstdint>

constexpr int OWN_OPTIONS_FILE_SIZE = 16;
constexpr uint32_t OWN_OPTIONS_VERSION = 1;
constexpr uint32_t OWN_OPTION_CALM_MOTION = 1u;
constexpr const char* OWN_OPTIONS_FILE = "options.dat";

enum class OwnOptionsStatus { Ok, Missing, BadSize, BadMagic, BadVersion, BadChecksum, BadFlags };
const char* ownOptionsStatusText(OwnOptionsStatus status);

struct OwnOptions {
    uint8_t calmMotion = 0;
};

// Decodes an image; out is set only when the image is whole and valid.
OwnOptionsStatus ownOptionsFromBytes(const uint8_t* data, int32_t size, OwnOptions& out);
// The 16-byte image of options.
void ownOptionsToBytes(const OwnOptions& options, uint8_t out[OWN_OPTIONS_FILE_SIZE]);
// Reads "options.dat" from the settings folder into app.calmMotion (refused or absent: off).
OwnOptionsStatus loadOwnOptions();
// Writes app.calmMotion to "options.dat". False when it could not be written (the old file stays).
bool saveOwnOptions();
