#pragma once
// A picture decoded on a second thread ahead of its use: start-up starts the first splash
// picture's decoding while the window and the device are being made, and the picture loader's
// decode (imageDecode) of the very same bytes then takes the finished picture instead of
// decoding it again. The result is the one imageDecode gives; nothing else changes (a picture
// that differs from the one decoded ahead, or a decode that was never started, is decoded as
// always).
#include "platform/image/image.h"

#include <cstddef>
#include <cstdint>

// Starts reading and decoding the file at path on a second thread (a decode ahead still held is
// dropped first). False when the thread could not be started.
bool imageDecodeAhead(const char* path);

// When a decode ahead was started and its file's bytes are these: waits for it to finish, moves
// its picture to *out, sets *ok to its success and returns true (once; the picture is then given
// away). False otherwise, *out untouched.
bool imageTakeDecodedAhead(const uint8_t* data, size_t size, ImageData* out, bool* ok);

// Waits for a decode ahead that is still running and drops what it holds (a picture decoded
// ahead and never asked for).
void dropDecodeAhead();

// How many decodes were served by a decode ahead since the last reset.
int imageDecodesTakenAhead();

// dropDecodeAhead, and the count back to 0 (the state of a fresh start).
void resetDecodeAhead();
