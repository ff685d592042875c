#pragma once

#include <QAccessible>

namespace leitzahl {

// What screen readers learn of Form1 beyond Qt's own objects: the window as a frame,
// and the link line as a link that can be pressed or as the status line, a notification.
QAccessibleInterface* Form1Accessible(const QString& className, QObject* object);

// Has screen readers read out the status line's new text.
void AnnounceStatusLine(QWidget* label);

}  // namespace leitzahl
