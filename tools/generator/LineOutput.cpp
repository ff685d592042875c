#include "tools/generator/LineOutput.h"

#include <utility>

namespace leitzahl::generator {

LineOutput::LineOutput(bool crlf, bool finalNewline, Sink sink)
    : lineEnd_(crlf ? "\r\n" : "\n"), finalNewline_(finalNewline), sink_(std::move(sink))
{
}

void LineOutput::line(std::string_view text)
{
    if (started_) {
        text_ += lineEnd_;
    }
    started_ = true;
    text_ += text;
    handOnIfFull();
}

void LineOutput::append(std::string_view text)
{
    started_ = true;
    text_ += text;
    handOnIfFull();
}

void LineOutput::finish()
{
    if (started_ && finalNewline_) {
        text_ += lineEnd_;
    }
    if (!text_.empty()) {
        sink_(text_);
        text_.clear();
    }
}

void LineOutput::handOnIfFull()
{
    if (text_.size() > (1 << 20)) {
        sink_(text_);
        text_.clear();
    }
}

}  // namespace leitzahl::generator
