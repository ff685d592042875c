// German words for the system's error numbers.
#include "core/system/SystemFile.h"

#include <windows.h>

namespace leitzahl {

std::string DescribeSystemError(int number)
{
    switch (number) {
    case ERROR_FILE_NOT_FOUND: return "Die Datei wurde nicht gefunden";
    case ERROR_PATH_NOT_FOUND: return "Der Ordner wurde nicht gefunden";
    case ERROR_ACCESS_DENIED: return "Zugriff verweigert";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "Ein anderes Programm verwendet die Datei gerade (etwa eine Tabellenkalkulation, in der sie "
               "offen ist). Bitte schließen Sie sie dort zuerst und versuchen Sie es dann noch einmal";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "Kein Speicherplatz mehr auf dem Datenträger";
    case ERROR_INVALID_NAME: return "Der Dateiname ist ungültig";
    case ERROR_FILENAME_EXCED_RANGE: return "Der Dateiname ist zu lang";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return "Nicht genügend Arbeitsspeicher";
    case ERROR_FILE_TOO_LARGE: return "Die Datei ist zu groß";
    case ERROR_WRITE_PROTECT: return "Der Datenträger ist schreibgeschützt";
    case ERROR_READ_FAULT: return "Ein-/Ausgabefehler";
    case kErrorReadFault: return "Die Datei wurde beim Lesen verändert";
    case ERROR_DIRECTORY: return "Das ist ein Ordner, keine Datei";
    case kErrorWriteProtected: return "Die Datei ist schreibgeschützt";
    case ERROR_UNABLE_TO_REMOVE_REPLACED: return "Die alte Datei kann nicht ersetzt werden";
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
        return "Die alte Datei ist schon entfernt, die neue steht noch unter ihrem vorläufigen Namen im selben "
               "Ordner";
    default: return "Systemfehler " + std::to_string(number);
    }
}

}  // namespace leitzahl
