#pragma once

// Collects a file's lines and hands them on a megabyte or so at a time.
#include <functional>
#include <string>
#include <string_view>

namespace leitzahl::generator {

class LineOutput {
public:
    using Sink = std::function<void(std::string_view)>;

    LineOutput(bool crlf, bool finalNewline, Sink sink);

    // Starts a new line; the line end goes before it, so that the last one can be left off.
    void line(std::string_view text);
    // Continues the current line.
    void append(std::string_view text);
    void finish();

private:
    void handOnIfFull();

    std::string_view lineEnd_;
    bool finalNewline_;
    Sink sink_;
    std::string text_;
    bool started_ = false;
};

}  // namespace leitzahl::generator
