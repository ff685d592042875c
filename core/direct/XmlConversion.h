#pragma once
// The short way for the XML form: each record parsed straight into the CSV text.

#include "core/direct/MadeCsv.h"
#include "core/forms/XmlElements.h"

#include <cstddef>
#include <functional>

namespace leitzahl {

// The parse of a document, handing each element to onEnd.
using XmlParse = std::function<MaybeFailure(const XmlElementEnd& onEnd)>;

// Converts the XML document that parse reads, of at most documentBytes bytes, straight
// into the CSV text, as import, duplicate removal and export give it through a list. Not done where the list's way must take it: where an entry holds a character
// that ISO 8859-1 cannot (every entry then stays in UTF-8), an entry is longer than any
// of the file's, or the document fails, which the list's way then names; also where the
// parse throws ShortWayGivenUp.
MadeCsv ConvertXmlDocument(const XmlParse& parse, std::size_t documentBytes);

struct ShortWayGivenUp {};

}  // namespace leitzahl
