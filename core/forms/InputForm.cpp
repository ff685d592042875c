#include "core/forms/InputForm.h"

#include <algorithm>

namespace leitzahl {

namespace {

bool IsXmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A CSV line's first field: a quoted sort code, as every record of the CSV form starts.
bool StartsWithQuotedField(std::string_view text)
{
    return text.size() > 1 && text[0] == '"' && text[1] >= '0' && text[1] <= '9';
}

}  // namespace

RecognisedForm RecogniseForm(std::string_view bytes)
{
    // A local file header, or the end record that alone makes an empty archive.
    if (bytes.starts_with("PK\x03\x04") || bytes.starts_with("PK\x05\x06")) {
        return RecognisedForm::Zip;
    }
    // Only XML comes in UTF-16, with its byte-order mark.
    if (StartsWithUtf16Mark(bytes)) {
        return RecognisedForm::Xml;
    }
    bytes = WithoutUtf8Mark(bytes);
    // The first record of a CSV without its header may follow blank lines too.
    const std::string_view first = bytes.substr(std::min(bytes.find_first_not_of(" \r\n"), bytes.size()));
    if (CsvHeaderEnd(bytes) != std::string_view::npos || StartsWithQuotedField(first)) {
        return RecognisedForm::Csv;
    }
    const auto text = std::find_if_not(bytes.begin(), bytes.end(), IsXmlSpace);
    if (text != bytes.end() && *text == '<') {
        return RecognisedForm::Xml;
    }
    return RecognisedForm::Text;
}

std::size_t CsvHeaderEnd(std::string_view text)
{
    const std::size_t start = std::min(text.find_first_not_of(" \r\n"), text.size());
    std::string_view line = text.substr(start, text.find('\n', start) - start);
    if (line.starts_with('"')) {
        line.remove_prefix(1);
    }
    constexpr std::string_view kFirstColumn = "bankleitzahl";
    const bool header = line.size() > kFirstColumn.size() &&
                        std::equal(kFirstColumn.begin(), kFirstColumn.end(), line.begin(), [](char a, char b) {
                            return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
                        }) &&
                        line.substr(kFirstColumn.size()).find_first_not_of('"') != std::string_view::npos &&
                        line[line.find_first_not_of('"', kFirstColumn.size())] == ';';
    return header ? std::min(text.find('\n', start), text.size() - 1) + 1 : std::string_view::npos;
}

std::string_view WithoutUtf8Mark(std::string_view text)
{
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    return text.starts_with(kMark) ? text.substr(kMark.size()) : text;
}

bool StartsWithUtf16Mark(std::string_view bytes)
{
    return bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
}

}  // namespace leitzahl
