#include "ui/qt/Form1.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    leitzahl::InstallGermanTranslations();
    leitzahl::Form1 window;
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    window.show();
    // "leitzahl FILE", as a file manager's "Open with" starts it: opened once the
    // window shows, as if chosen in the open dialog.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1) {
        QTimer::singleShot(0, &window, [&window, path = arguments.at(1)] { window.OpenPath(path); });
    }
    return application.exec();
}
