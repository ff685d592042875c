#include "core/XmlElements.h"

#include <string>

namespace leitzahl {

Failure XmlNotWellFormed(long line, long column)
{
    return Failure{kErrorXml, "Die XML-Datei ist in Zeile " + std::to_string(line) + ", Spalte " +
                                  std::to_string(column) + " nicht wohlgeformt."};
}

Failure XmlWithDocumentType(long line)
{
    return Failure{kErrorXml, "Die XML-Datei enthält in Zeile " + std::to_string(line) +
                                  " eine Dokumenttypdefinition (DOCTYPE); solche Dateien werden nicht gelesen, "
                                  "da deren Entitäten den Speicher füllen können."};
}

}  // namespace leitzahl
