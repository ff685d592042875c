// The converter's short way against the list's way (import, duplicate removal, export
// text), on texts large enough to be cut in two halves, each in parts, in any order of keys.
#include "Lists.h"
#include "TestFiles.h"
#include "core/direct/DirectConversion.h"
#include "core/Diverse.h"
#include "core/modCsvExport.h"
#include "core/modFileToTextBox.h"

#include <gtest/gtest.h>

namespace leitzahl {
namespace {

// Records whose sort code is 10000000 + keyOf(i), enough of them for two halves.
std::string Records(std::size_t count, const std::function<std::size_t(std::size_t)>& keyOf)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += test::Record(std::to_string(10000000 + keyOf(i)), "Bank " + std::to_string(i), "06") + "\r\n";
    }
    return text;
}

// Lines of nine characters, keys ascending: each gives more CSV bytes than it takes.
std::string ShortLines(std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += std::to_string(10000000 + i) + "1\n";
    }
    return text;
}

std::string Zip(std::string_view text)
{
    return test::Zipped("blz.txt", text);
}

// The archive with its directory's CRC-32 of the file changed.
std::string WrongCrc(std::string zip)
{
    zip[zip.rfind("PK\x01\x02") + 16] ^= 1;
    return zip;
}

// An XML document of the records given, with a header.
std::string XmlOf(const std::string& records)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document><FileHdr><ValidFrom>2026-12-07</ValidFrom>"
           "<ValidTill>2027-03-07</ValidTill></FileHdr>" +
           records + "</Document>\n";
}

constexpr std::size_t kTwoHalves = 20000;  // about 3.4 MB: two halves of two parts each

TEST(DirectConversion, GivesWhatTheListsWayGivesOrLeavesTheText)
{
    const std::string ascending = Records(kTwoHalves, [](std::size_t i) { return i / 3; });
    const std::string shortLine = "12345678\r\n";
    const std::string crowded = test::Generated({.records = 3000, .crlf = true, .crowdedKeys = true});
    constexpr auto Csv = generator::Options::Form::Csv;
    constexpr auto XmlForm = generator::Options::Form::Xml;
    const std::string csv = test::Generated({.records = kTwoHalves, .seed = 3, .form = Csv, .crlf = true});
    const std::string xml = test::Generated({.records = kTwoHalves, .seed = 3, .form = XmlForm});
    const std::string latin1 = test::Record("99999999", "B\xE4" "ckerbank \xA7" "5", "06") + "\r\n";
    struct {
        const char* what;
        std::string text;
        bool done;
    } const cases[] = {
        {"keys that ascend, each three times", ascending, true},
        {"one key throughout, repeated where the halves meet", Records(kTwoHalves, [](std::size_t) { return 7; }),
         true},
        {"a small text, in one pass", Records(10, [](std::size_t i) { return i / 2; }), true},
        {"no final line feed", ascending.substr(0, ascending.size() - 2), true},
        {"a line too short where the halves meet", ascending + shortLine + ascending, true},
        {"a key that descends within a half", Records(kTwoHalves, [](std::size_t i) { return i == 10 ? 0 : i; }),
         true},
        // Records are all as long, so the halves meet after record kTwoHalves / 2.
        {"the second half below the first",
         Records(kTwoHalves, [](std::size_t i) { return i <= kTwoHalves / 2 ? i + kTwoHalves : i; }), true},
        {"quarters joined: the same keys over again", Records(kTwoHalves, [](std::size_t i) { return i % 1500; }),
         true},
        {"the second half the first's keys backwards, and new ones",
         Records(kTwoHalves, [](std::size_t i) { return i < kTwoHalves / 2 ? 2 * i : kTwoHalves - i; }), true},
        {"keys that start over and then crowd the set", crowded + crowded, false},
        {"the second half ascending from below the first's last key, repeating some",
         Records(kTwoHalves, [](std::size_t i) { return i <= kTwoHalves / 2 ? i : i - kTwoHalves / 4; }), true},
        // The XML form: parsed a megabyte at a time.
        {"the XML form", xml, true},
        {"an XML record with a line break, one with a short code, one empty",
         XmlOf("<BLZEintrag><BLZ>10020030</BLZ><Bezeichnung>Bank\nAm Markt</Bezeichnung><PruefZiffMeth>06</PruefZiffMeth>"
             "</BLZEintrag><BLZEintrag><BLZ>100</BLZ><Bezeichnung>B</Bezeichnung><PruefZiffMeth>06</PruefZiffMeth>"
             "</BLZEintrag><BLZEintrag/>"),
         true},
        {"an XML name with a character ISO 8859-1 cannot hold",
         XmlOf("<BLZEintrag><BLZ>10020030</BLZ><Bezeichnung>Bank \xC5\x81\xC3\xB3" "d\xC5\xBA</Bezeichnung>"
             "<PruefZiffMeth>06</PruefZiffMeth></BLZEintrag>"),
         false},
        {"an XML name longer than any record's",
         XmlOf("<BLZEintrag><BLZ>10020030</BLZ><Bezeichnung>" + std::string(300, 'x') + "</Bezeichnung></BLZEintrag>"),
         false},
        {"an XML document cut short", xml.substr(0, xml.size() / 2), false},
        // Zipped: unpacked in pieces of 256 KiB, which split lines, CR from LF too.
        {"a zipped text", Zip(ascending), true},
        {"a zipped text without its final line feed", Zip(ascending.substr(0, ascending.size() - 2)), true},
        {"a zipped text whose keys start over", Zip(Records(kTwoHalves, [](std::size_t i) { return i % 1500; })),
         true},
        {"a zipped UTF-8 copy with its mark",
         Zip(test::Generated({.records = kTwoHalves, .seed = 5, .crlf = true, .utf8 = true, .byteOrderMark = true})),
         true},
        {"a zipped text, ASCII in its first pieces and Latin-1 later", Zip(ascending + latin1), true},
        {"a zipped text, UTF-8 first and Latin-1 later",
         Zip(test::Generated({.records = kTwoHalves, .seed = 5, .crlf = true, .utf8 = true}) + latin1), false},
        {"a zipped text with a line longer than a piece",
         Zip(ascending.substr(0, 100 * 170) + "99999999" + std::string(600000, 'x') + "\r\n" + ascending), true},
        {"a zipped text with a line too short", Zip(ascending + shortLine + ascending), false},
        {"a zipped text whose CRC-32 is wrong", WrongCrc(Zip(ascending)), false},
        {"a zipped CSV", Zip(csv), true},
        {"a small zipped CSV without its header, after blank lines",
         Zip("\r\n" + csv.substr(csv.find('\n') + 1, 5000)), true},
        {"a zipped CSV whose first piece holds only blank lines", Zip(std::string(300000, '\n') + csv), false},
        {"a zipped CSV whose header ends just after the first piece",
         Zip("Bankleitzahl;" + std::string((256 << 10) - 13, 'x') + ";Merkmal\r\n" + csv.substr(csv.find('\n') + 1)),
         false},
        {"a zipped XML document", Zip(xml), true},
        {"a zipped XML document whose CRC-32 is wrong", WrongCrc(Zip(xml)), false},
        {"a zipped XML document cut short", Zip(xml.substr(0, xml.size() / 2)), false},
        {"an empty zipped file", Zip(""), false},
        {"short lines, more CSV than room", ShortLines(3000), false},
        // The CSV form: fields as they come, unfit lines counted from the header on.
        {"the CSV form", csv, true},
        {"the CSV form, a UTF-8 copy with its mark",
         test::Generated({.records = kTwoHalves, .seed = 5, .form = Csv, .crlf = true, .utf8 = true,
                          .byteOrderMark = true}),
         true},
        {"the CSV form without its header, after blank lines", "\r\n\r\n" + csv.substr(csv.find('\n') + 1), true},
        {"the CSV form, its keys starting over", csv + csv.substr(csv.find('\n') + 1), true},
        {"a CSV line of too few fields, doubled quotes, a short code",
         "Bankleitzahl;Merkmal;Bezeichnung\n10020030;1;Sparkasse\n\"1002\";\"1\";\"Die \"\"Bank\"\"\"\n", true},
        {"a CSV name longer than any record's", "\"10020030\";\"1\";\"" + std::string(300, 'x') + "\"\n", false},
        {"the CSV form with CR alone at its line ends", "\"10020030\";\"1\";\"Bank\"\r\"10020031\";\"1\";\"B\"\r",
         false},
        // Fields counted in characters, names of umlauts only among them.
        {"a copy re-saved as UTF-8, with its byte-order mark",
         test::Generated({.records = kTwoHalves, .seed = 5, .crlf = true, .utf8 = true, .byteOrderMark = true}),
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryEntryList list;
        FileText = c.text;
        const ImportResult imported = ImportFileText(list, "blz.txt");
        FileText = c.text;
        const DirectConversion direct = ConvertTextDirectly("blz.txt");
        ASSERT_EQ(direct.done, c.done);
        if (!c.done) {
            EXPECT_EQ(FileText.view(), c.text) << "the text is left for the list's way";
            continue;
        }
        EXPECT_EQ(test::Outcome(direct.imported, list), test::Outcome(imported, list));
        if (imported.failure) {
            continue;
        }
        const std::string directCsv(FileText.view());
        ASSERT_FALSE(RemoveDuplicates(list));
        ASSERT_FALSE(BuildExportText(list));
        EXPECT_EQ(directCsv, FileText.view());
        EXPECT_EQ(direct.kept, list.count());
    }
}

}  // namespace
}  // namespace leitzahl
