// German words for the system's error numbers.
#include "core/system/SystemFile.h"

#include <cerrno>

namespace leitzahl {

std::string DescribeSystemError(int number)
{
    switch (number) {
    case ENOENT: return "Datei oder Ordner nicht gefunden";
    case EACCES:
    case EPERM: return "Zugriff verweigert";
    case EISDIR: return "Das ist ein Ordner, keine Datei";
    case ENOTDIR: return "Ein Teil des Pfads ist kein Ordner";
    case ENOSPC: return "Kein Speicherplatz mehr auf dem Datenträger";
    case EDQUOT: return "Speicherkontingent erschöpft";
    case EFBIG: return "Die Datei ist zu groß";
    case EROFS: return "Das Dateisystem ist schreibgeschützt";
    case EIO: return "Ein-/Ausgabefehler";
    case ENAMETOOLONG: return "Der Dateiname ist zu lang";
    case EMFILE:
    case ENFILE: return "Zu viele offene Dateien";
    case ENOMEM: return "Nicht genügend Arbeitsspeicher";
    case ELOOP: return "Zu viele symbolische Verknüpfungen";
    case EBUSY:
    case ETXTBSY: return "Die Datei wird gerade verwendet";
    case EXDEV: return "Ziel liegt auf einem anderen Dateisystem";
    case EPIPE: return "Der Empfänger hat die Verbindung geschlossen";
    case EBADF: return "Der Datenstrom ist geschlossen";
    case ENXIO: return "Niemand nimmt die Daten an (kein Programm liest aus der Pipe, dem Gerät oder dem Socket)";
    case kErrorWriteProtected: return "Die Datei ist schreibgeschützt";
    case kErrorReadFault: return "Die Datei wurde beim Lesen verändert";
    case kErrorSwapped: return "Die Datei wurde während des Speicherns gegen eine andere getauscht";
    default: return "Systemfehler " + std::to_string(number);
    }
}

}  // namespace leitzahl
