// The XML form's floor: expat's own parse of a file with a bare element counter.
#include "MappedFile.h"

#include <expat.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

void XMLCALL CountElement(void* data, const XML_Char*, const XML_Char**)
{
    ++*static_cast<long*>(data);
}

}  // namespace

int main(int argc, char** argv)
{
    const MappedFile file(argc, argv, "leitzahl_xml_floor FILE.xml");
    const std::string_view document = file.bytes();
    const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreate(nullptr),
                                                                              XML_ParserFree);
    long elements = 0;
    XML_SetUserData(parser.get(), &elements);
    XML_SetStartElementHandler(parser.get(), CountElement);
    // In the converter's pieces, as expat takes an int length.
    constexpr std::size_t kPiece = std::size_t{1} << 26;
    std::size_t done = 0;
    do {
        const std::size_t piece = std::min(document.size() - done, kPiece);
        const bool last = done + piece == document.size();
        if (XML_Parse(parser.get(), document.data() + done, static_cast<int>(piece), last) != XML_STATUS_OK) {
            std::fprintf(stderr, "%s: line %lu: %s\n", argv[1], XML_GetCurrentLineNumber(parser.get()),
                         XML_ErrorString(XML_GetErrorCode(parser.get())));
            return 1;
        }
        done += piece;
    } while (done < document.size());
    std::printf("%ld elements\n", elements);
    return 0;
}
