// Checks what must hold for any input, beyond not crashing: the output lines are the
// first entry cut for each key, in input order, and the text never ends in a line feed.
#include "core/Diverse.h"
#include "core/MemoryEntryList.h"
#include "core/modCsvExport.h"
#include "core/modFileToTextBox.h"
#include "core/modSortCodeImport.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

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
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    MemoryEntryList list;
    const ImportResult imported = ImportSortCodeText(text, list);
    Require(list.count() == imported.entriesRead, "one entry per imported line");
    if (imported.failure) {
        Require(imported.failure->number == kErrorLineTooShort, "only a short line stops the import");
        return 0;
    }
    std::vector<std::string> before;
    for (std::size_t i = 0; i < list.count(); ++i) {
        before.emplace_back(list.entry(i));
        Require(before.back().find('\n') == std::string::npos, "an entry holds no line feed");
    }
    Require(!RemoveDuplicates(list), "duplicate removal succeeds");
    std::vector<std::string> expected;
    std::set<std::string> keys;
    for (const std::string& entry : before) {
        if (keys.insert(entry.substr(0, 8)).second) {
            expected.push_back(entry);
        }
    }
    Require(list.count() == expected.size(), "one entry per key");
    Require(!BuildExportText(list), "export text succeeds");
    std::string joined;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        joined += (i == 0 ? "" : "\n") + expected[i];
    }
    Require(FileText.view() == joined, "output lines are the kept entries");
    return 0;
}
