// The file table, fatal file errors and the packed archives.
#include "resources/files.h"

#include "platform/os/files.h"
#include "platform/os/msgbox.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

FileTableState fileTable = {{}, 0, {}, 0, nullptr, std::exit, {}, {}};

namespace {

void fatal(const char* format, const char* path, const char* caption)
{
    std::snprintf(fileTable.lastFatalText, sizeof fileTable.lastFatalText, format, path);
    std::snprintf(fileTable.lastFatalCaption, sizeof fileTable.lastFatalCaption, "%s", caption);
    osMessageBox(fileTable.lastFatalText, caption);
    if (fileTable.exitHook) fileTable.exitHook(1);
}

void reportProgress(int32_t bytes)
{
    if (fileTable.progressHook) fileTable.progressHook(bytes);
}

// Appends an entry; false when the table is full (the data is then not taken over).
bool registerFile(const char* name, uint8_t* data, int32_t size, bool owns)
{
    if (fileTable.count >= FILE_TABLE_SIZE) return false;
    FileEntry* e = static_cast<FileEntry*>(std::calloc(1, sizeof(FileEntry)));
    if (!e) return false;
    normaliseFileName(name, e->name, FILE_NAME_SIZE);
    e->data = data;
    e->size = size;
    e->ownsData = owns ? 1 : 0;
    e->archive = -1;
    fileTable.entries[fileTable.count++] = e;
    reportProgress(size);
    return true;
}

uint32_t readLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// The header of the member that starts at p, with left bytes of the archive from there on, of
// which the first min(left, ARCHIVE_NAME_MAX + 5) are at p: the name's length and the data's.
ArchiveStatus memberHeader(const uint8_t* p, int32_t left, int32_t* nameLength, uint32_t* length)
{
    int32_t window = left < ARCHIVE_NAME_MAX + 1 ? left : ARCHIVE_NAME_MAX + 1;
    const void* nul = std::memchr(p, 0, size_t(window));
    if (!nul) return left > ARCHIVE_NAME_MAX + 1 ? ArchiveStatus::NameTooLong : ArchiveStatus::NameUnterminated;
    *nameLength = int32_t(static_cast<const uint8_t*>(nul) - p);
    if (*nameLength == 0) return ArchiveStatus::NameEmpty;
    int32_t rest = left - *nameLength - 1;
    if (rest < 4) return ArchiveStatus::LengthTruncated;
    *length = readLe32(p + *nameLength + 1);
    if (*length > uint32_t(rest - 4)) return ArchiveStatus::DataTruncated;
    return ArchiveStatus::Ok;
}

void unscramble(uint8_t* data, uint32_t length, const char* key, int32_t keyLength)
{
    for (uint32_t i = 0, k = 0; i < length; ++i) {
        data[i] = uint8_t(data[i] ^ uint8_t(key[k]));
        if (++k == uint32_t(keyLength)) k = 0;
    }
}

// Reads an archive member's bytes into out (its size of them), after checking that the archive
// still holds the same member header where it was found.
bool readMember(const FileEntry* e, uint8_t* out)
{
    const char* path = fileTable.archivePaths[e->archive];
    int32_t keyLength = int32_t(std::strlen(e->key));
    uint8_t head[ARCHIVE_NAME_MAX + 5];
    if (!osReadFileRange(path, e->archiveOffset, head, keyLength + 5)) return false;
    if (std::memcmp(head, e->key, size_t(keyLength) + 1) != 0 || readLe32(head + keyLength + 1) != uint32_t(e->size))
        return false;
    if (!osReadFileRange(path, e->archiveOffset + keyLength + 5, out, e->size)) return false;
    unscramble(out, uint32_t(e->size), e->key, keyLength);
    return true;
}

// Brings a registered member's bytes into memory (owned by the table). False when it cannot.
bool loadMember(FileEntry* e)
{
    auto* data = static_cast<uint8_t*>(std::malloc(size_t(e->size) + 1));
    if (!data) return false;
    if (!readMember(e, data)) {
        std::free(data);
        return false;
    }
    data[e->size] = 0;
    e->data = data;
    e->ownsData = 1;
    return true;
}

bool isMember(const FileEntry* e) { return e->archive >= 0; }

void removeAt(int index)
{
    FileEntry* e = fileTable.entries[index];
    if (e->ownsData) std::free(e->data);
    std::free(e);
    for (int i = index + 1; i < fileTable.count; ++i) fileTable.entries[i - 1] = fileTable.entries[i];
    --fileTable.count;
    fileTable.entries[fileTable.count] = nullptr;
}

char emptyText[1] = {0};

} // namespace

void resetFileTable()
{
    releaseAll();
    fileTable.progressHook = nullptr;
    fileTable.exitHook = std::exit;
    fileTable.lastFatalText[0] = 0;
    fileTable.lastFatalCaption[0] = 0;
}

void normaliseFileName(const char* name, char* out, int capacity)
{
    if (capacity <= 0) return;
    int i = 0;
    for (; name && name[i] && i < capacity - 1; ++i) {
        uint8_t c = uint8_t(name[i]);
        if ((c >= 'a' && c <= 'z') || c >= 0xE0) c = uint8_t(c - 0x20);
        out[i] = char(c);
    }
    out[i] = 0;
}

FileEntry* findFile(const char* name)
{
    char key[FILE_NAME_SIZE];
    normaliseFileName(name, key, FILE_NAME_SIZE);
    for (int i = 0; i < fileTable.count; ++i) {
        if (std::strcmp(fileTable.entries[i]->name, key) == 0) return fileTable.entries[i];
    }
    return nullptr;
}

uint8_t* readFile(const char* path, int32_t* outSize, bool fatalFlag)
{
    if (outSize) *outSize = 0;
    if (!path) path = "";
    if (FileEntry* e = findFile(path)) {
        if (!e->data && isMember(e) && !loadMember(e)) {
            if (fatalFlag) fatal("Can't load %s...\nProgram will now stop.", path, "Loading Error");
            return nullptr;
        }
        if (outSize) *outSize = e->size;
        return e->data;
    }
    int32_t size = 0;
    uint8_t* data = nullptr;
    // A name that does not fit the table's name field could never be found again.
    if (std::strlen(path) < size_t(FILE_NAME_SIZE)) data = osReadFile(path, &size);
    if (data && !registerFile(path, data, size, true)) {
        std::free(data);
        data = nullptr;
    }
    if (!data) {
        if (fatalFlag) fatal("Can't load %s...\nProgram will now stop.", path, "Loading Error");
        return nullptr;
    }
    if (outSize) *outSize = size;
    return data;
}

char* readTextData(const char* path, int32_t* outSize, bool fatalFlag)
{
    int32_t size = 0;
    uint8_t* data = readFile(path, &size, fatalFlag);
    if (outSize) *outSize = size;
    if (!data) return nullptr;
    if (size == 0) return emptyText;
    data[size - 1] = 0;
    return reinterpret_cast<char*>(data);
}

bool readFileInto(const char* path, void* buffer, int32_t capacity, int32_t* outSize)
{
    if (outSize) *outSize = 0;
    if (!path || !buffer || capacity < 0) return false;
    if (FileEntry* e = findFile(path)) {
        if (outSize) *outSize = e->size;
        if (e->size > capacity) return false;
        if (!e->data) return isMember(e) && readMember(e, static_cast<uint8_t*>(buffer));
        std::memcpy(buffer, e->data, size_t(e->size));
        return true;
    }
    int32_t size = osFileSize(path);
    if (size < 0) return false;
    if (outSize) *outSize = size;
    if (size > capacity) return false;
    uint8_t* data = osReadFile(path, &size);
    if (!data) return false;
    if (outSize) *outSize = size;
    bool fits = size <= capacity;  // the file may have grown since its size was taken
    if (fits) std::memcpy(buffer, data, size_t(size));
    std::free(data);
    return fits;
}

bool releaseFile(const void* data)
{
    if (!data || data == emptyText) return false;
    for (int i = 0; i < fileTable.count; ++i) {
        FileEntry* e = fileTable.entries[i];
        if (e->data != data) continue;
        if (isMember(e)) {
            if (e->ownsData) std::free(e->data);
            e->data = nullptr;
            e->ownsData = 0;
        } else {
            removeAt(i);
        }
        return true;
    }
    return false;
}

bool releaseFileByName(const char* name)
{
    if (!name) return false;
    for (int i = 0; i < fileTable.count; ++i) {
        if (std::strcmp(fileTable.entries[i]->name, name) == 0) {
            removeAt(i);
            return true;
        }
    }
    return false;
}

void releaseAll()
{
    fileTable.archiveCount = 0;
    for (int i = 0; i < fileTable.count; ++i) {
        FileEntry* e = fileTable.entries[i];
        if (e->ownsData) std::free(e->data);
        std::free(e);
        fileTable.entries[i] = nullptr;
    }
    fileTable.count = 0;
}

void fatalLoadError(const char* what)
{
    fatal("Can't load %s...\nProgram will now stop.", what ? what : "", "Loading Error");
}

bool writeFile(const char* path, const void* data, int32_t size)
{
    if (!path) path = "";
    if (osWriteFile(path, data, size)) return true;
    fatal("Can't save %s...\nProgram will now stop.", path, "Writing Error");
    return false;
}

const char* archiveStatusText(ArchiveStatus status)
{
    switch (status) {
    case ArchiveStatus::Ok: return "ok";
    case ArchiveStatus::Missing: return "cannot be read";
    case ArchiveStatus::NameUnterminated: return "member name runs to the end of the file";
    case ArchiveStatus::NameEmpty: return "member name is empty";
    case ArchiveStatus::NameTooLong: return "member name is longer than 63 characters";
    case ArchiveStatus::LengthTruncated: return "member length is cut off by the end of the file";
    case ArchiveStatus::DataTruncated: return "member data runs past the end of the file";
    case ArchiveStatus::TableFull: return "too many files for the file table";
    }
    return "unknown";
}

ArchiveStatus walkArchive(uint8_t* buffer, int32_t size,
                          bool (*visit)(void* context, const char* name, uint8_t* data, int32_t size),
                          void* context, int32_t* badOffset)
{
    int32_t cursor = 0;
    while (cursor < size) {
        if (badOffset) *badOffset = cursor;
        int32_t nameLength = 0;
        uint32_t length = 0;
        ArchiveStatus status = memberHeader(buffer + cursor, size - cursor, &nameLength, &length);
        if (status != ArchiveStatus::Ok) return status;
        const char* name = reinterpret_cast<const char*>(buffer + cursor);
        cursor += nameLength + 5;
        uint8_t* data = buffer + cursor;
        unscramble(data, length, name, nameLength);
        if (visit && !visit(context, name, data, int32_t(length))) return ArchiveStatus::TableFull;
        cursor += int32_t(length);
    }
    if (badOffset) *badOffset = size;
    return ArchiveStatus::Ok;
}

ArchiveStatus openArchive(const char* path)
{
    if (!path || std::strlen(path) >= size_t(FILE_NAME_SIZE)) return ArchiveStatus::Missing;
    if (fileTable.archiveCount >= ARCHIVE_TABLE_SIZE) return ArchiveStatus::Missing;
    int32_t size = osFileSize(path);
    char* where = fileTable.archivePaths[fileTable.archiveCount];
    // The absolute path: members are read later, whatever the current folder is then.
    if (size < 0 || !osResolvePath(path, where, ARCHIVE_PATH_SIZE)) return ArchiveStatus::Missing;
    int archive = fileTable.archiveCount++;
    reportProgress(size);
    int32_t cursor = 0;
    while (cursor < size) {
        uint8_t head[ARCHIVE_NAME_MAX + 5];
        int32_t left = size - cursor;
        int32_t want = left < int32_t(sizeof head) ? left : int32_t(sizeof head);
        if (!osReadFileRange(where, cursor, head, want)) return ArchiveStatus::DataTruncated;  // it shrank
        int32_t nameLength = 0;
        uint32_t length = 0;
        ArchiveStatus status = memberHeader(head, left, &nameLength, &length);
        if (status != ArchiveStatus::Ok) return status;
        const char* name = reinterpret_cast<const char*>(head);
        if (!registerFile(name, nullptr, int32_t(length), false)) return ArchiveStatus::TableFull;
        FileEntry* e = fileTable.entries[fileTable.count - 1];
        e->archive = int8_t(archive);
        e->archiveOffset = cursor;
        std::memcpy(e->key, name, size_t(nameLength) + 1);
        cursor += nameLength + 5 + int32_t(length);
    }
    return ArchiveStatus::Ok;
}

bool appendArchiveMember(std::vector<uint8_t>& archive, const char* name, const uint8_t* data, size_t size)
{
    size_t nameLength = name ? std::strlen(name) : 0;
    if (nameLength == 0 || nameLength > size_t(ARCHIVE_NAME_MAX)) return false;
    if (size > size_t(INT32_MAX) || (size > 0 && !data)) return false;
    archive.insert(archive.end(), name, name + nameLength + 1);
    uint32_t length = uint32_t(size);
    for (int i = 0; i < 4; ++i) archive.push_back(uint8_t(length >> (8 * i)));
    for (size_t i = 0; i < size; ++i) archive.push_back(uint8_t(data[i] ^ uint8_t(name[i % nameLength])));
    return true;
}
