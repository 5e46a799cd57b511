#pragma once
// The text table: every text shown to the player, and a few settings, by key. Texts come from
// UTF-16 little-endian files with entries of two forms:
//   key=value                      (the value ends at the line break)
//   [key/]value, may span lines[/key]
// The first character of a file (the byte-order mark) is skipped and its last character is
// replaced by the end mark, so files end with a line break. The first definition of a key wins.
#include <cstdint>

constexpr int TEXT_TABLE_SIZE = 1024;
constexpr int TEXT_KEY_SIZE = 20;  // 19 characters and a terminator

struct TextEntry {
    char16_t key[TEXT_KEY_SIZE];
    char16_t* value;  // heap copy, terminated
};

struct TextTableState {
    TextEntry entries[TEXT_TABLE_SIZE];
    int count;
};

extern TextTableState textTable;

// What loading one text file found.
enum class TextLoadStatus {
    Ok,
    Missing,           // the file cannot be read
    OddSize,           // an odd number of bytes (the last byte is ignored)
    NoByteOrderMark,   // the first character is not U+FEFF (it is skipped all the same)
    NoFinalLineBreak,  // the last character is not a line break (it is lost to the end mark)
    LastEntryDropped,  // the last entry runs into the end of the file and is not added
    KeyTooLong,        // an entry with a key over 19 characters was skipped
    TableFull,         // entries beyond the table's 1024 were not added
};

const char* textLoadStatusText(TextLoadStatus status);

// Frees every value and empties the table.
void resetTextTables();

// Parses UTF-16 little-endian text data of size bytes and appends its entries. The data is not
// changed. Returns the first problem found (parsing goes on past skipped keys; a full table stops
// it); entries added before a problem stay.
TextLoadStatus parseTextData(const uint8_t* data, int32_t size);

// Reads path through the file table (a missing file is fatal: the "Loading Error" box), parses it
// and releases the file.
TextLoadStatus loadTextFile(const char* path);

// The value for an 8-bit key (Windows-1251, at most 128 characters), or null.
const char16_t* text(const char* key);
// The value for a UTF-16 key (case-sensitive), or null.
const char16_t* textW(const char16_t* key);
// Index of the first entry with the key; 0 when absent.
int textIndex(const char* key);
// The value of entry index, or null when out of range.
const char16_t* textByIndex(int index);
// textByIndex(textIndex(key) + offset): consecutive entries of a file form a list.
const char16_t* textRelative(const char* key, int offset);
// Frees every value (at shutdown). The count stays.
void freeTextTables();

// ---- Character conversion (used by the text table and the tools) ----------------------------
// Windows-1251 byte to its Unicode code point.
char16_t cp1251ToUnicode(uint8_t c);
// Unicode code point to its Windows-1251 byte; -1 when the code page lacks it.
int unicodeToCp1251(uint32_t codePoint);
// Converts a zero-terminated Windows-1251 string to UTF-16 (at most capacity - 1 characters, then
// terminated). Returns the number of characters written.
int cp1251ToUtf16(const char* in, char16_t* out, int capacity);
// Length of a terminated UTF-16 string.
int utf16Length(const char16_t* s);
