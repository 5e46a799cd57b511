// "options.dat", this program's own options beside the shared "settings.dat": its layout and round
// trip, damaged files refused whole, atomic writes, and "settings.dat" left at 44 bytes.
#include <cstring>

#include "persist/ownoptions.h"
#include "persist_helpers.h"

namespace {

std::vector<uint8_t> image(uint8_t calm)
{
    OwnOptions o;
    o.calmMotion = calm;
    std::vector<uint8_t> bytes(OWN_OPTIONS_FILE_SIZE);
    ownOptionsToBytes(o, bytes.data());
    return bytes;
}

} // namespace

TEST_F(PersistTest, CalmMotionIsStoredInAFileOfItsOwnAndReadBack)
{
    makeFolder();
    EXPECT_EQ(loadOwnOptions(), OwnOptionsStatus::Missing);  // a first start: off
    EXPECT_EQ(app.calmMotion, 0);
    app.calmMotion = 1;
    ASSERT_TRUE(saveOwnOptions());
    ASSERT_TRUE(saveAll());
    std::vector<uint8_t> bytes = fileBytes(path("options.dat"));
    ASSERT_EQ(bytes.size(), 16u);
    EXPECT_EQ(std::memcmp(bytes.data(), "OSOP", 4), 0);
    EXPECT_EQ(bytes[4], 1);  // version
    EXPECT_EQ(bytes[8], 1);  // calm motion
    EXPECT_EQ(bytes, image(1));
    EXPECT_FALSE(exists(path("options.dat.tmp")));
    // The shared file keeps its 44 bytes.
    EXPECT_EQ(fileBytes(path("settings.dat")).size(), 44u);
    app.calmMotion = 0;
    EXPECT_EQ(loadOwnOptions(), OwnOptionsStatus::Ok);
    EXPECT_EQ(app.calmMotion, 1);
    app.calmMotion = 0;
    ASSERT_TRUE(saveOwnOptions());
    EXPECT_EQ(fileBytes(path("options.dat")), image(0));
}

TEST_F(PersistTest, ADamagedOptionsFileIsRefusedWholeAndCalmMotionStaysOff)
{
    makeFolder();
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        OwnOptionsStatus status;
    };
    std::vector<Case> cases;
    std::vector<uint8_t> good = image(1);
    cases.push_back({"empty", {}, OwnOptionsStatus::BadSize});
    cases.push_back({"truncated", std::vector<uint8_t>(good.begin(), good.begin() + 12), OwnOptionsStatus::BadSize});
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    cases.push_back({"one byte more", longer, OwnOptionsStatus::BadSize});
    std::vector<uint8_t> magic = good;
    magic[0] = 'X';
    cases.push_back({"magic", magic, OwnOptionsStatus::BadMagic});
    std::vector<uint8_t> flipped = good;
    flipped[8] ^= 0x02;  // an unknown flag, checksum not updated
    cases.push_back({"flipped bit", flipped, OwnOptionsStatus::BadChecksum});
    for (const Case& c : cases) {
        putFile(path("options.dat"), c.bytes.data(), c.bytes.size());
        app.calmMotion = 1;
        EXPECT_EQ(loadOwnOptions(), c.status) << c.what;
        EXPECT_EQ(app.calmMotion, 0) << c.what;
    }
    // Version and flags are checked after the checksum: build valid checksums around them.
    OwnOptions out;
    std::vector<uint8_t> v2 = good;
    v2[4] = 2;
    uint32_t h = 2166136261u;
    for (int i = 0; i < 12; i++) h = (h ^ v2[i]) * 16777619u;
    std::memcpy(v2.data() + 12, &h, 4);
    EXPECT_EQ(ownOptionsFromBytes(v2.data(), 16, out), OwnOptionsStatus::BadVersion);
    std::vector<uint8_t> flags = good;
    flags[9] = 1;
    h = 2166136261u;
    for (int i = 0; i < 12; i++) h = (h ^ flags[i]) * 16777619u;
    std::memcpy(flags.data() + 12, &h, 4);
    EXPECT_EQ(ownOptionsFromBytes(flags.data(), 16, out), OwnOptionsStatus::BadFlags);
    EXPECT_EQ(ownOptionsFromBytes(nullptr, 0, out), OwnOptionsStatus::Missing);
    EXPECT_STREQ(ownOptionsStatusText(OwnOptionsStatus::BadChecksum), "checksum mismatch");
}

TEST_F(PersistTest, AFailedOptionsWriteKeepsTheOldFile)
{
    makeFolder();
    app.calmMotion = 1;
    ASSERT_TRUE(saveOwnOptions());
    // The temporary file's name is taken by a folder: the write cannot happen.
    std::string cmd = "mkdir '" + path("options.dat.tmp") + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    app.calmMotion = 0;
    EXPECT_FALSE(saveOwnOptions());
    EXPECT_EQ(fileBytes(path("options.dat")), image(1));
}
