// The converter's short way against the list's way (import, duplicate removal, export
// text), on texts large enough to be cut in two halves, each in parts, in any order of keys.
#include "Lists.h"
#include "TestFiles.h"
#include "core/DirectConversion.h"
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

constexpr std::size_t kTwoHalves = 20000;  // about 3.4 MB: two halves of two parts each

TEST(DirectConversion, GivesWhatTheListsWayGivesOrLeavesTheText)
{
    const std::string ascending = Records(kTwoHalves, [](std::size_t i) { return i / 3; });
    const std::string shortLine = "12345678\r\n";
    const std::string crowded = test::Generated({.records = 3000, .crlf = true, .crowdedKeys = true});
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
        {"a zipped CSV", Zip("Bankleitzahl;Merkmal;Bezeichnung\n10020030;1;Sparkasse\n"), false},
        {"an empty zipped file", Zip(""), false},
        {"short lines, more CSV than room", ShortLines(3000), false},
        {"the CSV form", "Bankleitzahl;Merkmal;Bezeichnung\n10020030;1;Sparkasse\n", false},
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
