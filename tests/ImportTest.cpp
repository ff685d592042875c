#include "TestFiles.h"
#include "core/MemoryEntryList.h"
#include "core/modFileToTextBox.h"
#include "core/modSortCodeImport.h"

#include <cerrno>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace leitzahl {
namespace {

using test::Record;

// Keeps NUL bytes that a plain string literal would end at.
template <std::size_t N>
std::string Bytes(const char (&text)[N])
{
    return std::string(text, N - 1);
}

// The entries a text gives, and where a line too short for a record stops the import,
// the message and the entries before it.
struct CutCase {
    friend void PrintTo(const CutCase& c, std::ostream* os) { *os << c.name; }
    const char* name;
    std::string text;
    std::vector<std::string> entries;
    std::int64_t lastPieceIndex;
    std::string failure = {};
};

std::string TooShort(int line)
{
    return "Zeile " + std::to_string(line) + " ist zu kurz für einen Eintrag der Bankleitzahlendatei.";
}

const std::string kRecord = Record("10020030", "Volksbank M\xFChlbr\xFC" "ck eG", "A4");

// A record whose last three characters are spaces: the method code moves three places left.
std::string RecordEndingInSpaces()
{
    std::string record = kRecord;
    record.replace(165, 3, "   ");
    record.replace(147, 2, "Q7");
    return record;
}

std::vector<CutCase> CutCases()
{
    return {
        {"LeadingSpacesAreTrimmedFirst", "   " + kRecord + "\n", {"10020030;Volksbank M\xFChlbr\xFC" "ck eG;A4"}, 1},
        {"TrailingSpacesMoveMethodLeft", RecordEndingInSpaces() + "\n",
         {"10020030;Volksbank M\xFChlbr\xFC" "ck eG;Q7"}, 1},
        {"InnerSpacesAndSemicolonStay", Record("30040050", "  Bank  am; Markt ", "09") + "\n",
         {"30040050;Bank  am; Markt;09"}, 1},
        {"NineCharacters", "12345678X\n", {"12345678;;12"}, 1},
        {"SixtySevenCharacters", "12345678X" + std::string(57, 'n') + "E\n",
         {"12345678;" + std::string(57, 'n') + "E;nn"}, 1},
        {"BlankLinesAreSkipped", "\n    \n\r\n" + kRecord + "\r\n\r\n",
         {"10020030;Volksbank M\xFChlbr\xFC" "ck eG;A4"}, 5},
        {"EmptyText", "", {}, -1},
        {"TabIsNotTrimmed", "\t2345678XName\n", {"\t2345678;Name;\t2"}, 1},
        {"BytesPassUnchanged", Bytes("1234567\x80X\xE4\xF6\xFC\xDF\x00\xFF\n"),
         {Bytes("1234567\x80;\xE4\xF6\xFC\xDF\x00\xFF;12")}, 1},
        {"EightCharactersAreTooShort", "12345678\n", {}, 0, TooShort(1)},
        {"ShortLineAfterGoodLines", kRecord + "\n\n  1234567  \n" + kRecord,
         {"10020030;Volksbank M\xFChlbr\xFC" "ck eG;A4"}, 2, TooShort(3)},
        {"LoneCrAtEndOfText", kRecord + "\r\n\r", {"10020030;Volksbank M\xFChlbr\xFC" "ck eG;A4"}, 1, TooShort(2)},
        {"CrInsideLine", "1234\r\r\n", {}, 0, TooShort(1)},
    };
}

class CutTest : public testing::TestWithParam<CutCase> {};

TEST_P(CutTest, YieldsEntriesOrStopsAtShortLine)
{
    const CutCase& c = GetParam();
    MemoryEntryList list;
    const ImportResult result = ImportSortCodeText(c.text, list);
    EXPECT_EQ(result.failure ? result.failure->description : "", c.failure);
    EXPECT_EQ(test::Entries(list), c.entries);
    EXPECT_EQ(result.lastPieceIndex, c.lastPieceIndex);
}

INSTANTIATE_TEST_SUITE_P(Import, CutTest, testing::ValuesIn(CutCases()),
                         [](const auto& info) { return info.param.name; });

// Lines that do not look like records are counted and the first is named; they are
// still cut as any other line.
struct UnfitCase {
    friend void PrintTo(const UnfitCase& c, std::ostream* os) { *os << c.name; }
    const char* name;
    std::string text;
    std::size_t unfitLines;
    std::int64_t firstUnfitLine;
};

const std::string kUtf8Record =
    Record("20030040", "Gro\xC3\x9F" "b\xC3\xA4" "ckerei-B\xC3\xBC" "rgerbank", "06") + "\n";

std::vector<UnfitCase> UnfitCases()
{
    const std::string line = kRecord + "\r\n";
    return {
        {"ResavedAsUtf8", kUtf8Record + kUtf8Record, 0, 0},
        {"LineShortenedTo140", line + kRecord.substr(0, 140) + "\r\n" + line, 1, 2},
        {"CutOffInLastRecord", line + line + kRecord.substr(0, 100), 1, 3},
        {"LastRecordEndsInCrWithoutLf", line + kRecord + "\r", 1, 2},
        {"SemicolonCsvWithHeader", "Bankleitzahl;Merkmal;Bezeichnung;PLZ;Ort\n10020030;1;Volksbank;12345;Ort\n", 2, 1},
        {"LetterInSortCode", line + Record("1002003O", "Bank", "00") + "\r\n", 1, 2},
        {"FlagIsNotOneOrTwo", line + "100200303" + kRecord.substr(9), 1, 2},
        {"ChangeFlagNotADUM", std::string(kRecord).replace(158, 1, "X"), 1, 1},
        {"DeletionFlagNotZeroOrOne", std::string(kRecord).replace(159, 1, "7"), 1, 1},
        {"LongerThanAnyRecord", std::string(kRecord).insert(20, 19, 'x'), 1, 1},
    };
}

class UnfitLineTest : public testing::TestWithParam<UnfitCase> {};

TEST_P(UnfitLineTest, CountsLinesThatAreNoRecordsAndNamesTheFirst)
{
    const UnfitCase& c = GetParam();
    MemoryEntryList list;
    const ImportResult result = ImportSortCodeText(c.text, list);
    EXPECT_FALSE(result.failure.has_value());
    EXPECT_EQ(result.unfitLines, c.unfitLines);
    EXPECT_EQ(result.firstUnfitLine, c.firstUnfitLine);
}

INSTANTIATE_TEST_SUITE_P(Import, UnfitLineTest, testing::ValuesIn(UnfitCases()),
                         [](const auto& info) { return info.param.name; });

// A large text is cut in two halves at once: whatever it holds, the result must equal
// that of one pass over the text.
struct HalvesCase {
    friend void PrintTo(const HalvesCase& c, std::ostream* os) { *os << c.name; }
    const char* name;
    std::string text;
};

// Over a megabyte of records with sort codes from first on.
std::string ManyRecords(int first)
{
    std::string text;
    for (int code = first; code < first + 7000; ++code) {
        text += Record(std::to_string(code), "Bank " + std::to_string(code), "09") + "\r\n";
    }
    return text;
}

std::vector<HalvesCase> HalvesCases()
{
    const std::string one = ManyRecords(10000000);
    const std::string two = ManyRecords(20000000);
    const std::string unfit = "Kopfzeile der Tabelle\n";
    return {
        {"Records", one + two},
        {"NoFinalLineFeed", one + two + kRecord},
        {"UnfitLineInSecondHalf", one + two + unfit + kRecord},
        {"UnfitLinesInBothHalves", unfit + one + unfit + two},
        {"ShortLineInFirstHalf", "1234\n" + one + two},
        {"ShortLineInSecondHalf", one + two + "1234\r\n" + kRecord},
    };
}

class HalvesTest : public testing::TestWithParam<HalvesCase> {};

TEST_P(HalvesTest, GiveTheResultOfOnePass)
{
    MemoryEntryList halves;
    MemoryEntryList onePass;
    const ImportResult got = ImportSortCodeText(GetParam().text, halves);
    const ImportResult want = ImportSortCodeText(GetParam().text, static_cast<EntryList&>(onePass));
    EXPECT_EQ(got.lastPieceIndex, want.lastPieceIndex);
    EXPECT_EQ(got.entriesRead, want.entriesRead);
    EXPECT_EQ(got.unfitLines, want.unfitLines);
    EXPECT_EQ(got.firstUnfitLine, want.firstUnfitLine);
    ASSERT_EQ(got.failure.has_value(), want.failure.has_value());
    if (want.failure) {
        EXPECT_EQ(got.failure->description, want.failure->description);
    } else {
        EXPECT_EQ(test::Entries(halves), test::Entries(onePass));
    }
}

INSTANTIATE_TEST_SUITE_P(Import, HalvesTest, testing::ValuesIn(HalvesCases()),
                         [](const auto& info) { return info.param.name; });

class ImportFileTest : public testing::Test {
protected:
    test::TempDir dir;
    MemoryEntryList list;
};

TEST_F(ImportFileTest, EmptyFileIsValidWithoutEntries)
{
    test::WriteBytes(dir.path("leer.txt"), "");
    const ImportResult result = ImportSortCodeFile(dir.path("leer.txt"), list);
    EXPECT_FALSE(result.failure.has_value());
    EXPECT_EQ(result.entriesRead, 0U);
    EXPECT_EQ(result.lastPieceIndex, -1);
}

#ifndef _WIN32
// Cuts its file short at the first entry, as another program overwriting the file
// while it is read would.
class ShrinkingFileList final : public EntryList {
public:
    explicit ShrinkingFileList(std::string path) : path_(std::move(path)) {}
    std::size_t count() const override { return entries_.count(); }
    std::string_view entry(std::size_t index) const override { return entries_.entry(index); }
    void append(std::string_view text) override
    {
        if (entries_.count() == 0) {
            EXPECT_EQ(truncate(path_.c_str(), 100), 0);
        }
        entries_.append(text);
    }
    void clear() override { entries_.clear(); }

private:
    std::string path_;
    MemoryEntryList entries_;
};

TEST_F(ImportFileTest, FileCutShortWhileReadIsUnreadable)
{
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        text += kRecord + "\r\n";  // several pages, so that whole pages vanish
    }
    test::WriteBytes(dir.path("blz.txt"), text);
    ShrinkingFileList shrinking(dir.path("blz.txt"));
    const ImportResult result = ImportSortCodeFile(dir.path("blz.txt"), shrinking);
    ASSERT_TRUE(result.failure.has_value());
    EXPECT_EQ(result.failure->number, EIO);
    EXPECT_EQ(result.failure->description,
              "Die Datei „" + dir.path("blz.txt") + "“ kann nicht gelesen werden: Ein-/Ausgabefehler.");
}

struct UnreadableCase {
    friend void PrintTo(const UnreadableCase& c, std::ostream* os) { *os << c.name; }
    const char* name;
    std::string file;  // below the temporary folder
    int number;
    const char* reason;
};

class UnreadableTest : public ImportFileTest, public testing::WithParamInterface<UnreadableCase> {};

TEST_P(UnreadableTest, GivesBackSystemErrorNamingTheFile)
{
    const UnreadableCase& c = GetParam();
    test::WriteBytes(dir.path("datei.txt"), kRecord);
    FileText = "old text";
    const std::string path = dir.path(c.file);
    const ImportResult result = ImportSortCodeFile(path, list);
    ASSERT_TRUE(result.failure.has_value());
    EXPECT_EQ(result.failure->number, c.number);
    EXPECT_EQ(result.failure->description,
              "Die Datei „" + path + "“ kann nicht gelesen werden: " + c.reason + ".");
    EXPECT_EQ(list.count(), 0U);
    EXPECT_TRUE(FileText.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Import, UnreadableTest,
    testing::Values(UnreadableCase{"Missing", "fehlt.txt", ENOENT, "Datei oder Ordner nicht gefunden"},
                    UnreadableCase{"Folder", "", EISDIR, "Das ist ein Ordner, keine Datei"},
                    UnreadableCase{"BelowAFile", "datei.txt/x.txt", ENOTDIR, "Ein Teil des Pfads ist kein Ordner"}),
    [](const auto& info) { return info.param.name; });

#endif

}  // namespace
}  // namespace leitzahl
