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

// Each variant of a generated file gives the CSV of the plain LF file.
TEST(RoundTrip, GeneratedFileGivesSameCsvInEveryVariant)
{
    test::TempDir dir;
    const std::string expected = ExpectedCsv(test::Generate("--records 3000 --seed 11", dir, "lf.txt"));
    EXPECT_NE(expected.find('\xFC'), std::string::npos) << "the generator writes Latin-1 umlauts";
    EXPECT_EQ(Convert(dir.path("lf.txt")), expected);
    for (const char* variant : {"--crlf", "--crlf --no-final-newline", "--no-final-newline", "--extended",
                                "--extended --crlf --no-final-newline"}) {
        test::Generate(std::string("--records 3000 --seed 11 ") + variant, dir, "variant.txt");
        EXPECT_EQ(Convert(dir.path("variant.txt")), expected) << variant;
    }
}

}  // namespace
}  // namespace leitzahl
