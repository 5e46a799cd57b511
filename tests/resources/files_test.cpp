// The file table, fatal file errors and packed archives, including damaged archives.
#include "resources/files.h"

#include "platform/os/files.h"
#include "scratch.h"

#include <cstdio>
#include <cstring>

namespace {

struct Recorded {
    int exits = 0;
    int lastCode = 0;
    int64_t progressBytes = 0;
    int progressCalls = 0;
};
Recorded recorded;

void recordExit(int code)
{
    ++recorded.exits;
    recorded.lastCode = code;
}

void recordProgress(int32_t bytes)
{
    recorded.progressBytes += bytes;
    ++recorded.progressCalls;
}

struct Member {
    std::string name;
    std::string data;
};

std::vector<uint8_t> archiveOf(const std::vector<Member>& members)
{
    std::vector<uint8_t> out;
    for (const Member& m : members) {
        EXPECT_TRUE(appendArchiveMember(out, m.name.c_str(), reinterpret_cast<const uint8_t*>(m.data.data()), m.data.size()));
    }
    return out;
}

std::string asString(const uint8_t* data, int32_t size)
{
    return std::string(reinterpret_cast<const char*>(data), size_t(size));
}

class FileTableTest : public testing::Test {
protected:
    void SetUp() override
    {
        resetFileTable();
        recorded = Recorded();
        fileTable.exitHook = recordExit;
        fileTable.progressHook = recordProgress;
        dir = scratchDir();
        resetFiles();
        ASSERT_TRUE(osSetCurrentDirectory(dir.c_str()));
    }
    void TearDown() override { resetFileTable(); }
    std::string dir;
};

TEST_F(FileTableTest, NamesFoldLatinAndCyrillicCaseOnly)
{
    char out[FILE_NAME_SIZE];
    // "ёЖж" in Windows-1251: 0xB8 has no folding in this scheme, 0xC6 is upper, 0xE6 lower.
    normaliseFileName("Figures\\ball_\xB8\xC6\xE6.tga", out, sizeof out);
    EXPECT_STREQ(out, "FIGURES\\BALL_\xB8\xC6\xC6.TGA");
    char small[4];
    normaliseFileName("abcdef", small, sizeof small);
    EXPECT_STREQ(small, "ABC");
}

TEST_F(FileTableTest, ReadsFromDiskOnceAndFindsByAnyCase)
{
    writeString(dir + "/Level1.txt", "abc\r\n");
    int32_t size = 0;
    uint8_t* first = readFile("level1.TXT", &size, false);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(size, 5);
    EXPECT_EQ(fileTable.count, 1);
    EXPECT_STREQ(fileTable.entries[0]->name, "LEVEL1.TXT");
    EXPECT_EQ(fileTable.entries[0]->ownsData, 1);

    // Served from the table afterwards, even once the file is gone from disk.
    std::filesystem::remove(dir + "/Level1.txt");
    EXPECT_EQ(readFile("LEVEL1.txt", &size, false), first);
    EXPECT_EQ(findFile("level1.txt"), fileTable.entries[0]);
    EXPECT_EQ(fileTable.count, 1);
    EXPECT_EQ(recorded.progressCalls, 1);
    EXPECT_EQ(recorded.progressBytes, 5);
}

TEST_F(FileTableTest, MissingOptionalFileLeavesTableUnchanged)
{
    writeString(dir + "/present.txt", "x");
    ASSERT_NE(readFile("present.txt", nullptr, false), nullptr);
    int32_t size = 99;
    EXPECT_EQ(readFile("absent.txt", &size, false), nullptr);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(fileTable.count, 1);
    EXPECT_EQ(recorded.exits, 0);
}

TEST_F(FileTableTest, MissingRequiredFileShowsLoadingErrorAndExits)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(readFile("menu.txt", nullptr, true), nullptr);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(recorded.exits, 1);
    EXPECT_EQ(recorded.lastCode, 1);
    EXPECT_STREQ(fileTable.lastFatalText, "Can't load menu.txt...\nProgram will now stop.");
    EXPECT_STREQ(fileTable.lastFatalCaption, "Loading Error");
    EXPECT_NE(err.find("Can't load menu.txt..."), std::string::npos);
}

TEST_F(FileTableTest, UnwritableFileShowsWritingErrorAndExits)
{
    EXPECT_TRUE(writeFile("ok.dat", "abcd", 4));
    EXPECT_EQ(readBytes(dir + "/ok.dat"), (std::vector<uint8_t>{'a', 'b', 'c', 'd'}));
    EXPECT_EQ(recorded.exits, 0);

    testing::internal::CaptureStderr();
    EXPECT_FALSE(writeFile("nofolder\\x.dat", "abcd", 4));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(recorded.exits, 1);
    EXPECT_STREQ(fileTable.lastFatalText, "Can't save nofolder\\x.dat...\nProgram will now stop.");
    EXPECT_STREQ(fileTable.lastFatalCaption, "Writing Error");
}

TEST_F(FileTableTest, ReleaseByPointerAndByStoredName)
{
    writeString(dir + "/a.txt", "a");
    writeString(dir + "/b.txt", "b");
    writeString(dir + "/c.txt", "c");
    uint8_t* a = readFile("a.txt", nullptr, false);
    uint8_t* b = readFile("b.txt", nullptr, false);
    ASSERT_NE(readFile("c.txt", nullptr, false), nullptr);

    EXPECT_TRUE(releaseFile(b));
    EXPECT_FALSE(releaseFile(b));
    ASSERT_EQ(fileTable.count, 2);  // the gap is closed, order kept
    EXPECT_STREQ(fileTable.entries[0]->name, "A.TXT");
    EXPECT_STREQ(fileTable.entries[1]->name, "C.TXT");

    EXPECT_FALSE(releaseFileByName("c.txt"));  // not normalised: lower case matches nothing
    EXPECT_EQ(fileTable.count, 2);
    EXPECT_TRUE(releaseFileByName("C.TXT"));
    EXPECT_EQ(fileTable.count, 1);
    EXPECT_EQ(fileTable.entries[0]->data, a);
    EXPECT_FALSE(releaseFile(nullptr));
}

TEST_F(FileTableTest, ReadFileIntoCopiesSmallFilesWithoutRegistering)
{
    writeString(dir + "/settings.dat", "0123456789");
    char buf[16];
    std::memset(buf, '#', sizeof buf);
    int32_t size = 0;
    EXPECT_TRUE(readFileInto("SETTINGS.DAT", buf, 10, &size));
    EXPECT_EQ(size, 10);
    EXPECT_EQ(std::string(buf, 11), "0123456789#");
    EXPECT_EQ(fileTable.count, 0);

    // Larger than the caller's buffer: refused, nothing copied, the real size reported.
    std::memset(buf, '#', sizeof buf);
    EXPECT_FALSE(readFileInto("settings.dat", buf, 9, &size));
    EXPECT_EQ(size, 10);
    EXPECT_EQ(std::string(buf, 10), "##########");

    EXPECT_FALSE(readFileInto("missing.dat", buf, 16, &size));
    EXPECT_EQ(size, 0);

    // A registered file is copied from the table, with the same capacity rule.
    writeString(dir + "/t.dat", "table");
    ASSERT_NE(readFile("t.dat", nullptr, false), nullptr);
    std::filesystem::remove(dir + "/t.dat");
    EXPECT_TRUE(readFileInto("t.dat", buf, 5, &size));
    EXPECT_EQ(std::string(buf, 5), "table");
    EXPECT_FALSE(readFileInto("t.dat", buf, 4, &size));
}

TEST_F(FileTableTest, TableFullIsTreatedAsUnreadable)
{
    for (int i = 0; i < FILE_TABLE_SIZE; ++i) {
        std::string name = "f" + std::to_string(i) + ".txt";
        writeString(dir + "/" + name, "x");
        ASSERT_NE(readFile(name.c_str(), nullptr, false), nullptr) << i;
    }
    EXPECT_EQ(fileTable.count, FILE_TABLE_SIZE);
    EXPECT_EQ(readFile("F0.TXT", nullptr, false), fileTable.entries[0]->data);  // lookups still work
    writeString(dir + "/g.txt", "y");
    EXPECT_EQ(readFile("g.txt", nullptr, false), nullptr);
    EXPECT_EQ(recorded.exits, 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(readFile("g.txt", nullptr, true), nullptr);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(recorded.exits, 1);
    EXPECT_EQ(fileTable.count, FILE_TABLE_SIZE);
}

TEST_F(FileTableTest, NameLongerThanTheFieldIsNotRead)
{
    std::string longName(FILE_NAME_SIZE, 'n');
    writeString(dir + "/" + longName, "x");
    EXPECT_EQ(readFile(longName.c_str(), nullptr, false), nullptr);
    EXPECT_EQ(fileTable.count, 0);
}

TEST_F(FileTableTest, TextDataEndsWithATerminator)
{
    writeString(dir + "/level.txt", "a=1\r\n");
    int32_t size = 0;
    char* text = readTextData("level.txt", &size, false);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(size, 5);
    EXPECT_STREQ(text, "a=1\r");
    EXPECT_TRUE(releaseFile(text));

    writeString(dir + "/empty.txt", "");
    text = readTextData("empty.txt", &size, false);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(size, 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(readTextData("none.txt", &size, false), nullptr);
}

// ---- Archives ----------------------------------------------------------------------------

TEST_F(FileTableTest, ArchiveMembersAreUnscrambledAndRegistered)
{
    std::vector<uint8_t> bytes = archiveOf({{"figures\\Ball.tga", "ball picture"}, {"x", "XYZ\x01"}, {"Empty.txt", ""}});
    // Scrambled on disk: the first data byte is 'b' XOR 'f'.
    EXPECT_EQ(bytes[17 + 4], uint8_t('b' ^ 'f'));
    writeBytes(dir + "/targa.dat", bytes);

    EXPECT_EQ(openArchive("targa.dat"), ArchiveStatus::Ok);
    // The members are registered; the archive itself is not held in memory.
    ASSERT_EQ(fileTable.count, 3);
    EXPECT_STREQ(fileTable.entries[0]->name, "FIGURES\\BALL.TGA");
    EXPECT_EQ(fileTable.entries[0]->data, nullptr);
    EXPECT_EQ(findFile("targa.dat"), nullptr);

    int32_t size = 0;
    uint8_t* ball = readFile("FIGURES\\BALL.TGA", &size, false);
    ASSERT_NE(ball, nullptr);
    EXPECT_EQ(asString(ball, size), "ball picture");
    EXPECT_EQ(ball[size], 0);  // terminated like a file read from disk
    EXPECT_EQ(fileTable.entries[0]->ownsData, 1);
    EXPECT_EQ(readFile("figures\\ball.tga", nullptr, false), ball);  // read once

    // A one-character name: every byte XOR that one character.
    EXPECT_EQ(bytes[17 + 4 + 12 + 2 + 4], uint8_t('X' ^ 'x'));
    uint8_t* x = readFile("X", &size, false);
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(asString(x, size), "XYZ\x01");

    ASSERT_NE(readFile("empty.txt", &size, false), nullptr);
    EXPECT_EQ(size, 0);

    // Progress: the archive once, then each member.
    EXPECT_EQ(recorded.progressCalls, 4);
    EXPECT_EQ(recorded.progressBytes, int64_t(bytes.size()) + 12 + 4 + 0);
}

TEST_F(FileTableTest, MemberWinsOverLooseFileOnceArchiveIsOpen)
{
    writeString(dir + "/menu.txt", "loose");
    writeBytes(dir + "/texts.dat", archiveOf({{"Menu.txt", "packed"}}));
    ASSERT_EQ(openArchive("texts.dat"), ArchiveStatus::Ok);
    int32_t size = 0;
    uint8_t* data = readFile("menu.txt", &size, false);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(asString(data, size), "packed");
}

TEST_F(FileTableTest, AReleasedMemberGivesUpItsBytesAndIsReadAgainFromItsArchive)
{
    writeBytes(dir + "/jpeg.dat", archiveOf({{"a.jpg", "first"}, {"b.jpg", "second"}}));
    ASSERT_EQ(openArchive("jpeg.dat"), ArchiveStatus::Ok);
    uint8_t* a = readFile("a.jpg", nullptr, false);
    uint8_t* b = readFile("b.jpg", nullptr, false);
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(releaseFile(a));
    EXPECT_EQ(fileTable.count, 2);
    EXPECT_EQ(asString(b, 6), "second");
    ASSERT_NE(findFile("a.jpg"), nullptr);
    EXPECT_EQ(findFile("a.jpg")->data, nullptr);
    // Read again from the archive, from another current folder too (the archive's path is absolute).
    ASSERT_TRUE(osCreateDirectory("elsewhere"));
    ASSERT_TRUE(osSetCurrentDirectory("elsewhere"));
    int32_t size = 0;
    a = readFile("a.jpg", &size, false);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(asString(a, size), "first");
    // Copied into a caller's buffer without being kept.
    ASSERT_TRUE(releaseFile(a));
    char small[8] = {};
    EXPECT_TRUE(readFileInto("a.jpg", small, sizeof small, &size));
    EXPECT_EQ(std::string(small, 5), "first");
    EXPECT_EQ(findFile("a.jpg")->data, nullptr);
    EXPECT_FALSE(readFileInto("b.jpg", small, 3, &size));
    EXPECT_EQ(size, 6);
    releaseAll();
    EXPECT_EQ(fileTable.count, 0);
    EXPECT_EQ(fileTable.archiveCount, 0);
}

TEST_F(FileTableTest, AMemberWhoseArchiveChangedIsAFailedReadNotWrongBytes)
{
    writeBytes(dir + "/jpeg.dat", archiveOf({{"a.jpg", "first"}, {"b.jpg", "second"}}));
    ASSERT_EQ(openArchive("jpeg.dat"), ArchiveStatus::Ok);
    // Another archive: the first member's header differs, the second sits where it was.
    writeBytes(dir + "/jpeg.dat", archiveOf({{"a.jpeg", "firs"}, {"b.jpg", "second"}}));
    EXPECT_EQ(readFile("a.jpg", nullptr, false), nullptr);
    int32_t size = 0;
    uint8_t* b = readFile("b.jpg", &size, false);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(asString(b, size), "second");
    EXPECT_EQ(recorded.exits, 0);
    char buffer[8];
    EXPECT_FALSE(readFileInto("a.jpg", buffer, sizeof buffer, nullptr));
    // A fatal read stops the program with the loading error.
    EXPECT_EQ(readFile("a.jpg", nullptr, true), nullptr);
    EXPECT_EQ(recorded.exits, 1);
    EXPECT_STREQ(fileTable.lastFatalCaption, "Loading Error");
    // Cut short: the member's bytes are no longer all there.
    writeBytes(dir + "/jpeg.dat", archiveOf({{"a.jpg", "fir"}}));
    EXPECT_EQ(readFile("a.jpg", nullptr, false), nullptr);
    std::remove((dir + "/jpeg.dat").c_str());
    EXPECT_EQ(readFile("a.jpg", nullptr, false), nullptr);
}

TEST_F(FileTableTest, MissingArchiveIsSkippedSilently)
{
    writeString(dir + "/menu.txt", "loose");
    EXPECT_EQ(openArchive("texts.dat"), ArchiveStatus::Missing);
    EXPECT_EQ(fileTable.count, 0);
    EXPECT_EQ(recorded.exits, 0);
    int32_t size = 0;
    uint8_t* data = readFile("menu.txt", &size, false);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(asString(data, size), "loose");
}

TEST_F(FileTableTest, EmptyArchiveHoldsNoMembers)
{
    writeBytes(dir + "/texts.dat", {});
    EXPECT_EQ(openArchive("texts.dat"), ArchiveStatus::Ok);
    EXPECT_EQ(fileTable.count, 0);
}

struct Damage {
    const char* what;
    std::vector<uint8_t> tail;  // appended after one good member
    ArchiveStatus status;
};

TEST_F(FileTableTest, DamagedArchiveKeepsMembersBeforeTheDamage)
{
    const std::vector<uint8_t> good = archiveOf({{"good.txt", "kept"}});
    const std::vector<Damage> cases = {
        {"unterminated name", {'b', 'a', 'd'}, ArchiveStatus::NameUnterminated},
        {"empty name", {0, 1, 0, 0, 0, 'x'}, ArchiveStatus::NameEmpty},
        {"length cut off", {'b', 0, 5, 0}, ArchiveStatus::LengthTruncated},
        {"data past the end", {'b', 0, 5, 0, 0, 0, 'x', 'y'}, ArchiveStatus::DataTruncated},
        {"huge length", {'b', 0, 0xFF, 0xFF, 0xFF, 0xFF, 'x'}, ArchiveStatus::DataTruncated},
        {"name of 64 characters", {}, ArchiveStatus::NameTooLong},
    };
    for (Damage d : cases) {
        SCOPED_TRACE(d.what);
        resetFileTable();
        fileTable.exitHook = recordExit;
        if (d.status == ArchiveStatus::NameTooLong) {
            d.tail.assign(64, 'n');
            d.tail.insert(d.tail.end(), {0, 1, 0, 0, 0, 'x'});
        }
        std::vector<uint8_t> bytes = good;
        bytes.insert(bytes.end(), d.tail.begin(), d.tail.end());
        writeBytes(dir + "/bad.dat", bytes);
        EXPECT_EQ(openArchive("bad.dat"), d.status);
        ASSERT_EQ(fileTable.count, 1);
        int32_t size = 0;
        uint8_t* kept = readFile("good.txt", &size, false);
        ASSERT_NE(kept, nullptr);
        EXPECT_EQ(asString(kept, size), "kept");
        EXPECT_STRNE(archiveStatusText(d.status), "unknown");
    }
}

TEST_F(FileTableTest, ArchiveMembersBeyondTheTableAreNotRegistered)
{
    std::vector<Member> members;
    for (int i = 0; i < FILE_TABLE_SIZE + 5; ++i) members.push_back({"m" + std::to_string(i), "d"});
    writeBytes(dir + "/big.dat", archiveOf(members));
    EXPECT_EQ(openArchive("big.dat"), ArchiveStatus::TableFull);
    EXPECT_EQ(fileTable.count, FILE_TABLE_SIZE);
    EXPECT_NE(findFile("m1023"), nullptr);
    EXPECT_EQ(findFile("m1024"), nullptr);
}

TEST(ArchiveWriterTest, RejectsNamesTheReaderCannotTake)
{
    std::vector<uint8_t> out;
    const uint8_t byte = 1;
    EXPECT_FALSE(appendArchiveMember(out, "", &byte, 1));
    EXPECT_FALSE(appendArchiveMember(out, nullptr, &byte, 1));
    EXPECT_FALSE(appendArchiveMember(out, std::string(64, 'n').c_str(), &byte, 1));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(appendArchiveMember(out, std::string(63, 'n').c_str(), &byte, 1));
    EXPECT_EQ(out.size(), size_t(63 + 1 + 4 + 1));
}

TEST(ArchiveWriterTest, WalkStopsWhenTheVisitorRefuses)
{
    std::vector<uint8_t> out;
    const uint8_t data[3] = {1, 2, 3};
    ASSERT_TRUE(appendArchiveMember(out, "ab", data, 3));
    ASSERT_TRUE(appendArchiveMember(out, "cd", data, 3));
    int visits = 0;
    int32_t bad = -1;
    ArchiveStatus s = walkArchive(out.data(), int32_t(out.size()), [](void* ctx, const char* name, uint8_t* d, int32_t size) {
        int& n = *static_cast<int*>(ctx);
        ++n;
        EXPECT_STREQ(name, "ab");
        EXPECT_EQ(size, 3);
        EXPECT_EQ(d[2], 3);
        return false;
    }, &visits, &bad);
    EXPECT_EQ(s, ArchiveStatus::TableFull);
    EXPECT_EQ(visits, 1);
    EXPECT_EQ(bad, 0);
}

} // namespace
