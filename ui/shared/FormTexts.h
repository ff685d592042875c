#pragma once

// What both windows of Form1 show, in one place: texts (UTF-8), layout and colours.
// The window-system code of each window reads them from here.

#include <array>

namespace leitzahl::form {

inline constexpr char kDownloadAddress[] =
    "https://www.bundesbank.de/zahlungsverkehr/zahlungsverkehr_bankleitzahlen_download.php";
// Follows "V<major>.<minor>" in the caption.
inline constexpr char kCaptionAfterVersion[] = "    leitzahl – blz.txt nach blz.csv";
inline constexpr char kStartTextFirstLine[] = "Laden Sie die aktuelle BLZ-Textdatei unter";
inline constexpr char kPleaseWait[] = "Bitte warten. Alles wird gut :-)";
inline constexpr std::array<const char*, 3> kButtonCaptions{"b&lz Textdatei öffnen", "csv Textdatei &sichern",
                                                            "&Ende"};
inline constexpr char kOpenTitle[] = "blz Textdatei öffnen";
inline constexpr char kOpenFilterName[] = "Textdateien";
inline constexpr char kOpenFilterPattern[] = "*.txt";
// A second filter shows every download of the Bundesbank's page.
inline constexpr char kOpenAllFormsName[] = "Alle Downloads der Bundesbank";
inline constexpr char kOpenAllFormsPattern[] = "*.txt;*.csv;*.xml;*.zip";
inline constexpr char kSaveTitle[] = "CSV Datei speichern";
inline constexpr char kSaveFilterName[] = "csv Dateien";
inline constexpr char kSavePattern[] = "*.csv";
// The second filter saves a workbook, whose cells keep "09" and every umlaut.
inline constexpr char kSaveWorkbookName[] = "Excel-Arbeitsmappe";
inline constexpr char kSaveWorkbookPattern[] = "*.xlsx";
inline constexpr char kWarningTitle[] = "Warnung";

// Places in pixels at 96 dots per inch (the designed twips divided by 15).
struct Place {
    int left;
    int top;
    int width;
    int height;
};
inline constexpr int kClientWidth = 563;
inline constexpr int kClientHeight = 437;
inline constexpr std::array<Place, 3> kCommand1{{{6, 6, 82, 49}, {96, 6, 82, 49}, {474, 6, 82, 49}}};
inline constexpr Place kList1{6, 63, 550, 329};
inline constexpr Place kLabel1{6, 183, 550, 28};
inline constexpr Place kLabel2{6, 399, 550, 31};
inline constexpr Place kLabel3{144, 213, 271, 28};
inline constexpr int kTickMilliseconds = 500;

struct Colour {
    int red;
    int green;
    int blue;
    bool operator==(const Colour&) const = default;
};
// Kept where they read on the system's colours; else the scheme's own take their place.
inline constexpr Colour kLinkColour{0, 0, 255};
inline constexpr Colour kDotsColour{0, 64, 0};
inline constexpr Colour kStatusColour{0, 0, 0};

struct Font {
    const char* family;
    double points;
};
inline constexpr Font kLabel1Font{"Arial", 14.25};
inline constexpr Font kLabel3Font{"MS Sans Serif", 13.5};

// What a screen reader calls the list.
inline constexpr char kList1Name[] = "Einträge";

}  // namespace leitzahl::form
