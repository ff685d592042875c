#include "core/modFileToTextBox.h"

#include "core/SystemFile.h"

namespace leitzahl {

std::string FileText;

void EmptyFileText()
{
    FileText.clear();
    FileText.shrink_to_fit();
}

MaybeFailure LoadFileText(const std::string& path)
{
    if (const int error = ReadWholeFile(path, FileText)) {
        EmptyFileText();
        return ReadFailure(path, error);
    }
    return std::nullopt;
}

MaybeFailure LoadStandardInputText()
{
    if (const int error = ReadStandardInput(FileText)) {
        EmptyFileText();
        return ReadFailure("(Standardeingabe)", error);
    }
    return std::nullopt;
}

}  // namespace leitzahl
