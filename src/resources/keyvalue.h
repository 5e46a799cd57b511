#pragma once
// Reader of 8-bit key=value data files (levels, particle systems, mesh sets, trophy lists).
// Every query searches the terminated file text for the key text, which callers give with its
// "=" (e.g. "nummeshes="): a plain substring search, so the first occurrence anywhere wins. A
// value runs from after the key to the next CR (or the end of the text).
//
// A value that does not fit its buffer is treated as absent (never cut, never overflowed).
#include "core/math.h"

constexpr int KV_NUMBER_BUFFER = 32;  // numbers: at most 31 characters
constexpr int KV_LIST_BUFFER = 260;   // lists: at most 259 characters
constexpr int KV_VEC3_BUFFER = 64;    // vectors: at most 63 characters

// Length of the value of key in text, or -1 when the key is absent.
int kvValueLength(const char* text, const char* key);

// Copies the value of key into out (capacity bytes, terminated) and returns out. When the key is
// absent or the value does not fit, out is made empty and the result is null.
const char* kvString(char* out, int capacity, const char* text, const char* key);
// The value as a number (standard atof syntax); 0 when absent, empty or too long.
float kvFloat(const char* text, const char* key);
// The value as a number truncated toward zero; 0 when absent, empty or too long.
int kvInt(const char* text, const char* key);
// A bracketed list "(a,b,c)" or "{a,b}": stores the numbers into values (at most capacity of them;
// further ones are ignored) and returns how many were stored. An absent or empty value, or one
// with neither ")" nor "}", changes nothing and returns 0.
int kvFloatList(const char* text, float* values, int capacity, const char* key);
// A vector "(x,y,z)". Components that are missing (no second comma, no closing bracket) are 0; ok
// (when not null) tells whether the value was complete. An absent key gives (0,0,0), ok false.
Vec3 kvVec3(const char* text, const char* key, bool* ok = nullptr);
