#include "core/modFileToTextBox.h"

#include "core/SystemFile.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace leitzahl {

std::string FileText;

namespace {

MaybeFailure LoadFrom(int fd, std::string_view shownName)
{
    int error = 0;
    try {
        error = ReadAll(fd, FileText);
    } catch (const std::bad_alloc&) {
        error = ENOMEM;
    }
    if (error != 0) {
        EmptyFileText();
        return ReadFailure(shownName, error);
    }
    return std::nullopt;
}

}  // namespace

void EmptyFileText()
{
    FileText.clear();
    FileText.shrink_to_fit();
}

MaybeFailure LoadFileText(const std::string& path)
{
    FileText.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return ReadFailure(path, errno);
    }
    MaybeFailure failure = LoadFrom(fd, path);
    close(fd);
    return failure;
}

MaybeFailure LoadStandardInputText()
{
    FileText.clear();
    return LoadFrom(STDIN_FILENO, "(Standardeingabe)");
}

}  // namespace leitzahl
