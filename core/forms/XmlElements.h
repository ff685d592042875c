#pragma once
// The XML parser's elements, one call each, from expat on Linux and XmlLite on Windows (core/system/*/XmlElements.cpp).

#include "core/Failure.h"

#include <functional>
#include <string_view>

namespace leitzahl {

// Called at the end of each element with its depth (the root's is 1), its name without
// namespace, and, for an element without child elements, its text in UTF-8 (entities
// resolved); an element with children gives an empty text.
using XmlElementEnd = std::function<void(int depth, std::string_view name, std::string_view text)>;

// Reads a whole XML document with the system's parser. A document type definition is
// refused before anything in it is expanded; a document that is not well-formed fails
// with its line. Elements before the fault have been handed to onEnd by then.
// Where parsed is given, expat hands it each piece of the document it is done with;
// XmlLite, which reads the whole document, hands back none.
MaybeFailure ReadXmlElements(std::string_view document, const XmlElementEnd& onEnd,
                             const std::function<void(std::string_view)>& parsed = {});

// The document a piece at a time: each call gives the next piece, an empty one at its
// end; a piece stays valid until the next call.
using XmlPieces = std::function<std::string_view()>;

// The same for a document that comes in pieces, as it is unpacked: expat parses each as
// it comes; XmlLite, which reads a whole document, is given them joined.
MaybeFailure ReadXmlElements(const XmlPieces& pieces, const XmlElementEnd& onEnd);

// The failures, worded alike on every system.
Failure XmlNotWellFormed(long line);
Failure XmlWithDocumentType(long line);
Failure XmlUnknownEncoding(std::string_view name);

}  // namespace leitzahl
