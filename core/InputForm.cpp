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
    if (bytes.starts_with(kByteOrderMark)) {
        bytes.remove_prefix(kByteOrderMark.size());
    }
    if (bytes.starts_with("Bankleitzahl;") || StartsWithQuotedField(bytes)) {
        return RecognisedForm::Csv;
    }
    const auto text = std::find_if_not(bytes.begin(), bytes.end(), IsXmlSpace);
    if (text != bytes.end() && *text == '<') {
        return RecognisedForm::Xml;
    }
    return RecognisedForm::Text;
}

bool StartsLikeSortCodeText(std::string_view text)
{
    text = text.substr(std::min(text.find_first_not_of(" \r\n"), text.size()));
    return text.size() > 8 && std::all_of(text.begin(), text.begin() + 8, [](char c) { return c >= '0' && c <= '9'; }) &&
           (text[8] == '1' || text[8] == '2');
}

}  // namespace leitzahl
