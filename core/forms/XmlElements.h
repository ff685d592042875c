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
MaybeFailure ReadXmlElements(std::string_view document, const XmlElementEnd& onEnd);

// The failures, worded alike on every system.
Failure XmlNotWellFormed(long line);
Failure XmlWithDocumentType(long line);
Failure XmlUnknownEncoding(std::string_view name);

}  // namespace leitzahl
