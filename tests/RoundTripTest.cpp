#include "TestFiles.h"
#include "core/Diverse.h"
#include "core/MemoryEntryList.h"
#include "core/modCsvExport.h"
#include "core/modFileToTextBox.h"
#include "core/modSortCodeImport.h"
#include "tools/generator/Latin1.h"

#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace leitzahl {
namespace {

std::string Convert(const std::string& path)
{
    MemoryEntryList list;
    const ImportResult result = ImportSortCodeFile(path, list);
    EXPECT_FALSE(result.failure.has_value());
    EXPECT_EQ(result.unfitLines, 0U) << "line " << result.firstUnfitLine;
    EXPECT_FALSE(RemoveDuplicates(list).has_value());
    EXPECT_FALSE(BuildExportText(list).has_value());
    return std::string(FileText.view());
}

// Each variant of a generated file gives the CSV of the plain LF file (whose fields the
// import's own tests check), a copy re-saved as UTF-8 (whose names of umlauts only the
// Latin-1 file lacks) the CSV of its own Latin-1 original in UTF-8, and no line is
// taken for anything but a record. The files carry every value of the fields that tell a record: both record
// kinds, every change flag, both deletion flags, and (UTF-8) the longest line a copy
// can have.
TEST(RoundTrip, GeneratedFileGivesSameCsvInEveryVariant)
{
    test::TempDir dir;
    const std::string lf = test::Generated({.records = 3000, .seed = 11});
    test::WriteBytes(dir.path("lf.txt"), lf);
    EXPECT_NE(lf.find('\xFC'), std::string::npos) << "the generator writes Latin-1 umlauts";
    const std::string expected = Convert(dir.path("lf.txt"));
    std::set<std::string> values;
    for (std::size_t at = 0; at < lf.size(); at += 169) {
        values.insert({{'k', lf[at + 8]}, {'c', lf[at + 158]}, {'d', lf[at + 159]}});
    }
    EXPECT_EQ(values, (std::set<std::string>{"k1", "k2", "cA", "cD", "cM", "cU", "d0", "d1"}));
    using Options = generator::Options;
    for (auto [variant, longestLine] :
         {std::pair{Options{.crlf = true}, 168U}, {Options{.crlf = true, .finalNewline = false}, 168U},
          {Options{.finalNewline = false}, 168U}, {Options{.extended = true}, 174U},
          {Options{.crlf = true, .finalNewline = false, .extended = true}, 174U}, {Options{.utf8 = true}, 168U + 120},
          {Options{.crlf = true, .extended = true, .utf8 = true}, 174U + 120}}) {
        SCOPED_TRACE(testing::Message() << "CR LF " << variant.crlf << ", final line end " << variant.finalNewline
                                        << ", extended " << variant.extended << ", UTF-8 " << variant.utf8);
        variant.records = 3000;
        variant.seed = 11;
        const std::string text = test::Generated(variant);
        test::WriteBytes(dir.path("variant.txt"), text);
        std::istringstream lines(text);
        std::size_t longest = 0;
        for (std::string line; std::getline(lines, line);) {
            longest = std::max(longest, line.size() - (line.ends_with('\r') ? 1 : 0));
        }
        EXPECT_EQ(longest, longestLine);
        const std::string csv = Convert(dir.path("variant.txt"));
        if (variant.utf8) {
            test::WriteBytes(dir.path("latin1.txt"), generator::ToLatin1(text));
            EXPECT_TRUE(generator::ToLatin1(csv) == Convert(dir.path("latin1.txt")));
        } else {
            EXPECT_TRUE(csv == expected);
        }
    }
}

}  // namespace
}  // namespace leitzahl
