#pragma once

#include <QObject>
#include <QStringList>

// The one place every subsystem reports a named event ("You Connecting to Server", ...).
// Event names are fixed English phrases compared without regard to letter case; the
// texts carry the event's texts, slot 1 first.
//
// Linked sounds and script objects subscribe here as they are built; until then an event
// is announced through eventFired for whoever listens.
class EventHook : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    void fireEvent(const QString& event, const QStringList& texts = {});

Q_SIGNALS:
    void eventFired(const QString& event, const QStringList& texts);
};
