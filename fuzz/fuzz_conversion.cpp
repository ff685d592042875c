// Checks what must hold for any input in any form (fixed-width text, CSV, XML, a ZIP of
// one of them), beyond not crashing: the import in two halves gives what one pass gives,
// only the errors of a form stop it, the output lines are the first entry cut for each
// key, in input order, the text never ends in a line feed, and the converter's short
// way, wherever it takes the text (any form, zipped ones unpacked in pieces), gives what
// the list's way gives. This build splits from a few bytes and entries on and unpacks in
// pieces of 512 bytes, so short inputs take the two-half and the piece ways.
#include "core/direct/DirectConversion.h"
#include "core/Diverse.h"
#include "core/modCsvExport.h"
#include "core/modFileToTextBox.h"
#include "core/modSortCodeImport.h"
#include "tests/Lists.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

namespace {

void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace leitzahl;
    const std::string text(reinterpret_cast<const char*>(data), size);
    MemoryEntryList list;
    FileText = text;
    const ImportResult imported = ImportFileText(list, "fuzz");
    Require(list.count() == imported.entriesRead, "one entry per imported record");
    test::OnePassList onePass;
    FileText = text;
    Require(test::Outcome(imported, list) == test::Outcome(ImportFileText(onePass, "fuzz"), onePass),
            "two halves give what one pass gives");
    // The converter's short way, where it takes the text, gives the same counts, warnings
    // and failure as the list's way, and (below) the same bytes.
    FileText = text;
    const DirectConversion direct = ConvertTextDirectly("fuzz");
    const std::string directCsv(FileText.view());
    if (direct.done) {
        Require(test::Outcome(direct.imported, list) == test::Outcome(imported, list), "short way imports the same");
    }
    if (imported.failure) {
        const std::int32_t number = imported.failure->number;
        Require(number == kErrorLineTooShort || number == kErrorArchive || number == kErrorXml,
                "only a short line, a bad archive or bad XML stops the import");
        return 0;
    }
    std::string expected;
    std::set<std::string> keys;
    for (const std::string& entry : test::Entries(list)) {
        Require(entry.find('\n') == std::string::npos, "an entry holds no line feed");
        if (keys.insert(entry.substr(0, 8)).second) {
            expected += (expected.empty() ? "" : "\n") + entry;
        }
    }
    Require(!RemoveDuplicates(list), "duplicate removal succeeds");
    Require(!BuildExportText(list), "export text succeeds");
    Require(FileText.view() == expected, "output lines are the kept entries");
    if (direct.done) {
        Require(direct.kept == list.count(), "short way keeps the same entries");
        Require(directCsv == expected, "short way gives the same bytes");
    }
    return 0;
}
