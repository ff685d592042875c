#pragma once

#include "core/Failure.h"
#include "core/SystemFile.h"

#include <string>
#include <string_view>

namespace leitzahl {

// The shared text buffer: the whole input during an import, the output during a save.
// A file's bytes are mapped into memory rather than copied; the output is built in text().
class TextBuffer {
public:
    std::string_view view() const { return mapping_.mapped() ? mapping_.bytes() : std::string_view(text_); }
    operator std::string_view() const { return view(); }
    bool empty() const { return view().empty(); }

    // The text to build the output in; lets go of a mapped file first.
    std::string& text();
    TextBuffer& operator=(std::string text);

    // Empties the buffer and hands its memory back.
    void clear();

    // True when the mapped file shrank while it was read: the bytes past its new end
    // read as zeros, and the text must not be taken for the file's.
    bool damaged() const { return mapping_.damaged(); }

private:
    friend MaybeFailure LoadFileText(const std::string& path);
    friend MaybeFailure LoadStandardInputText();

    std::string text_;
    FileMapping mapping_;
};

extern TextBuffer FileText;

// Replaces FileText with the file's bytes, exactly as they stand. On failure
// FileText is left empty. An empty file is read as an empty text.
MaybeFailure LoadFileText(const std::string& path);

// Empties FileText and hands its memory back.
void EmptyFileText();

// The same for standard input, which the command-line converter accepts as "-".
MaybeFailure LoadStandardInputText();

}  // namespace leitzahl
