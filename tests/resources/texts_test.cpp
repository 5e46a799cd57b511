// The text table: both entry forms, load order, limits and damaged text files.
#include "resources/texts.h"

#include "platform/os/files.h"
#include "resources/files.h"
#include "scratch.h"

namespace {

std::u16string str(const char16_t* s)
{
    return s ? std::u16string(s) : std::u16string(u"<none>");
}

TextLoadStatus parse(const std::u16string& s, bool bom = true)
{
    std::vector<uint8_t> bytes = utf16Bytes(s, bom);
    return parseTextData(bytes.data(), int32_t(bytes.size()));
}

class TextTableTest : public testing::Test {
protected:
    void SetUp() override { resetTextTables(); }
    void TearDown() override { resetTextTables(); }
};

TEST_F(TextTableTest, LineEntriesKeepSpacesAroundTheEqualsSign)
{
    EXPECT_EQ(parse(u"lang=eng\r\ntitle = A\r\nempty=\r\n"), TextLoadStatus::Ok);
    ASSERT_EQ(textTable.count, 3);
    EXPECT_EQ(str(text("lang")), u"eng");
    EXPECT_EQ(str(text("title ")), u" A");
    EXPECT_EQ(text("title"), nullptr);
    EXPECT_EQ(str(text("empty")), u"");
}

TEST_F(TextTableTest, BlockEntriesSpanLinesAndKeepTheirBreaks)
{
    EXPECT_EQ(parse(u"[about/]\r\nFirst line\r\nsecond line\r\n[/about]\r\n[x/]  spaced[/]\r\n[y/]z[anything]\r\n"),
              TextLoadStatus::Ok);
    ASSERT_EQ(textTable.count, 3);
    EXPECT_EQ(str(text("about")), u"First line\r\nsecond line\r\n");
    EXPECT_EQ(str(text("x")), u"  spaced");
    EXPECT_EQ(str(text("y")), u"z");
}

TEST_F(TextTableTest, FirstDefinitionWinsAndIndicesFormLists)
{
    EXPECT_EQ(parse(u"lang=eng\r\n"), TextLoadStatus::Ok);
    EXPECT_EQ(parse(u"lang=rus\r\ndefname1=Ann\r\ndefname2=Boris\r\ndefname3=Clara\r\n"), TextLoadStatus::Ok);
    EXPECT_EQ(str(text("lang")), u"eng");
    EXPECT_EQ(textIndex("defname1"), 2);
    EXPECT_EQ(str(textRelative("defname1", 2)), u"Clara");
    EXPECT_EQ(textRelative("defname1", 3), nullptr);
    // An absent key gives index 0: the first record, not an error.
    EXPECT_EQ(textIndex("nothing"), 0);
    EXPECT_EQ(str(textRelative("nothing", 0)), u"eng");
    EXPECT_EQ(textByIndex(-1), nullptr);
    EXPECT_EQ(textW(u"Lang"), nullptr);  // keys are case-sensitive
}

TEST_F(TextTableTest, EightBitKeysAreConvertedFromTheCodePage)
{
    EXPECT_EQ(parse(u"\u043a\u043b\u044e\u0447=\u0437\u043d\u0430\u0447\u0435\u043d\u0438\u0435\r\n"), TextLoadStatus::Ok);
    // "ключ" in Windows-1251.
    EXPECT_EQ(str(text("\xEA\xEB\xFE\xF7")), u"\u0437\u043d\u0430\u0447\u0435\u043d\u0438\u0435");
}

TEST_F(TextTableTest, FileOfOnlyItsByteOrderMarkAndALineBreakAddsNothing)
{
    EXPECT_EQ(parse(u"\r\n"), TextLoadStatus::Ok);
    EXPECT_EQ(parse(u""), TextLoadStatus::Ok);
    std::vector<uint8_t> none;
    EXPECT_EQ(parseTextData(none.data(), 0), TextLoadStatus::Ok);
    EXPECT_EQ(textTable.count, 0);
}

TEST_F(TextTableTest, DamagedFilesKeepEntriesBeforeTheDamage)
{
    // No final line break: the last character is lost and the last entry with it.
    EXPECT_EQ(parse(u"a=1\r\nb=2"), TextLoadStatus::NoFinalLineBreak);
    EXPECT_EQ(textTable.count, 1);
    EXPECT_EQ(str(text("a")), u"1");

    resetTextTables();
    EXPECT_EQ(parse(u"a=1\r\n[b/]never closed\r\n"), TextLoadStatus::LastEntryDropped);
    EXPECT_EQ(textTable.count, 1);

    resetTextTables();
    EXPECT_EQ(parse(u"a=1\r\n[no end of key\r\n"), TextLoadStatus::LastEntryDropped);
    EXPECT_EQ(parse(u"key without equals\r\n"), TextLoadStatus::LastEntryDropped);
    EXPECT_EQ(parse(u"c=value runs to the end\n"), TextLoadStatus::LastEntryDropped);
    EXPECT_EQ(textTable.count, 1);

    // A block whose closing bracket is missing is kept; nothing follows it.
    resetTextTables();
    EXPECT_EQ(parse(u"[k/]v[/k\r\n"), TextLoadStatus::Ok);
    EXPECT_EQ(str(text("k")), u"v");

    // An odd byte count: the odd byte is ignored.
    resetTextTables();
    std::vector<uint8_t> bytes = utf16Bytes(u"a=1\r\n");
    bytes.push_back('x');
    EXPECT_EQ(parseTextData(bytes.data(), int32_t(bytes.size())), TextLoadStatus::OddSize);
    EXPECT_EQ(str(text("a")), u"1");

    // No byte-order mark: the first character is skipped all the same.
    resetTextTables();
    EXPECT_EQ(parse(u"xa=1\r\n", false), TextLoadStatus::NoByteOrderMark);
    EXPECT_EQ(str(text("a")), u"1");
}

TEST_F(TextTableTest, KeysOver19CharactersAreSkipped)
{
    EXPECT_EQ(parse(u"k234567890123456789=fits\r\nk2345678901234567890=too long\r\n[k2345678901234567890/]x[/]\r\nnext=ok\r\n"),
              TextLoadStatus::KeyTooLong);
    ASSERT_EQ(textTable.count, 2);
    EXPECT_EQ(str(text("k234567890123456789")), u"fits");
    EXPECT_EQ(text("k2345678901234567890"), nullptr);
    EXPECT_EQ(str(text("next")), u"ok");
}

TEST_F(TextTableTest, EntriesBeyond1024AreRejected)
{
    std::u16string s;
    for (int i = 0; i < TEXT_TABLE_SIZE + 3; ++i) {
        std::string line = "k" + std::to_string(i) + "=v" + std::to_string(i) + "\r\n";
        s += std::u16string(line.begin(), line.end());
    }
    EXPECT_EQ(parse(s), TextLoadStatus::TableFull);
    EXPECT_EQ(textTable.count, TEXT_TABLE_SIZE);
    EXPECT_EQ(str(text("k1023")), u"v1023");
    EXPECT_EQ(text("k1024"), nullptr);
    EXPECT_EQ(parse(u"more=1\r\n"), TextLoadStatus::TableFull);
}

TEST_F(TextTableTest, FreeingKeepsTheCountAndLookupsReturnNothing)
{
    EXPECT_EQ(parse(u"a=1\r\n"), TextLoadStatus::Ok);
    freeTextTables();
    EXPECT_EQ(textTable.count, 1);
    EXPECT_EQ(text("a"), nullptr);
}

TEST_F(TextTableTest, LoadsThroughTheFileTableInLoadOrder)
{
    resetFileTable();
    std::string dir = scratchDir();
    resetFiles();
    ASSERT_TRUE(osSetCurrentDirectory(dir.c_str()));
    writeBytes(dir + "/settings.txt", utf16Bytes(u"lang=eng\r\nkeytoresume=settings\r\n"));
    writeBytes(dir + "/txt/2/strings.txt", utf16Bytes(u"keytoresume=Press a key\r\n"));

    EXPECT_EQ(loadTextFile("settings.txt"), TextLoadStatus::Ok);
    ASSERT_TRUE(osSetCurrentDirectory("txt\\2\\"));
    EXPECT_EQ(loadTextFile("STRINGS.TXT"), TextLoadStatus::Ok);
    EXPECT_EQ(str(text("keytoresume")), u"settings");
    EXPECT_EQ(fileTable.count, 0);  // each file is released after parsing

    // An archive member starts at an odd offset: parsing copes with the alignment.
    std::vector<uint8_t> archive;
    std::vector<uint8_t> member = utf16Bytes(u"odd=1\r\n");
    ASSERT_TRUE(appendArchiveMember(archive, "tips.txt", member.data(), member.size()));
    writeBytes(dir + "/txt/2/texts.dat", archive);
    ASSERT_EQ(openArchive("texts.dat"), ArchiveStatus::Ok);
    EXPECT_EQ(loadTextFile("tips.txt"), TextLoadStatus::Ok);
    EXPECT_EQ(str(text("odd")), u"1");

    // A missing text file is fatal.
    fileTable.exitHook = [](int) {};
    testing::internal::CaptureStderr();
    EXPECT_EQ(loadTextFile("menutext.txt"), TextLoadStatus::Missing);
    testing::internal::GetCapturedStderr();
    EXPECT_STREQ(fileTable.lastFatalCaption, "Loading Error");
    resetFileTable();
}

TEST(CodePageTest, ConvertsBothWays)
{
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(unicodeToCp1251(cp1251ToUnicode(uint8_t(c))), c) << c;
    }
    EXPECT_EQ(cp1251ToUnicode(0xA8), u'\u0401');  // Ё
    EXPECT_EQ(cp1251ToUnicode(0xFF), u'\u044F');  // я
    EXPECT_EQ(cp1251ToUnicode(0x88), u'\u20AC');  // €
    EXPECT_EQ(unicodeToCp1251(0x4E2D), -1);
    char16_t out[4];
    EXPECT_EQ(cp1251ToUtf16("abcdef", out, 4), 3);
    EXPECT_EQ(std::u16string(out), u"abc");
}

} // namespace
