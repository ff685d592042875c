// Reads XML with expat.
#include "core/forms/XmlElements.h"
#include "core/text/Windows1252.h"

#include <expat.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <strings.h>

namespace leitzahl {

namespace {

constexpr std::size_t kPiece = std::size_t{1} << 26;  // expat takes an int length

struct Walk {
    XML_Parser parser = nullptr;
    const XmlElementEnd* onEnd = nullptr;
    int depth = 0;
    bool leaf = false;  // no child element since the last start
    std::string text;
    MaybeFailure refused;
    std::exception_ptr thrown;  // carried past expat's C frames
};

// The name without its prefix; namespaces are not resolved, which costs expat much time.
std::string_view LocalName(const XML_Char* name)
{
    const std::string_view full(name);
    const std::size_t separator = full.rfind(':');
    return separator == std::string_view::npos ? full : full.substr(separator + 1);
}

void XMLCALL StartElement(void* data, const XML_Char* /*name*/, const XML_Char** /*attributes*/)
{
    auto& walk = *static_cast<Walk*>(data);
    ++walk.depth;
    walk.leaf = true;
    walk.text.clear();
}

void XMLCALL EndElement(void* data, const XML_Char* name)
{
    auto& walk = *static_cast<Walk*>(data);
    try {
        (*walk.onEnd)(walk.depth, LocalName(name), walk.leaf ? std::string_view(walk.text) : std::string_view());
    } catch (...) {
        walk.thrown = std::current_exception();
        XML_StopParser(walk.parser, XML_FALSE);
    }
    --walk.depth;
    walk.leaf = false;
    walk.text.clear();
}

void XMLCALL CharacterData(void* data, const XML_Char* text, int length)
{
    auto& walk = *static_cast<Walk*>(data);
    if (walk.leaf) {
        try {
            walk.text.append(text, static_cast<std::size_t>(length));
        } catch (...) {
            walk.thrown = std::current_exception();
            XML_StopParser(walk.parser, XML_FALSE);
        }
    }
}

void XMLCALL StartDocumentType(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int)
{
    auto& walk = *static_cast<Walk*>(data);
    walk.refused = XmlWithDocumentType(static_cast<long>(XML_GetCurrentLineNumber(walk.parser)));
    XML_StopParser(walk.parser, XML_FALSE);
}

// Expat knows UTF-8, UTF-16, ISO 8859-1 and ASCII; Windows 1252, which files saved on
// Windows declare, is given to it as a table. Any other encoding is named in the message.
int XMLCALL KnowEncoding(void* data, const XML_Char* name, XML_Encoding* info)
{
    if (strcasecmp(name, "windows-1252") != 0 && strcasecmp(name, "cp1252") != 0) {
        static_cast<Walk*>(data)->refused = XmlUnknownEncoding(name);
        return XML_STATUS_ERROR;
    }
    for (int byte = 0; byte < 256; ++byte) {
        info->map[byte] = byte >= 0x80 && byte < 0xA0 ? kWindows1252From0x80[byte - 0x80] : byte;
    }
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

// A parser with the walk's handlers; no external entity is ever loaded.
using Parser = std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)>;

Parser ParserFor(Walk& walk, const XmlElementEnd& onEnd)
{
    Parser parser(XML_ParserCreate(nullptr), XML_ParserFree);
    if (!parser) {
        throw std::bad_alloc();
    }
    walk.parser = parser.get();
    walk.onEnd = &onEnd;
    XML_SetUserData(parser.get(), &walk);
    XML_SetElementHandler(parser.get(), StartElement, EndElement);
    XML_SetCharacterDataHandler(parser.get(), CharacterData);
    XML_SetStartDoctypeDeclHandler(parser.get(), StartDocumentType);
    XML_SetUnknownEncodingHandler(parser.get(), KnowEncoding, &walk);
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    return parser;
}

// Parses one piece; a failure where expat stopped.
MaybeFailure Parse(const Parser& parser, Walk& walk, std::string_view piece, bool last)
{
    if (XML_Parse(parser.get(), piece.data(), static_cast<int>(piece.size()), last ? XML_TRUE : XML_FALSE) ==
        XML_STATUS_OK) {
        return std::nullopt;
    }
    if (walk.thrown) {
        std::rethrow_exception(walk.thrown);
    }
    if (walk.refused) {
        return walk.refused;
    }
    if (XML_GetErrorCode(parser.get()) == XML_ERROR_NO_MEMORY) {
        throw std::bad_alloc();
    }
    return XmlNotWellFormed(static_cast<long>(XML_GetCurrentLineNumber(parser.get())));
}

}  // namespace

MaybeFailure ReadXmlElements(std::string_view document, const XmlElementEnd& onEnd,
                             const std::function<void(std::string_view)>& parsed)
{
    Walk walk;
    const Parser parser = ParserFor(walk, onEnd);
    // Pieces small enough to hand their pages back as the parse goes on; expat keeps
    // what it has not yet parsed of one in its own buffer.
    constexpr std::size_t kHandedBack = std::size_t{1} << 20;
    const std::size_t pieceSize = parsed ? kHandedBack : kPiece;
    do {
        const std::string_view piece = document.substr(0, std::min(document.size(), pieceSize));
        if (MaybeFailure failure = Parse(parser, walk, piece, piece.size() == document.size())) {
            return failure;
        }
        if (parsed) {
            parsed(piece);
        }
        document.remove_prefix(piece.size());
    } while (!document.empty());
    return std::nullopt;
}

MaybeFailure ReadXmlElements(const XmlPieces& pieces, const XmlElementEnd& onEnd)
{
    Walk walk;
    const Parser parser = ParserFor(walk, onEnd);
    for (;;) {
        std::string_view piece = pieces();
        const bool last = piece.empty();
        do {
            const std::size_t part = std::min(piece.size(), kPiece);
            if (MaybeFailure failure = Parse(parser, walk, piece.substr(0, part), last)) {
                return failure;
            }
            piece.remove_prefix(part);
        } while (!piece.empty());
        if (last) {
            return std::nullopt;
        }
    }
}

}  // namespace leitzahl
