// Reads XML with the system's XmlLite, loaded at run time (MinGW has no import library
// for it); DTD processing prohibited.
#include "core/forms/XmlElements.h"
#include "core/forms/InputForm.h"
#include "core/text/Windows1252.h"
#include "core/system/windows/WideText.h"

#include <windows.h>

#include <objidl.h>
#include <xmllite.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string>

namespace leitzahl {

namespace {

// Releases a COM object when it goes out of scope.
template <class Interface>
struct Held {
    Interface* object = nullptr;
    ~Held()
    {
        if (object != nullptr) {
            object->Release();
        }
    }
    Held() = default;
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
};

// Hands XmlLite the document in pieces that end in an ASCII byte (in UTF-16: whole code
// units): Wine's XmlLite takes a piece that ends in any other byte for one that ends
// inside a character, and loses it.
class DocumentStream final : public ISequentialStream {
public:
    explicit DocumentStream(std::string_view document)
        : rest_(document), utf16_(StartsWithUtf16Mark(document))
    {
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        if (id == __uuidof(IUnknown) || id == __uuidof(ISequentialStream)) {
            *object = static_cast<ISequentialStream*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the caller's stack, longer than the reader that holds it.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override
    {
        std::size_t length = std::min<std::size_t>(size, rest_.size());
        if (utf16_) {
            length -= length < rest_.size() ? length % 2 : 0;  // whole code units
        } else if (length < rest_.size()) {
            std::size_t end = length;
            while (end > 0 && static_cast<unsigned char>(rest_[end - 1]) >= 0x80) {
                --end;
            }
            length = end > 0 ? end : length;
        }
        std::memcpy(buffer, rest_.data(), length);
        rest_.remove_prefix(length);
        if (read != nullptr) {
            *read = static_cast<ULONG>(length);
        }
        return length > 0 ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    bool exhausted() const { return rest_.empty(); }

private:
    std::string_view rest_;
    bool utf16_;
};

using CreateXmlReaderCall = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

CreateXmlReaderCall LoadCreateXmlReader()
{
    static const auto call = [] {
        HMODULE library = LoadLibraryExW(L"xmllite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return library == nullptr
                   ? CreateXmlReaderCall(nullptr)
                   : reinterpret_cast<CreateXmlReaderCall>(
                         reinterpret_cast<void*>(GetProcAddress(library, "CreateXmlReader")));
    }();
    return call;
}

std::string_view Text(HRESULT (STDMETHODCALLTYPE IXmlReader::*get)(const WCHAR**, UINT*), IXmlReader& reader,
                      std::string& utf8)
{
    const WCHAR* wide = nullptr;
    UINT length = 0;
    (reader.*get)(&wide, &length);
    utf8 = Narrow(std::wstring_view(wide, length));
    return utf8;
}

// Wine's reader closes the open elements of a cut document itself. The root's own end
// tag must end the text, but for white space, comments and instructions after it (which
// are left unchecked); a document in UTF-16 is left unchecked too.
bool EndsWithEndTag(std::string_view document, std::string_view root)
{
    document = document.substr(0, document.find_last_not_of(" \t\r\n") + 1);
    if (StartsWithUtf16Mark(document) || document.ends_with("-->") ||
        document.ends_with("?>")) {
        return true;
    }
    const std::size_t tag = document.rfind("</");
    if (tag == std::string_view::npos || !document.ends_with('>')) {
        return false;
    }
    std::string_view name = document.substr(tag + 2, document.size() - tag - 3);
    name = name.substr(0, name.find_last_not_of(" \t\r\n") + 1);
    return name.substr(name.find(':') + 1) == root;
}

// The last line of the document, where a cut one ends, counted as expat counts: CR LF,
// LF and a lone CR each end a line.
long LastLine(std::string_view document)
{
    const bool utf16 = StartsWithUtf16Mark(document);
    const std::size_t step = utf16 ? 2 : 1;
    long line = 1;
    for (std::size_t at = utf16 ? 2 : 0; at + step <= document.size(); at += step) {
        const bool wide = utf16 && document[at + 1] != '\0';
        const bool next = at + 2 * step <= document.size() && document[at + step] == '\n' &&
                          (!utf16 || document[at + step + 1] == '\0');
        if (!wide && (document[at] == '\n' || (document[at] == '\r' && !next))) {
            ++line;
        }
    }
    return line;
}

// The encoding name in the XML declaration of an 8-bit document, or nothing.
std::string_view DeclaredEncoding(std::string_view document)
{
    if (!document.starts_with("<?xml")) {
        return {};
    }
    const std::string_view declaration = document.substr(0, document.find("?>"));
    std::size_t at = declaration.find("encoding");
    if (at != std::string_view::npos) {
        at = declaration.find_first_not_of(" \t\r\n", at + 8);
    }
    if (at != std::string_view::npos && declaration[at] == '=') {
        at = declaration.find_first_not_of(" \t\r\n", at + 1);
    }
    if (at == std::string_view::npos || (declaration[at] != '"' && declaration[at] != '\'')) {
        return {};
    }
    const std::size_t close = declaration.find(declaration[at], at + 1);
    return close == std::string_view::npos ? std::string_view() : declaration.substr(at + 1, close - at - 1);
}

bool NamedAnyOf(std::string_view name, std::initializer_list<std::string_view> names)
{
    return std::any_of(names.begin(), names.end(), [name](std::string_view known) {
        return known.size() == name.size() && _strnicmp(known.data(), name.data(), name.size()) == 0;
    });
}

// Wine's reader knows no 8-bit encoding but ASCII and UTF-8. A document in ISO 8859-1 or
// Windows 1252 is handed to it in UTF-16, its declaration saying so; the lines stay.
std::string InUtf16(std::string_view document, std::string_view encoding, bool windows1252)
{
    const std::size_t name = static_cast<std::size_t>(encoding.data() - document.data());
    const std::string text =
        std::string(document.substr(0, name)) + "UTF-16" + std::string(document.substr(name + encoding.size()));
    std::string wide = "\xFF\xFE";
    wide.reserve(2 * text.size() + 2);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const char16_t code = windows1252 && byte >= 0x80 && byte < 0xA0 ? kWindows1252From0x80[byte - 0x80] : byte;
        wide += static_cast<char>(code & 0xFF);
        wide += static_cast<char>(code >> 8);
    }
    return wide;
}

// The line the reader stands on, for the message.
long LineOf(IXmlReader& reader)
{
    UINT line = 0;
    reader.GetLineNumber(&line);
    return static_cast<long>(line);
}

}  // namespace

MaybeFailure ReadXmlElements(std::string_view document, const XmlElementEnd& onEnd,
                             const std::function<void(std::string_view)>& /*parsed*/)
{
    std::string recoded;
    const std::string_view encoding = DeclaredEncoding(document);
    if (!encoding.empty() && !NamedAnyOf(encoding, {"UTF-8", "UTF-16", "UTF-16LE", "UTF-16BE", "US-ASCII"})) {
        const bool windows1252 = NamedAnyOf(encoding, {"windows-1252", "cp1252"});
        if (!windows1252 && !NamedAnyOf(encoding, {"ISO-8859-1"})) {
            return XmlUnknownEncoding(encoding);
        }
        recoded = InUtf16(document, encoding, windows1252);
        document = recoded;
    }
    const CreateXmlReaderCall create = LoadCreateXmlReader();
    Held<IXmlReader> reader;
    if (create == nullptr || FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(&reader.object), nullptr))) {
        throw std::bad_alloc();
    }
    DocumentStream stream(document);
    reader.object->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    reader.object->SetInput(&stream);
    int depth = 0;
    bool leaf = false;
    bool rootEnded = false;
    std::string root;
    bool rootEmpty = false;
    std::string text;
    std::string name;
    std::string piece;
    XmlNodeType type = XmlNodeType_None;
    HRESULT status = S_OK;
    UINT at[2] = {};
    XmlNodeType lastType = XmlNodeType_None;
    while ((status = reader.object->Read(&type)) == S_OK) {
        // Wine's reader gives the last node again and again where a cut document ends in
        // a comment or an instruction: no progress at the end of the text is its end.
        UINT now[2] = {};
        reader.object->GetLineNumber(&now[0]);
        reader.object->GetLinePosition(&now[1]);
        if (stream.exhausted() && type == lastType && now[0] == at[0] && now[1] == at[1]) {
            return XmlNotWellFormed(LastLine(document));
        }
        lastType = type;
        std::copy(now, now + 2, at);
        switch (type) {
        case XmlNodeType_Element:
            if (++depth == 1) {
                root = Text(&IXmlReader::GetLocalName, *reader.object, name);
                rootEmpty = reader.object->IsEmptyElement() != FALSE;
            }
            leaf = true;
            text.clear();
            if (reader.object->IsEmptyElement()) {
                onEnd(depth--, Text(&IXmlReader::GetLocalName, *reader.object, name), {});
                rootEnded = depth == 0;
                leaf = false;
            }
            break;
        case XmlNodeType_EndElement:
            onEnd(depth--, Text(&IXmlReader::GetLocalName, *reader.object, name), leaf ? std::string_view(text) : "");
            rootEnded = depth == 0;
            leaf = false;
            text.clear();
            break;
        case XmlNodeType_Text:
        case XmlNodeType_CDATA:
        case XmlNodeType_Whitespace:
            // Wine's reader gives empty white space, without end, where the document is cut;
            // an empty CDATA section is well-formed.
            if (Text(&IXmlReader::GetValue, *reader.object, piece).empty() && type == XmlNodeType_Whitespace) {
                return XmlNotWellFormed(LastLine(document));
            }
            if (leaf) {
                text += piece;
            }
            break;
        case XmlNodeType_DocumentType:
            return XmlWithDocumentType(LineOf(*reader.object));
        default: break;
        }
    }
    // Wine's reader also ends a cut document as if it were whole.
    if (status == S_FALSE) {
        const bool whole = rootEnded && depth == 0 && (rootEmpty || EndsWithEndTag(document, root));
        return whole ? std::nullopt : MaybeFailure(XmlNotWellFormed(LastLine(document)));
    }
    if (status == E_OUTOFMEMORY) {
        throw std::bad_alloc();
    }
    if (static_cast<unsigned long>(status) == WC_E_DTDPROHIBITED) {
        return XmlWithDocumentType(LineOf(*reader.object));
    }
    return XmlNotWellFormed(LineOf(*reader.object));
}

MaybeFailure ReadXmlElements(const XmlPieces& pieces, const XmlElementEnd& onEnd)
{
    std::string document;
    for (std::string_view piece = pieces(); !piece.empty(); piece = pieces()) {
        document.append(piece);
    }
    return ReadXmlElements(std::string_view(document), onEnd);
}

}  // namespace leitzahl
