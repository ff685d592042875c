#include "core/modCsvExport.h"

#include "core/SideBySide.h"
#include "core/system/SystemFile.h"
#include "core/text/TextRules.h"
#include "core/modFileToTextBox.h"
#include "core/modWorkbookExport.h"

#include <algorithm>
#include <cctype>

namespace leitzahl {

namespace {

bool IsBlank(std::string_view entry)
{
    return TrimSpaces(entry).empty();
}

// Writes the non-blank entries from..to, each followed by a line feed.
void PutEntries(const EntryList& list, std::size_t from, std::size_t to, char* out)
{
    for (std::size_t i = from; i < to; ++i) {
        const std::string_view entry = list.entry(i);
        if (!IsBlank(entry)) {
            out = std::copy(entry.begin(), entry.end(), out);
            *out++ = '\n';
        }
    }
}

// The bytes the non-blank entries from..to take, each with its line feed.
std::size_t MeasureEntries(const EntryList& list, std::size_t from, std::size_t to)
{
    std::size_t bytes = 0;
    for (std::size_t i = from; i < to; ++i) {
        const std::string_view entry = list.entry(i);
        if (!IsBlank(entry)) {
            bytes += entry.size() + 1;
        }
    }
    return bytes;
}

void JoinEntries(const EntryList& list)
{
    // Below this many entries a second thread costs more than it saves (the fuzzing
    // build sets a small number).
    constexpr std::size_t kSplitFrom = LEITZAHL_EXPORT_SPLIT_FROM;
    const std::size_t count = list.count();
    if (count < kSplitFrom) {
        char* text = FileText.overwrite(MeasureEntries(list, 0, count));
        PutEntries(list, 0, count, text);
    } else {
        // Two halves at once: most of the time goes into taking fresh pages for the text.
        const std::size_t middle = count / 2;
        std::size_t firstBytes = 0;
        std::size_t secondBytes = 0;
        RunSideBySide([&] { firstBytes = MeasureEntries(list, 0, middle); },
                      [&] { secondBytes = MeasureEntries(list, middle, count); });
        char* text = FileText.overwrite(firstBytes + secondBytes);
        RunSideBySide([&] { PutEntries(list, 0, middle, text); },
                      [&] { PutEntries(list, middle, count, text + firstBytes); });
    }
    // No line feed after the last entry.
    std::string_view text = FileText.view();
    while (!text.empty() && text.back() == '\n') {
        text.remove_suffix(1);
    }
    FileText.shorten(text.size());
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
    if (!hasExtension && !IsWorkbookName(name)) {
        completed += ".csv";
    }
    return completed;
}

ExportResult WriteExportFile(const std::string& name)
{
    ExportResult result;
    result.failure = GuardMemory([&]() -> MaybeFailure {
        // A pipe or a device is written into under its own name; a folder is no name
        // to complete.
        const FileKind kind = KindOfFile(name);
        const bool completed = kind == FileKind::Missing || kind == FileKind::Regular;
        result.finalName = completed ? CompleteCsvName(name) : name;
        if (kind == FileKind::Folder) {
            return WriteFailure(result.finalName, kErrorIsFolder);
        }
        if (IsWorkbookName(result.finalName)) {
            if (MaybeFailure failure = BuildWorkbookText()) {
                return failure;
            }
        }
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

