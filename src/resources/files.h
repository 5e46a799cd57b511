#pragma once
// The in-memory file table. Every data file the game reads goes through it: a file is served
// from the table by name when it is registered (a member of a packed archive, or a file read
// before), and read from disk (relative to the tracked current directory) otherwise.
//
// A packed archive is not held in memory: opening one registers its members with their place in
// the archive file, and a member's bytes are read (and checked against the member's header) when
// it is first read, then kept until it is released. A released member stays registered, so it
// can be read again.
//
// Names are compared after normalisation: Latin a-z and the Cyrillic lower-case letters of the
// 8-bit code page (Windows-1251 bytes 0xE0-0xFF) are folded to upper case; nothing else changes.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int FILE_TABLE_SIZE = 1024;
constexpr int FILE_NAME_SIZE = 128;       // name field: 127 characters and a terminator
constexpr int ARCHIVE_NAME_MAX = 63;      // longest member name an archive may hold
constexpr int ARCHIVE_TABLE_SIZE = 8;     // archives open at once
constexpr int ARCHIVE_PATH_SIZE = PATH_MAX;

struct FileEntry {
    char name[FILE_NAME_SIZE];  // normalised (upper case)
    int32_t size;
    uint8_t* data;              // the file's bytes (one zero byte follows them); null: a member not read yet
    uint8_t ownsData;           // 1: the table frees data
    int8_t archive;             // a member: its archive's row of FileTableState::archivePaths; -1: none
    int64_t archiveOffset;      // a member: where its header (the name) starts in the archive file
    char key[ARCHIVE_NAME_MAX + 1];  // a member: its name as stored, the key its bytes are scrambled with
};

struct FileTableState {
    FileEntry* entries[FILE_TABLE_SIZE];
    int count;
    // Absolute paths of the open archives (members are read from them when needed).
    char archivePaths[ARCHIVE_TABLE_SIZE][ARCHIVE_PATH_SIZE];
    int archiveCount;
    // Called with the byte count of every registered file (disk file, archive, archive member);
    // the shell points it at the loading bar. Null: nothing is called.
    void (*progressHook)(int32_t bytes);
    // Ends the process after a fatal message box. Defaults to std::exit; tests replace it with one
    // that returns, and the failing call then returns its failure result.
    void (*exitHook)(int code);
    // Text and caption of the last fatal message box (for tests and diagnostics).
    char lastFatalText[FILE_NAME_SIZE + 64];
    char lastFatalCaption[32];
};

extern FileTableState fileTable;

// Frees every entry and restores the default hooks (progress off, exit through std::exit).
void resetFileTable();

// Normalises name into out (capacity bytes, at least 1), cutting it to capacity - 1 characters.
void normaliseFileName(const char* name, char* out, int capacity);

// The first entry registered under name (compared after normalisation), or null.
FileEntry* findFile(const char* name);

// The whole file's bytes; *outSize (when not null) receives its size. Served from the table when
// registered (an archive member is read from its archive the first time); otherwise read from
// disk and registered (the table owns the buffer until releaseFile). When the file cannot be read
// (or the table is full, or the name is longer than 127 characters, or a member's archive changed
// since it was opened): with fatal set, the "Loading Error" box and the exit hook; null either
// way. The data is followed by one zero byte.
uint8_t* readFile(const char* path, int32_t* outSize, bool fatal);

// A text data file for parsing: readFile, then its last byte (in practice a line break) is
// overwritten by a terminator, as the key/value and level readers expect. An empty file yields a
// pointer to an empty string. Release the result with releaseFile (a no-op for an empty file).
char* readTextData(const char* path, int32_t* outSize, bool fatal);

// Copies a small file into the caller's buffer, from the table when registered, else from disk
// (without registering it). False when the file does not exist or is larger than capacity (then
// nothing is copied; *outSize still receives the file's size when it is known).
bool readFileInto(const char* path, void* buffer, int32_t capacity, int32_t* outSize);

// Frees the entry whose data pointer is data (and the data when the table owns it). An archive
// member only gives up its bytes and stays registered (a later read reads it again). False when
// no entry has that pointer.
bool releaseFile(const void* data);
// Frees the first entry whose stored, normalised name equals name byte for byte (an archive
// member too); the name itself is not normalised, so a lower-case name matches nothing.
bool releaseFileByName(const char* name);
// Frees every entry and forgets the open archives.
void releaseAll();

// The "Loading Error" box for something the game needs and cannot read ("Can't load <what>...
// Program will now stop."), then the exit hook.
void fatalLoadError(const char* what);

// Creates or truncates path and writes the bytes. When it cannot: the "Writing Error" box and the
// exit hook, then false.
bool writeFile(const char* path, const void* data, int32_t size);

// ---- Packed archives ----------------------------------------------------------------------
// An archive is a sequence of members: a zero-terminated name (1-63 characters), a 32-bit
// little-endian length, and that many data bytes, byte i stored XOR name[i mod name length].
// A name without a terminator in its first 64 bytes is too long when more bytes follow, and
// unterminated when the file ends first.

enum class ArchiveStatus {
    Ok,
    Missing,          // the file cannot be read
    NameUnterminated, // a member name runs to the end of the file
    NameEmpty,        // a member name of length 0 (its data cannot be unscrambled)
    NameTooLong,      // a member name of more than 63 characters
    LengthTruncated,  // fewer than 4 bytes left for a member's length
    DataTruncated,    // a member's length runs past the end of the file
    TableFull,        // the file table has no room for further members
};

// A short English description of a status, e.g. "member data runs past the end of the file".
const char* archiveStatusText(ArchiveStatus status);

// Walks an archive held in memory, unscrambling each member in place and calling visit with its
// name, data and size, in archive order, until the end or the first damaged member. visit may
// return false to stop the walk (the result is then TableFull). On damage, *badOffset (when not
// null) receives the byte offset of the damaged member.
ArchiveStatus walkArchive(uint8_t* buffer, int32_t size,
                          bool (*visit)(void* context, const char* name, uint8_t* data, int32_t size),
                          void* context, int32_t* badOffset = nullptr);

// Opens an archive: reads the members' headers (not their data) and registers every member under
// its name, to be read from the archive when needed. The progress hook hears of the archive's size
// and then of every member's. A missing archive is skipped silently (so is one past the
// ARCHIVE_TABLE_SIZE open ones). A damaged archive keeps the members before the damage.
ArchiveStatus openArchive(const char* path);

// Appends one member, scrambled, to an archive being built in memory. False when the name is empty
// or longer than 63 characters, or the data is larger than 2 GB.
bool appendArchiveMember(std::vector<uint8_t>& archive, const char* name, const uint8_t* data, size_t size);
