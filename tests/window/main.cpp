#include "ui/qt/Form1.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

QtMessageHandler defaultHandler = nullptr;

// The headless platform says this for every fixed-size window; it is no fault.
void DropPlatformNoise(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!message.contains("propagateSizeHints")) {
        defaultHandler(type, context, message);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    defaultHandler = qInstallMessageHandler(DropPlatformNoise);
    // Set before the application exists, so that the tests run (and are listed)
    // on a machine without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    leitzahl::InstallGermanTranslations();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
