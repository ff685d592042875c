#include "core/forms/XmlElements.h"

#include "core/text/Printable.h"

#include <string>

namespace leitzahl {

// The line only: the parsers count columns differently.
Failure XmlNotWellFormed(long line)
{
    return Failure{kErrorXml, "Die XML-Datei ist in Zeile " + std::to_string(line) + " nicht wohlgeformt."};
}

Failure XmlWithDocumentType(long line)
{
    return Failure{kErrorXml, "Die XML-Datei enthält in Zeile " + std::to_string(line) +
                                  " eine Dokumenttypdefinition (DOCTYPE); solche Dateien werden nicht gelesen, "
                                  "da deren Entitäten den Speicher füllen können."};
}

Failure XmlUnknownEncoding(std::string_view name)
{
    return Failure{kErrorXml, "Die XML-Datei ist in der Kodierung „" + Printable(name) +
                                  "“ geschrieben, die leitzahl nicht liest; gelesen werden UTF-8, UTF-16, "
                                  "ISO-8859-1 und windows-1252."};
}

}  // namespace leitzahl
