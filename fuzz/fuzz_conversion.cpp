// Checks what must hold for any input, beyond not crashing: every output line is an
// entry cut from the input, keys are unique, the first entry of each key survives in
// input order, and the text never ends in a line feed.
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

std::vector<std::string> Entries(const leitzahl::EntryList& list)
{
    std::vector<std::string> entries;
    for (std::size_t i = 0; i < list.count(); ++i) {
        entries.emplace_back(list.entry(i));
    }
    return entries;
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
    const std::vector<std::string> before = Entries(list);
    for (const std::string& entry : before) {
        Require(entry.size() >= 12 && entry[8] == ';' && entry[entry.size() - 3] == ';',
                "sort code and method code are cut at their semicolons");
        Require(entry.find('\n') == std::string::npos, "an entry holds no line feed");
    }

    MemoryEntryList inPlace;
    for (const std::string& entry : before) {
        inPlace.append(entry);
    }
    Require(!RemoveDuplicates(inPlace), "duplicate removal in place succeeds");
    std::size_t calls = 0;
    Require(!RemoveDuplicates(list, [&] { ++calls; }), "duplicate removal succeeds");
    Require(Entries(inPlace) == Entries(list), "in place and with events alike");
    Require(calls == before.size(), "one event call per entry");

    std::vector<std::string> expected;
    std::set<std::string> keys;
    for (const std::string& entry : before) {
        if (keys.insert(entry.substr(0, 8)).second) {
            expected.push_back(entry);
        }
    }
    Require(Entries(list) == expected, "first entry of every key, in input order");

    Require(!BuildExportText(list), "export text succeeds");
    Require(FileText.empty() || FileText.view().back() != '\n', "the text ends with the last entry");
    std::string joined;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        joined += (i == 0 ? "" : "\n") + expected[i];
    }
    Require(FileText.view() == joined, "output lines are the kept entries");
    return 0;
}
