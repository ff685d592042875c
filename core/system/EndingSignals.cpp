// Ending signals on either system: the temporary file removed, then the system's own end.
#include "core/system/EndingSignals.h"

#include "core/system/SystemFile.h"

namespace leitzahl {

namespace {

void (*runAtEnd)() = nullptr;

extern "C" void EndOnSignal(int number)
{
    RemovePendingTemporaryFile();
    if (runAtEnd != nullptr) {
        runAtEnd();
    }
    EndBySignal(number);
}

}  // namespace

void HandleEndingSignals(void (*atEnd)())
{
    runAtEnd = atEnd;
    CatchEndingSignals(EndOnSignal);
}

}  // namespace leitzahl
