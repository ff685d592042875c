#include "core/modFileToTextBox.h"

#include <algorithm>

namespace leitzahl {

TextBuffer FileText;

std::string_view TextBuffer::view() const
{
    if (mapping_.mapped()) {
        return mapping_.bytes();
    }
    if (output_) {
        return {output_.get(), outputSize_};
    }
    return text_;
}

char* TextBuffer::overwrite(std::size_t size)
{
    clear();
    output_ = std::make_unique_for_overwrite<char[]>(size);
    outputSize_ = size;
    return output_.get();
}

void TextBuffer::takeOutput(std::unique_ptr<char[]> output, std::size_t size)
{
    clear();
    output_ = std::move(output);
    outputSize_ = size;
}

void TextBuffer::shorten(std::size_t size)
{
    outputSize_ = std::min(size, outputSize_);
}

TextBuffer& TextBuffer::operator=(std::string text)
{
    clear();
    text_ = std::move(text);
    return *this;
}

void TextBuffer::clear()
{
    mapping_ = FileMapping();
    text_.clear();
    text_.shrink_to_fit();
    output_.reset();
    outputSize_ = 0;
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
