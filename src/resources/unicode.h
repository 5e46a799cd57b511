#pragma once
// Conversions between UTF-8 (what the tools read and print), UTF-16 (the text tables) and the
// 8-bit code page Windows-1251 (keys, file names and data files).
#include <cstdint>
#include <string>

// Appends a code point as UTF-8 (surrogates and values above U+10FFFF as U+FFFD).
void appendUtf8(std::string& out, uint32_t codePoint);
// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf16ToUtf8(const char16_t* s, int length);
// Windows-1251 (terminated) to UTF-8.
std::string cp1251ToUtf8(const char* s);
// UTF-8 to UTF-16. False (out incomplete) on a malformed sequence.
bool utf8ToUtf16(const std::string& in, std::u16string& out);
// UTF-8 to Windows-1251. False on a malformed sequence or a character the code page lacks.
bool utf8ToCp1251(const std::string& in, std::string& out);
