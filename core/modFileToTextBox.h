#pragma once
// Whole-file loading into the shared text buffer.

#include "core/Failure.h"
#include "core/system/SystemFile.h"

#include <memory>
#include <string>
#include <string_view>

namespace leitzahl {

// The shared text buffer: the whole input during an import, the output during a save.
// A file's bytes are mapped into memory rather than copied; the output is written into
// room that is not cleared first.
class TextBuffer {
public:
    std::string_view view() const;
    operator std::string_view() const { return view(); }
    bool empty() const { return view().empty(); }

    // Room for an output of size bytes, not yet written; lets go of what the buffer held.
    char* overwrite(std::size_t size);
    // Keeps only the first size bytes of that output.
    void shorten(std::size_t size);
    // Takes bytes made elsewhere (an output, an unpacked member), of which the first size
    // bytes count; lets go of what the buffer held.
    void takeOutput(std::unique_ptr<char[]> output, std::size_t size);
    TextBuffer& operator=(std::string text);

    // Empties the buffer and hands its memory back.
    void clear();
    // Hands back the memory behind part of a mapped file's text, which is done with.
    void release(std::string_view part) const { mapping_.release(part); }

    // True when the mapped file shrank while it was read: the bytes past its new end
    // read as zeros, and the text must not be taken for the file's.
    bool damaged() const { return mapping_.damaged(); }

private:
    friend MaybeFailure LoadFileText(const std::string& path);
    friend MaybeFailure LoadStandardInputText();

    std::string text_;  // standard input, or a text given
    std::unique_ptr<char[]> output_;
    std::size_t outputSize_ = 0;
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
