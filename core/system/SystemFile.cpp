#include "core/system/SystemFile.h"

#include <utility>

namespace leitzahl {

namespace {

Failure FileFailure(std::string_view path, int number, std::string_view action)
{
    std::string text = "Die Datei „";
    text.append(path).append("“ kann nicht ").append(action).append(" werden: ");
    text.append(DescribeSystemError(number)).append(".");
    return Failure{number, std::move(text)};
}

}  // namespace

FileMapping::FileMapping(FileMapping&& other) noexcept
    : address_(std::exchange(other.address_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      descriptor_(std::exchange(other.descriptor_, -1))
{
}

FileMapping& FileMapping::operator=(FileMapping&& other) noexcept
{
    if (this != &other) {
        FileMapping old(std::move(*this));  // unmapped when this call returns
        address_ = std::exchange(other.address_, nullptr);
        size_ = std::exchange(other.size_, 0);
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

Failure ReadFailure(std::string_view path, int number)
{
    return FileFailure(path, number, "gelesen");
}

Failure WriteFailure(std::string_view path, int number)
{
    return FileFailure(path, number, "geschrieben");
}

}  // namespace leitzahl
