#include "core/modWorkbookExport.h"

#include "core/modFileToTextBox.h"
#include "core/system/SystemFile.h"
#include "core/text/Utf8Text.h"
#include "core/text/Windows1252.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <xlsxwriter.h>

namespace leitzahl {

namespace {

constexpr std::array<const char*, 3> kHeader{"Bankleitzahl", "Bezeichnung", "Prüfzifferberechnungsmethode"};
constexpr std::size_t kColumns = kHeader.size();

void AppendUtf8(char32_t code, std::string& out)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The cell's text in UTF-8, which the workbook holds. A NUL byte would end the library's
// string: it is written as the workbook's escape for it.
void DecodeField(std::string_view field, bool utf8, std::string& out)
{
    out.clear();
    for (const char c : field) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0) {
            out += "_x0000_";
        } else if (utf8 || byte < 0x80) {
            out += c;
        } else {
            AppendUtf8(byte < 0xA0 ? kWindows1252From0x80[byte - 0x80] : byte, out);
        }
    }
}

// Characters, as a column's width counts them.
std::size_t CharacterCount(std::string_view field, bool utf8)
{
    if (!utf8) {
        return field.size();
    }
    return static_cast<std::size_t>(
        std::count_if(field.begin(), field.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Sort code, name and method code of an export line: the name is all between the first
// and the last ";", so that one of its own stays in its cell.
std::array<std::string_view, kColumns> SplitLine(std::string_view line)
{
    const std::size_t first = line.find(';');
    if (first == std::string_view::npos) {
        return {line, {}, {}};
    }
    const std::size_t last = line.rfind(';');
    if (last == first) {
        return {line.substr(0, first), line.substr(first + 1), {}};
    }
    return {line.substr(0, first), line.substr(first + 1, last - first - 1), line.substr(last + 1)};
}

template <class Each>
void ForEachLine(std::string_view text, Each&& each)
{
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        each(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
}

Failure WorkbookFailure(lxw_error error, int systemError)
{
    if (error == LXW_ERROR_MEMORY_MALLOC_FAILED) {
        return Failure{kErrorOutOfMemory, "Nicht genügend Arbeitsspeicher."};
    }
    std::string reason = systemError != 0 ? DescribeSystemError(systemError)
                         : error == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED
                             ? "Ein Feld ist länger als die 32.767 Zeichen, die eine Zelle fasst"
                             : "Fehler " + std::to_string(static_cast<int>(error)) + " der Bibliothek libxlsxwriter";
    return Failure{kErrorWorkbook, "Die Arbeitsmappe kann nicht erstellt werden: " + reason + "."};
}

struct Layout {
    std::size_t rows = 0;
    std::array<std::size_t, kColumns> widths{};
};

// Writes the workbook for the lines of text to the file name; the library's error.
lxw_error WriteWorkbook(const std::string& name, std::string_view text, bool utf8, const Layout& layout)
{
    lxw_workbook_options options{};
    // Rows go to the library's temporary file as they come, not into memory; it is
    // unlinked as soon as it is made (Linux) or deleted on closing (Windows).
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(name.c_str(), &options);
    if (workbook == nullptr) {
        return LXW_ERROR_CREATING_XLSX_FILE;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Bankleitzahlen");
    lxw_format* asText = workbook_add_format(workbook);
    lxw_format* header = workbook_add_format(workbook);
    if (sheet == nullptr || asText == nullptr || header == nullptr) {
        workbook_close(workbook);
        return LXW_ERROR_MEMORY_MALLOC_FAILED;
    }
    // The text format keeps a cell text also when it is edited ("09" stays "09").
    format_set_num_format(asText, "@");
    format_set_num_format(header, "@");
    format_set_bold(header);
    lxw_error error = LXW_NO_ERROR;
    for (lxw_col_t column = 0; column < kColumns && error == LXW_NO_ERROR; ++column) {
        // A little more than the longest content, for the filter's button in the header.
        error = worksheet_set_column(sheet, column, column, static_cast<double>(layout.widths[column] + 3), asText);
        if (error == LXW_NO_ERROR) {
            error = worksheet_write_string(sheet, 0, column, kHeader[column], header);
        }
    }
    if (error == LXW_NO_ERROR) {
        worksheet_freeze_panes(sheet, 1, 0);
        error = worksheet_autofilter(sheet, 0, 0, static_cast<lxw_row_t>(layout.rows), kColumns - 1);
    }
    if (error == LXW_NO_ERROR) {
        // Sort codes are digits on purpose: no "number stored as text" mark on each cell.
        std::string range = "A2:C" + std::to_string(layout.rows + 1);
        error = worksheet_ignore_errors(sheet, LXW_IGNORE_NUMBER_STORED_AS_TEXT, range.c_str());
    }
    lxw_row_t row = 1;
    std::string cell;
    ForEachLine(text, [&](std::string_view line) {
        const auto fields = SplitLine(line);
        for (lxw_col_t column = 0; column < kColumns && error == LXW_NO_ERROR; ++column) {
            DecodeField(fields[column], utf8, cell);
            error = worksheet_write_string(sheet, row, column, cell.c_str(), asText);
        }
        ++row;
    });
    const lxw_error closed = workbook_close(workbook);
    return error != LXW_NO_ERROR ? error : closed;
}

}  // namespace

bool IsWorkbookName(std::string_view name)
{
    constexpr std::string_view kExtension = ".xlsx";
    return name.size() >= kExtension.size() &&
           std::equal(kExtension.begin(), kExtension.end(), name.end() - kExtension.size(), [](char want, char have) {
               return want == std::tolower(static_cast<unsigned char>(have));
           });
}

std::string NameUnderWorkbookFilter(std::string_view name)
{
    const std::size_t fileStart = name.find_last_of("/\\") + 1;
    std::string chosen(name);
    if (name.find('.', fileStart) == std::string_view::npos) {
        chosen += ".xlsx";
    }
    return chosen;
}

bool IsUtf8(std::string_view text)
{
    for (char32_t code = 0; !text.empty();) {
        const std::size_t length = Utf8SequenceLength(text, code);
        if (length == 0) {
            return false;
        }
        text.remove_prefix(length);
    }
    return true;
}

MaybeFailure BuildWorkbookText()
{
    return GuardMemory([&]() -> MaybeFailure {
        const std::string_view text = FileText.view();
        const bool utf8 = IsUtf8(text);
        Layout layout;
        for (std::size_t column = 0; column < kColumns; ++column) {
            layout.widths[column] = CharacterCount(kHeader[column], true);
        }
        ForEachLine(text, [&](std::string_view line) {
            ++layout.rows;
            const auto fields = SplitLine(line);
            for (std::size_t column = 0; column < kColumns; ++column) {
                layout.widths[column] = std::max(layout.widths[column], CharacterCount(fields[column], utf8));
            }
        });
        if (layout.rows > kMostWorkbookEntries) {
            return Failure{kErrorWorkbook, "Die Liste hat " + std::to_string(layout.rows) +
                                               " Einträge; eine Arbeitsmappe fasst unter ihrer Kopfzeile höchstens " +
                                               std::to_string(kMostWorkbookEntries) + ". Nichts wurde geschrieben."};
        }
        std::string workbook;
        lxw_error libraryError = LXW_NO_ERROR;
        const int systemError = WriteThroughScratchFile(
            [&](const std::string& name) {
                errno = 0;
                libraryError = WriteWorkbook(name, text, utf8, layout);
                return libraryError == LXW_NO_ERROR ? 0 : errno != 0 ? errno : -1;
            },
            workbook);
        if (libraryError != LXW_NO_ERROR || systemError != 0) {
            return WorkbookFailure(libraryError, systemError > 0 ? systemError : 0);
        }
        FileText = std::move(workbook);
        return std::nullopt;
    });
}

}  // namespace leitzahl
