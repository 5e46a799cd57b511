// Packs the queued members into the archives of the default data set, with the same writer as
// ostrimar-data's pack.
#include "datagen.h"

#include "resources/files.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

struct QueuedMember {
    std::string archive;
    std::string name;
    std::vector<uint8_t> bytes;
};

struct ArchiveQueue {
    std::vector<QueuedMember> members;
};

ArchiveQueue archiveQueue;

// The archives the game opens, in its order.
const char* const archiveNames[] = {"targa.dat", "jpeg.dat", "texts.dat"};

} // namespace

void addToArchive(const char* archive, const char* memberName, const std::vector<uint8_t>& bytes)
{
    archiveQueue.members.push_back({archive ? archive : "", memberName ? memberName : "", bytes});
}

bool genArchives(const char*, const char* outDir)
{
    for (const QueuedMember& m : archiveQueue.members) {
        bool known = false;
        for (const char* name : archiveNames) known = known || m.archive == name;
        if (!known) {
            std::fprintf(stderr, "%s: queued for an unknown archive \"%s\"\n", m.name.c_str(), m.archive.c_str());
            return false;
        }
    }
    for (const char* archiveName : archiveNames) {
        std::vector<uint8_t> bytes;
        std::vector<std::string> keys;  // normalised names: the game would only ever find the first
        for (const QueuedMember& m : archiveQueue.members) {
            if (m.archive != archiveName) continue;
            char key[FILE_NAME_SIZE];
            normaliseFileName(m.name.c_str(), key, sizeof key);
            for (const std::string& k : keys) {
                if (k == key) {
                    std::fprintf(stderr, "%s: queued twice for %s\n", m.name.c_str(), archiveName);
                    return false;
                }
            }
            keys.push_back(key);
            if (!appendArchiveMember(bytes, m.name.c_str(), m.bytes.data(), m.bytes.size())) {
                std::fprintf(stderr, "%s: member name must have 1 to %d characters\n", m.name.c_str(), ARCHIVE_NAME_MAX);
                return false;
            }
        }
        const std::string path = std::string(outDir) + "/" + archiveName;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "%s: cannot be written\n", path.c_str());
            return false;
        }
    }
    archiveQueue.members.clear();
    return true;
}
