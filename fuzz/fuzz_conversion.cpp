// Checks what must hold for any input, beyond not crashing: the import in two halves
// gives what one pass gives, the output lines are the first entry cut for each key, in
// input order, and the text never ends in a line feed. This build splits from a few
// bytes and entries on, so short inputs take the two-half ways.
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

// A list that takes no list over, so the import takes one pass.
class OnePassList final : public leitzahl::EntryList {
public:
    std::size_t count() const override { return list.count(); }
    std::string_view entry(std::size_t index) const override { return list.entry(index); }
    void append(std::string_view text) override { list.append(text); }
    void clear() override { list.clear(); }

    leitzahl::MemoryEntryList list;
};

bool SameEntries(const leitzahl::EntryList& a, const leitzahl::EntryList& b)
{
    if (a.count() != b.count()) {
        return false;
    }
    for (std::size_t i = 0; i < a.count(); ++i) {
        if (a.entry(i) != b.entry(i)) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace leitzahl;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    MemoryEntryList list;
    const ImportResult imported = ImportSortCodeText(text, list);
    Require(list.count() == imported.entriesRead, "one entry per imported line");
    OnePassList onePass;
    const ImportResult inOnePass = ImportSortCodeText(text, onePass);
    Require(SameEntries(list, onePass) && imported.linesRead == inOnePass.linesRead &&
                imported.unfitLines == inOnePass.unfitLines && imported.firstUnfitLine == inOnePass.firstUnfitLine &&
                imported.failure.has_value() == inOnePass.failure.has_value() &&
                (!imported.failure || imported.failure->description == inOnePass.failure->description),
            "two halves give what one pass gives");
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
