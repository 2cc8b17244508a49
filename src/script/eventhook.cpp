#include "script/eventhook.h"

void EventHook::fireEvent(const QString& event, const QStringList& texts)
{
    Q_EMIT eventFired(event, texts);
}
