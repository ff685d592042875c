// Reads XML with the system's XmlLite, loaded at run time (MinGW has no import library
// for it); DTD processing prohibited.
#include "core/forms/XmlElements.h"
#include "core/forms/InputForm.h"
#include "core/system/windows/WideText.h"

#include <windows.h>

#include <objidl.h>
#include <xmllite.h>

#include <algorithm>
#include <cstring>
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

// The line the reader stands on, for the message.
long LineOf(IXmlReader& reader)
{
    UINT line = 0;
    reader.GetLineNumber(&line);
    return static_cast<long>(line);
}

}  // namespace

MaybeFailure ReadXmlElements(std::string_view document, const XmlElementEnd& onEnd)
{
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
    while ((status = reader.object->Read(&type)) == S_OK) {
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
            // Wine's reader gives empty white space, without end, where the document is cut.
            if (Text(&IXmlReader::GetValue, *reader.object, piece).empty()) {
                return XmlNotWellFormed(LineOf(*reader.object));
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
    if (status == S_FALSE && rootEnded && depth == 0) {
        const bool whole = rootEmpty || EndsWithEndTag(document, root);
        return whole ? std::nullopt : MaybeFailure(XmlNotWellFormed(LineOf(*reader.object)));
    }
    if (status == E_OUTOFMEMORY) {
        throw std::bad_alloc();
    }
    if (static_cast<unsigned long>(status) == WC_E_DTDPROHIBITED) {
        return XmlWithDocumentType(LineOf(*reader.object));
    }
    return XmlNotWellFormed(LineOf(*reader.object));
}

}  // namespace leitzahl
