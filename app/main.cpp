// Start-up of the Qt window: create Form1, show it, run the event loop.
#include "core/system/EndingSignals.h"
#include "core/system/SystemFile.h"
#include "ui/qt/Form1.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

// Qt ends a program that finds no display with advice to reinstall it, after warnings
// about its plugins; this says what is missing instead. Warnings wait until then.
QStringList startWarnings;

void ReportNoDisplay(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtFatalMsg) {
        startWarnings << message;
        return;
    }
    std::fputs("leitzahl: Keine grafische Anzeige gefunden. Das Fenster braucht eine Desktop-Sitzung "
               "(X11 oder Wayland).\n",
               stderr);
    std::_Exit(EXIT_FAILURE);
}

}  // namespace

int main(int argc, char** argv)
{
    // As in the converter: an ending signal (logout, kill) removes the temporary file of
    // a save under way; the file-size limit and a pipe's reader that went away are errors
    // the save shows in its box, as is a pipe that no program reads, which would freeze
    // the window.
    leitzahl::HandleEndingSignals();
    leitzahl::RefusePipesWithoutReader();
    const QtMessageHandler previous = qInstallMessageHandler(ReportNoDisplay);
    QApplication application(argc, argv);
    qInstallMessageHandler(previous);
    for (const QString& warning : startWarnings) {
        std::fprintf(stderr, "%s\n", qPrintable(warning));
    }
    leitzahl::InstallGermanTranslations();
    leitzahl::Form1 window;
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    window.show();
    // "leitzahl FILE", as a file manager's "Open with" or a shell starts it: opened once
    // the window shows, as if chosen in the open dialog.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1) {
        QTimer::singleShot(0, &window, [&window, path = arguments.at(1)] { window.OpenHandedOverFile(path); });
    }
    return application.exec();
}
