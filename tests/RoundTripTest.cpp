#include "TestFiles.h"
#include "core/Diverse.h"
#include "core/MemoryEntryList.h"
#include "core/TextRules.h"
#include "core/modCsvExport.h"
#include "core/modFileToTextBox.h"
#include "core/modSortCodeImport.h"

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

// The fixed-width layout read from the start of each 168-character record, an
// independent way to the same fields.
std::string ExpectedCsv(const std::string& file)
{
    std::istringstream lines(file);
    std::set<std::string> seen;
    std::string line;
    std::string csv;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        EXPECT_EQ(line.size(), 168U);
        if (seen.insert(line.substr(0, 8)).second) {
            csv += line.substr(0, 8) + ";" + std::string(TrimSpaces(line.substr(9, 58))) + ";" +
                   line.substr(150, 2) + "\n";
        }
    }
    csv.pop_back();
    return csv;
}

std::string Latin1ToUtf8(std::string_view latin1)
{
    std::string out;
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        out += byte < 0x80 ? std::string(1, c) : std::string{static_cast<char>(0xC0 | byte >> 6),
                                                              static_cast<char>(0x80 | (byte & 0x3F))};
    }
    return out;
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> pieces;
    std::istringstream in(text);
    for (std::string piece; std::getline(in, piece, separator);) {
        pieces.push_back(piece);
    }
    return pieces;
}

// A copy re-saved as UTF-8 gives the same sort codes and method codes; its names are
// cut by bytes, so a full-width name with umlauts loses as many bytes at its end.
void ExpectSameButNameCut(const std::string& actual, const std::string& expected)
{
    const std::vector<std::string> actualLines = Split(actual, '\n');
    const std::vector<std::string> expectedLines = Split(expected, '\n');
    ASSERT_EQ(actualLines.size(), expectedLines.size());
    for (std::size_t i = 0; i < actualLines.size(); ++i) {
        const std::vector<std::string> have = Split(actualLines[i], ';');
        const std::vector<std::string> want = Split(expectedLines[i], ';');
        ASSERT_GE(have.size(), 3U);
        EXPECT_EQ(have.front(), want.front());
        EXPECT_EQ(have.back(), want.back());
        EXPECT_TRUE(expectedLines[i].starts_with(actualLines[i].substr(0, actualLines[i].size() - 3)))
            << actualLines[i] << " / " << expectedLines[i];
    }
}

struct Variant {
    friend void PrintTo(const Variant& c, std::ostream* os) { *os << c.name; }
    const char* name;
    const char* arguments;
    bool utf8 = false;
};

class RoundTripTest : public testing::TestWithParam<Variant> {};

TEST_P(RoundTripTest, GeneratedFileGivesSameCsvAsPlainLf)
{
    test::TempDir dir;
    const std::string plain = test::Generate("--records 3000 --seed 11", dir, "lf.txt");
    const std::string variant =
        test::Generate(std::string("--records 3000 --seed 11 ") + GetParam().arguments, dir, "variant.txt");
    const std::string expected = ExpectedCsv(plain);
    EXPECT_EQ(Convert(dir.path("lf.txt")), expected);
    if (GetParam().utf8) {
        ExpectSameButNameCut(Convert(dir.path("variant.txt")), Latin1ToUtf8(expected));
    } else {
        EXPECT_EQ(Convert(dir.path("variant.txt")), expected);
    }
    EXPECT_NE(expected.find('\xFC'), std::string::npos) << "the generator writes Latin-1 umlauts";
}

INSTANTIATE_TEST_SUITE_P(RoundTrip, RoundTripTest,
                         testing::Values(Variant{"CrLf", "--crlf"},
                                         Variant{"CrLfWithoutFinalLineFeed", "--crlf --no-final-newline"},
                                         Variant{"LfWithoutFinalLineFeed", "--no-final-newline"},
                                         Variant{"Extended", "--extended"},
                                         Variant{"ExtendedCrLfWithoutFinalLineFeed", "--extended --crlf --no-final-newline"},
                                         Variant{"ResavedAsUtf8", "--utf8 --crlf", true},
                                         Variant{"ExtendedResavedAsUtf8", "--extended --utf8 --crlf", true}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace leitzahl
