#pragma once
// File and folder services of the OS layer.
//
// The "current directory" that loaders enter and leave is tracked here, not changed process-wide,
// so tests can run loaders side by side. Every path given to these functions may be absolute or
// relative to the tracked current directory, may use backslashes or slashes, and may repeat
// separators ("Data\\txt\\2\\" and "Data/txt/2" name the same folder). When a path component
// does not exist under its exact name, it is matched case-insensitively (ASCII letters) against
// the folder's entries, so data sets copied from case-insensitive file systems work unchanged.
// Names are the game's 8-bit names: one that is not valid UTF-8 is taken as Windows-1251 (Latin
// and Cyrillic) and converted to UTF-8 for the file system; listings convert back.
#include <climits>
#include <cstdint>

constexpr int OS_PATH_MAX = PATH_MAX;  // longest absolute path handled, terminator included
constexpr int OS_NAME_MAX = 256;   // longest single file name, terminator included

// The operations of a save that can fail, as the fault switch counts them.
enum OsFileOp { OsOpOpen = 1, OsOpWrite = 2, OsOpFsync = 4, OsOpRename = 8, OsOpClose = 16, OsOpAll = 31 };

struct FilesState {
    // Absolute, '/'-separated, no trailing separator except for the root "/".
    // Empty until first use, then taken from the process's working directory.
    char currentDir[OS_PATH_MAX];
    // Why the last failing read or write failed (an errno value; 0 when the last one succeeded).
    int lastError;
    // Test-only fault switch (osFailFileOperation): every open, write, fsync, rename and close
    // of osWriteFileAtomic that opMask names is counted; the one numbered failAt (1-based) fails
    // with failErrno instead of being made. 0: off.
    int failAt;
    int failErrno;
    int failMask;
    bool failAfter;
    int operations;  // operations counted since the switch was set
    int failures;    // operations failed by the switch
    bool lastErrorInFolder;
    bool fileSizeSignalIgnored;
};

extern FilesState filesState;

// Sets the tracked current directory to the process's working directory.
void resetFiles();

// The tracked current directory (absolute).
const char* osGetCurrentDirectory();
// Enters a folder (absolute, or relative to the current directory; "." and ".." understood).
// Fails and leaves the current directory unchanged when the folder does not exist.
bool osSetCurrentDirectory(const char* path);

// Resolves a path to an absolute one, applying the case-insensitive fallback per component.
// Writes the result to out (components that do not exist are kept as given, so the result also
// names a file about to be created). Returns true when the whole path exists; false when it does
// not, or when it does not fit in capacity (then out is empty).
bool osResolvePath(const char* path, char* out, int capacity);

bool osFileExists(const char* path);    // a regular file exists there
bool osFolderExists(const char* path);  // a folder exists there

// Creates one folder (its parent must exist). False when it cannot be created or already exists.
bool osCreateDirectory(const char* path);
// Copies a file, replacing an existing target. False when the source cannot be read or the target
// cannot be written.
bool osCopyFile(const char* from, const char* to);
// Deletes a file. False when there is no such file or it cannot be deleted.
bool osDeleteFile(const char* path);

// Reads a whole file into a new buffer from std::malloc (the caller frees it with std::free).
// The buffer has one extra zero byte after the file's bytes. Null when the file cannot be read
// or is larger than 2 GB - 2 bytes. *outSize receives the size in bytes.
uint8_t* osReadFile(const char* path, int32_t* outSize);
// The same for a file that may hold at most maxSize bytes: a larger one is refused before a byte
// of it is read (osLastError() gives EFBIG). Neither reader opens anything but a regular file
// (a FIFO or a device in its place fails at once with EINVAL instead of blocking the game), and
// a missing file fails with ENOENT.
uint8_t* osReadFileLimited(const char* path, int32_t maxSize, int32_t* outSize);
// The errno of the last read or write of this module that failed (0 after one that succeeded).
int osLastError();
// True when that failure lies with the folder rather than the file: the temporary file could not
// be made in it, the rename in it failed, or the folder could not be flushed.
bool osLastErrorInFolder();
// Plain words for an errno value of this module ("No space left on device"; EINVAL, which this
// module gives for a FIFO or device where a file should be, reads "not a regular file").
const char* osErrorText(int error);
// Reads size bytes at offset of a file into buffer. False when the file cannot be read or holds
// fewer bytes there (nothing useful is then in buffer). Used for members of packed archives, which
// are read when needed instead of keeping the whole archive in memory.
bool osReadFileRange(const char* path, int64_t offset, void* buffer, int32_t size);
// Size of a file in bytes, or -1 when it cannot be read (or is 2 GB or larger).
int32_t osFileSize(const char* path);
// Creates or truncates a file and writes the bytes. False on any failure.
bool osWriteFile(const char* path, const void* data, int32_t size);
// Replaces a file as one step: the bytes go to "<path>.tmp" in the same folder, are flushed to
// the disk and the temporary file is renamed over path (then the folder is flushed too, so the
// rename survives a power loss). At every moment path holds either its old or its new content.
// False on any failure, osLastError() telling why: before the rename the old file stays; when
// only the folder's flush fails the new content is in place but may not be durable. A file
// larger than the process may write (ulimit -f) is EFBIG, never the SIGXFSZ signal.
bool osWriteFileAtomic(const char* path, const void* data, int32_t size);

// Test-only fault injection: from now on, the operation numbered n (1-based) among the opens,
// writes, fsyncs, renames and closes of osWriteFileAtomic that mask names fails with errnoValue.
// n = 0 turns the switch off. osFileOperations() counts the operations since the switch was set.
// With andAfter every later one fails too (a full disk, a folder made read-only).
void osFailFileOperation(int n, int errnoValue, int mask = OsOpAll, bool andAfter = false);
int osFileOperations();
// Moves a file to a new name in the same file system, replacing an existing target. False when
// there is no such file or it cannot be moved.
bool osRenameFile(const char* from, const char* to);

// One name of a folder listing.
struct OsFileName {
    char name[OS_NAME_MAX];
};

// Lists the regular files in folder (relative to the current directory; null or "" for the current
// directory itself) whose names match pattern ('*' any run, '?' one character, ASCII letters
// compared case-insensitively). Names are sorted by byte value. Writes at most capacity names to out
// and returns how many matched in total (so a result above capacity means the list was cut), or -1
// when the folder cannot be read.
int osListFolder(const char* folder, const char* pattern, OsFileName* out, int capacity);

// True when name matches pattern under the listing's rules.
bool osMatchPattern(const char* pattern, const char* name);
