#include "core/InputForm.h"

#include <algorithm>

namespace leitzahl {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

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
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        return RecognisedForm::Xml;
    }
    if (bytes.starts_with(kByteOrderMark)) {
        bytes.remove_prefix(kByteOrderMark.size());
    }
    if (CsvHeaderEnd(bytes) != std::string_view::npos || StartsWithQuotedField(bytes)) {
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

bool StartsLikeSortCodeText(std::string_view text)
{
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    text = text.substr(std::min(text.find_first_not_of(" \r\n"), text.size()));
    return text.size() > 8 && std::all_of(text.begin(), text.begin() + 8, [](char c) { return c >= '0' && c <= '9'; }) &&
           (text[8] == '1' || text[8] == '2');
}

}  // namespace leitzahl
