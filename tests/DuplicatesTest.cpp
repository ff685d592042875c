#include "Lists.h"
#include "core/Diverse.h"
#include "core/MemoryEntryList.h"
#include "tools/generator/SortCodeFileGenerator.h"

#include <gtest/gtest.h>

namespace leitzahl {
namespace {

// Keys chosen to crowd the key table, each later one repeated out of order.
std::pair<std::vector<std::string>, std::vector<std::string>> CrowdedKeys()
{
    std::pair<std::vector<std::string>, std::vector<std::string>> crowded;
    for (const std::string& code : generator::CrowdedSortCodes(80000)) {
        crowded.first.push_back(code + ";a");
    }
    crowded.second = crowded.first;
    for (std::size_t i = 0; i < crowded.second.size(); i += 97) {
        crowded.first.push_back(crowded.second[i].substr(0, 8) + ";b");
    }
    return crowded;
}

// The first entry of every key (its first 8 bytes) stays, in list order; with events,
// they are processed once per entry. The converter's way, without events, keeps the
// entries in place, and the list takes further entries after them. Keys that a hostile
// file chose to crowd the key table give the same (bench/run shows that they take no
// longer than any others).
TEST(Duplicates, KeepsFirstOfEveryKeyInOrderAndYieldsOncePerEntry)
{
    const std::string nul("1234\0" "678;a", 9);
    const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
        CrowdedKeys(),
        {{}, {}},
        {{"1234", "12345", "1234", "123"}, {"1234", "12345", "123"}},  // short keys match only whole
        {{"12345678A", "12345678B", "1234567"}, {"12345678A", "1234567"}},
        // ascending until the order breaks
        {{"AAAAAAAA;1", "BBBBBBBB;1", "BBBBBBBB;2", "CCCCCCCC;1", "BBBBBBBB;3", "AAAAAAAA;2", "CCCCCCCC;2",
          "DDDDDDDD;1"},
         {"AAAAAAAA;1", "BBBBBBBB;1", "CCCCCCCC;1", "DDDDDDDD;1"}},
        {{nul, nul.substr(0, 8) + "b", "1234"}, {nul, "1234"}}};  // NUL bytes are key bytes
    for (const auto& [entries, kept] : cases) {
        MemoryEntryList list = test::ListOf(entries);
        std::size_t calls = 0;
        EXPECT_FALSE(RemoveDuplicates(list, [&] { ++calls; }).has_value());
        EXPECT_EQ(test::Entries(list), kept);
        EXPECT_EQ(calls, entries.size());

        MemoryEntryList inPlace = test::ListOf(entries);
        EXPECT_FALSE(RemoveDuplicates(inPlace).has_value());
        inPlace.append("99999999;danach");
        std::vector<std::string> keptThenMore = kept;
        keptThenMore.push_back("99999999;danach");
        EXPECT_EQ(test::Entries(inPlace), keptThenMore);
    }
}

}  // namespace
}  // namespace leitzahl
