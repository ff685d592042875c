#include "core/modFileToTextBox.h"

namespace leitzahl {

TextBuffer FileText;

std::string& TextBuffer::text()
{
    mapping_ = FileMapping();
    return text_;
}

TextBuffer& TextBuffer::operator=(std::string text)
{
    mapping_ = FileMapping();
    text_ = std::move(text);
    return *this;
}

void TextBuffer::clear()
{
    mapping_ = FileMapping();
    text_.clear();
    text_.shrink_to_fit();
}

void EmptyFileText()
{
    FileText.clear();
}

MaybeFailure LoadFileText(const std::string& path)
{
    FileText.clear();
    if (const int error = ReadWholeFile(path, FileText.mapping_, FileText.text_)) {
        FileText.clear();
        return ReadFailure(path, error);
    }
    return std::nullopt;
}

MaybeFailure LoadStandardInputText()
{
    FileText.clear();
    if (const int error = ReadStandardInput(FileText.text_)) {
        FileText.clear();
        return ReadFailure("(Standardeingabe)", error);
    }
    return std::nullopt;
}

}  // namespace leitzahl
