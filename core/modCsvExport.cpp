#include "core/modCsvExport.h"

#include "core/SystemFile.h"
#include "core/TextRules.h"
#include "core/modFileToTextBox.h"

#include <algorithm>
#include <cctype>

namespace leitzahl {

namespace {

void JoinEntries(const EntryList& list)
{
    std::string& text = FileText.text();
    text.clear();
    const std::size_t count = list.count();
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < count; ++i) {
        bytes += list.entry(i).size() + 1;
    }
    text.reserve(bytes);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view entry = list.entry(i);
        if (!TrimSpaces(entry).empty()) {
            text.append(entry);
            text += '\n';
        }
    }
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
}

}  // namespace

MaybeFailure BuildExportText(const EntryList& list)
{
    return GuardMemory([&] { return JoinEntries(list); });
}

std::string CompleteCsvName(std::string_view name)
{
    constexpr std::string_view kUpperExtension = ".CSV";
    const std::string_view tail = name.substr(name.size() - std::min(name.size(), kUpperExtension.size()));
    const bool hasExtension = std::equal(tail.begin(), tail.end(), kUpperExtension.begin(), kUpperExtension.end(),
                                         [](char have, char upper) {
                                             return std::toupper(static_cast<unsigned char>(have)) == upper;
                                         });
    std::string completed(name);
    if (!hasExtension) {
        completed += ".csv";
    }
    return completed;
}

ExportResult WriteExportFile(const std::string& name)
{
    ExportResult result;
    result.failure = GuardMemory([&]() -> MaybeFailure {
        result.finalName = CompleteCsvName(name);
        if (const int error = SaveFile(result.finalName, FileText)) {
            return WriteFailure(result.finalName, error);
        }
        return std::nullopt;
    });
    return result;
}

MaybeFailure WriteExportToStandardOutput()
{
    if (const int error = WriteStandardOutput(FileText)) {
        return WriteFailure("(Standardausgabe)", error);
    }
    return std::nullopt;
}

}  // namespace leitzahl

