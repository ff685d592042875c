#include "TestFiles.h"
#include "core/Diverse.h"
#include "core/MemoryEntryList.h"

#include <gtest/gtest.h>
#include <random>
#include <set>

namespace leitzahl {
namespace {

MemoryEntryList ListOf(const std::vector<std::string>& entries)
{
    MemoryEntryList list;
    for (const std::string& entry : entries) {
        list.append(entry);
    }
    return list;
}

struct DuplicateCase {
    friend void PrintTo(const DuplicateCase& c, std::ostream* os) { *os << c.name; }
    const char* name;
    std::vector<std::string> entries;
    std::vector<std::string> kept;
};

class RemoveDuplicatesTest : public testing::TestWithParam<DuplicateCase> {};

TEST_P(RemoveDuplicatesTest, KeepsFirstOfEveryKeyInOrderAndYieldsOncePerEntry)
{
    const DuplicateCase& c = GetParam();
    MemoryEntryList list = ListOf(c.entries);
    std::size_t calls = 0;
    EXPECT_FALSE(RemoveDuplicates(list, [&] { ++calls; }).has_value());
    EXPECT_EQ(test::Entries(list), c.kept);
    EXPECT_EQ(calls, c.entries.size());

    // The converter's way, without events: the kept entries stay in place, and the
    // list takes further entries after them.
    MemoryEntryList inPlace = ListOf(c.entries);
    EXPECT_FALSE(RemoveDuplicates(inPlace).has_value());
    inPlace.append("99999999;danach");
    std::vector<std::string> keptThenMore = c.kept;
    keptThenMore.push_back("99999999;danach");
    EXPECT_EQ(test::Entries(inPlace), keptThenMore);
}

INSTANTIATE_TEST_SUITE_P(
    Duplicates, RemoveDuplicatesTest,
    testing::Values(
        DuplicateCase{"Empty", {}, {}},
        DuplicateCase{"ShortKeysMatchOnlyWhole", {"1234", "12345", "1234", "123"}, {"1234", "12345", "123"}},
        DuplicateCase{"OnlyEightBytesCount", {"12345678A", "12345678B", "1234567"}, {"12345678A", "1234567"}},
        DuplicateCase{"NotAdjacent",
                      {"BBBBBBBB;1", "AAAAAAAA;1", "BBBBBBBB;2", "CCCCCCCC;1", "AAAAAAAA;2"},
                      {"BBBBBBBB;1", "AAAAAAAA;1", "CCCCCCCC;1"}},
        DuplicateCase{"AscendingUntilOrderBreaks",
                      {"AAAAAAAA;1", "BBBBBBBB;1", "BBBBBBBB;2", "CCCCCCCC;1", "BBBBBBBB;3", "AAAAAAAA;2",
                       "DDDDDDDD;1", "CCCCCCCC;2"},
                      {"AAAAAAAA;1", "BBBBBBBB;1", "CCCCCCCC;1", "DDDDDDDD;1"}},
        DuplicateCase{"NulBytesAreKeyBytes",
                      {std::string("1234\0" "678;a", 9), std::string("1234\0" "678;b", 9), "1234"},
                      {std::string("1234\0" "678;a", 9), "1234"}}),
    [](const auto& info) { return info.param.name; });

// Many short keys out of order, compared with a plain set: the table of seen keys
// fills up and its probes collide.
TEST(Duplicates, AgreesWithOrderedSetOnManyCollidingKeys)
{
    std::mt19937 random(7);
    std::vector<std::string> entries;
    std::vector<std::string> expected;
    std::set<std::string> seen;
    for (int i = 0; i < 50000; ++i) {
        std::string key;
        for (auto length = random() % 11; key.size() < length;) {
            key += "0129"[random() % 4];
        }
        entries.push_back(key + ";" + std::to_string(i));
        if (seen.insert(entries.back().substr(0, 8)).second) {
            expected.push_back(entries.back());
        }
    }
    MemoryEntryList inPlace = ListOf(entries);
    EXPECT_FALSE(RemoveDuplicates(inPlace).has_value());
    EXPECT_EQ(test::Entries(inPlace), expected);
}

TEST(Duplicates, OuterCallWinsOverWhatANestedCallLeft)
{
    MemoryEntryList list = ListOf({"11111111;a", "11111111;b", "22222222;c"});
    bool nested = false;
    std::vector<std::string> innerResult;
    RemoveDuplicates(list, [&] {
        if (nested) {
            return;
        }
        nested = true;
        // A second open command inside the first one replaces the list.
        list.clear();
        for (const char* entry : {"33333333;x", "33333333;y", "44444444;z"}) {
            list.append(entry);
        }
        RemoveDuplicates(list, [] {});
        innerResult = test::Entries(list);
    });
    EXPECT_EQ(innerResult, (std::vector<std::string>{"33333333;x", "44444444;z"}));
    EXPECT_EQ(test::Entries(list), (std::vector<std::string>{"11111111;a", "22222222;c"}));
}

}  // namespace
}  // namespace leitzahl
