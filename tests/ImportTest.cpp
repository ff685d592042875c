#include "Lists.h"
#include "TestFiles.h"
#include "core/direct/DirectConversion.h"
#include "core/MemoryEntryList.h"
#include "core/modFileToTextBox.h"
#include "core/RecordLines.h"
#include "core/modSortCodeImport.h"
#include "tools/generator/Latin1.h"

#include <cerrno>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace leitzahl {
namespace {

using namespace std::string_literals;

const std::string kRecord = test::Record("10020030", "Volksbank M\xFChlbr\xFC" "ck eG", "A4");
const std::string kEntry = "10020030;Volksbank M\xFChlbr\xFC" "ck eG;A4";
// A name of five umlauts that fills its field, and the record as a copy re-saved as UTF-8.
const std::string kFullName = "Raiffeisenbank H\xF6" "chstadt Herzogenaurach S\xFC" "d \xC4" "rzte \xD6" "l F\xFC" "rth";
const std::string kUtf8Record = generator::ToUtf8(test::Record("76069559", kFullName, "06"));
const std::string kUtf8Entry = generator::ToUtf8("76069559;" + kFullName + ";06");
const std::string kMark = "\xEF\xBB\xBF";

// The entries a text gives, and where a line too short for a record stops the import,
// the message and the entries before it.
TEST(Import, YieldsEntriesOrStopsAtShortLine)
{
    const std::tuple<std::string, std::vector<std::string>, std::int64_t, std::string> cases[] = {
        {"   " + kRecord + "\n", {kEntry}, 1, ""},  // leading spaces are trimmed first
        // The last three characters spaces: the method code moves three places left.
        {kRecord.substr(0, 147) + "Q7" + kRecord.substr(149, 16) + "   \n", {"10020030;Volksbank M\xFChlbr\xFC" "ck eG;Q7"}, 1, ""},
        {test::Record("30040050", "  Bank  am; Markt ", "09") + "\n", {"30040050;Bank  am; Markt;09"}, 1, ""},
        {"12345678X\n", {"12345678;;12"}, 1, ""},
        {"12345678X" + std::string(57, 'n') + "E\n", {"12345678;" + std::string(57, 'n') + "E;nn"}, 1, ""},
        {"\n    \n\r\n" + kRecord + "\r\n\r\n", {kEntry}, 5, ""},  // blank lines are skipped
        {"", {}, 0, ""},
        {"\t2345678XName\n", {"\t2345678;Name;\t2"}, 1, ""},  // a tab is not trimmed
        {"1234567\x80X\xE4\xF6\xFC\xDF\x00\xFF\n"s, {"1234567\x80;\xE4\xF6\xFC\xDF\x00\xFF;12"s}, 1, ""},
        {"12345678\n", {}, 1, "Zeile 1 ist zu kurz für einen Eintrag der Bankleitzahlendatei."},
        {kRecord + "\n\n  1234567  \n" + kRecord, {kEntry}, 3, "Zeile 3 ist zu kurz für einen Eintrag der Bankleitzahlendatei."},
        {kRecord + "\r\n" + kRecord + "\r", {kEntry, kEntry}, 2, ""},  // the last line lost its LF, not its CR
        // A UTF-8 copy counts characters: the whole name, the method code in its place.
        {kUtf8Record + "\r\n" + kUtf8Record, {kUtf8Entry, kUtf8Entry}, 2, ""},
        {generator::ToUtf8("\xC4\xD6\xDC\xE4\xF6\xFC\xDF\xE4\n"), {}, 1,
         "Zeile 1 ist zu kurz für einen Eintrag der Bankleitzahlendatei."},  // 8 characters in 16 bytes
        // A byte-order mark is no part of the first record, in a UTF-8 copy or not.
        {kMark + kUtf8Record + "\n", {kUtf8Entry}, 1, ""},
        {kMark + kRecord, {kEntry}, 1, ""}};
    for (const auto& [text, entries, linesRead, failure] : cases) {
        MemoryEntryList list;
        const ImportResult result = ImportSortCodeText(text, list);
        EXPECT_EQ(result.failure ? result.failure->description : "", failure) << text;
        EXPECT_EQ(test::Entries(list), entries);
        EXPECT_EQ(result.linesRead, linesRead) << text;
    }
}

// Lines that do not look like records are counted and the first is named; they are
// still cut as any other line.
TEST(Import, CountsLinesThatAreNoRecordsAndNamesTheFirst)
{
    const std::string line = kRecord + "\r\n";
    const std::tuple<std::string, std::size_t, std::int64_t> cases[] = {
        {line + line + kRecord.substr(0, 100), 1, 3},
        {"Bankleitzahl;Merkmal;Bezeichnung;PLZ;Ort\n10020030;1;Volksbank;12345;Ort\n", 2, 1},
        {line + test::Record("1002003O", "Bank", "00") + "\r\n", 1, 2},  // a letter in the sort code
        {kRecord.substr(0, 158) + "X" + kRecord.substr(159), 1, 1},  // no change flag
        {std::string(kRecord).insert(20, 7, 'x'), 1, 1},            // longer than any record
        // A UTF-8 copy counts characters: 168 of them fit, 175 do not.
        {kUtf8Record + "\r\n" + generator::ToUtf8(std::string(kRecord).insert(20, 7, 'x')), 1, 2},
    };
    for (const auto& [text, unfitLines, firstUnfitLine] : cases) {
        MemoryEntryList list;
        const ImportResult result = ImportSortCodeText(text, list);
        EXPECT_FALSE(result.failure.has_value());
        EXPECT_EQ(std::pair(result.unfitLines, result.firstUnfitLine), std::pair(unfitLines, firstUnfitLine)) << text;
    }
}

// A large text is cut in two halves at once: whatever it holds, unfit or short lines in
// either half, in the text form or the CSV's, the result must equal that of one pass.
TEST(Import, HalvesGiveTheResultOfOnePass)
{
    const std::string file = test::Generated({.records = 14000, .seed = 3, .crlf = true, .utf8 = true});
    // The text with a line put in after the line that holds the given share of it.
    const auto with = [&](std::string text, double share, const std::string& line) {
        return text.insert(text.find('\n', static_cast<std::size_t>(static_cast<double>(text.size()) * share)) + 1,
                           line);
    };
    const std::string unfit = "Kopfzeile der Tabelle\r\n";
    // The CSV form's names hold doubled quotes and quoted ";".
    const std::string csv = test::Generated({.records = 14000, .seed = 3, .form = generator::Options::Form::Csv});
    ASSERT_NE(csv.find("\"\"Alte Bank\"\""), std::string::npos);
    for (const std::string& text : {file, with(with(file, 0.75, unfit), 0.25, unfit), with(file, 0.75, unfit),
                                    "1234\n" + file, with(file, 0.75, "1234\r\n"), csv, with(csv, 0.75, unfit)}) {
        MemoryEntryList halves;
        test::OnePassList onePass;
        FileText = text;
        const ImportResult got = ImportFileText(halves, "blz");
        FileText = text;
        const ImportResult want = ImportFileText(onePass, "blz");
        EXPECT_EQ(test::Outcome(got, halves), test::Outcome(want, onePass)) << text.substr(0, 30);
    }
}

// A text checked as UTF-8 that another program changed before it was cut: its fields
// still fit the room of the longest entry.
TEST(Import, FieldsOfAChangedUtf8TextFitTheLongestEntry)
{
    for (const std::string& line : {kUtf8Record, "1234567\xC3" + std::string(600, '\x80') + "1",
                                    std::string(300, '\xF0') + std::string(300, '\xBF')}) {
        const record::LineFields fields = record::CutFields(line, false, true);
        EXPECT_LE(fields.sortCode.size() + fields.nameField.size() + fields.method.size() + 2,
                  record::LongestEntry(true));
    }
}

#ifndef _WIN32
TEST(Import, FileCutShortWhileReadIsUnreadable)
{
    test::TempDir dir;
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        text += kRecord + "\r\n";  // several pages, so that whole pages vanish
    }
    // Cut short at the first entry, as another program overwriting the file would, and
    // within its last page, where no page vanishes.
    for (const std::size_t cutTo : {std::size_t{100}, text.size() - 10}) {
        test::WriteBytes(dir.path("blz.txt"), text);
        test::OnePassList shrinking([&] { EXPECT_EQ(truncate(dir.path("blz.txt").c_str(), cutTo), 0); });
        const ImportResult result = ImportSortCodeFile(dir.path("blz.txt"), shrinking);
        // The converter's short way, cut short before it reads.
        test::WriteBytes(dir.path("blz.txt"), text);
        ASSERT_FALSE(LoadFileText(dir.path("blz.txt")));
        EXPECT_EQ(truncate(dir.path("blz.txt").c_str(), cutTo), 0);
        const DirectConversion direct = ConvertTextDirectly(dir.path("blz.txt"));
        EXPECT_TRUE(direct.done);
        for (const ImportResult& cut : {result, direct.imported}) {
            ASSERT_TRUE(cut.failure.has_value()) << cutTo;
            EXPECT_EQ(cut.failure->description, "Die Datei „" + dir.path("blz.txt") +
                                                    "“ kann nicht gelesen werden: Die Datei wurde beim Lesen verändert.");
        }
    }
}
#endif

}  // namespace
}  // namespace leitzahl
