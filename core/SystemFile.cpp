#include "core/SystemFile.h"

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

Failure ReadFailure(std::string_view path, int number)
{
    return FileFailure(path, number, "gelesen");
}

Failure WriteFailure(std::string_view path, int number)
{
    return FileFailure(path, number, "geschrieben");
}

}  // namespace leitzahl
