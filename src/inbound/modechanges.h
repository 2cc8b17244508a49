#pragma once

#include <QList>
#include <QString>

#include <functional>

class EventSlots;
enum class Event;
struct ChatWindow;

// Channel mode changes ("+ov-l a b") read into single changes and carried out on a
// channel window: its flags, its nick list, the lines shown and the events raised.
namespace ModeChanges {

struct Change
{
    QChar letter;
    bool plus = true;
    QString argument;
};

// Letters are read left to right under the last sign; o, v, b, k and l take the next
// argument whatever their sign (an empty one when none is left).
QList<Change> parse(const QString& modeText);

struct Effects
{
    std::function<void(ChatWindow*, const QString&)> addLine;
    std::function<void(const ChatWindow*, Event, const EventSlots&)> fireEvent;
    // A member gains (true) or loses a rank; the member's other ranks stay.
    std::function<void(ChatWindow*, const QString&, QChar, bool)> changeRank;
    std::function<bool(const QString&)> isMe;
};

// Carries the changes out in order. A silent sender sets the flags without any line or
// the events that are only raised when someone is shown to change something.
void apply(const QList<Change>& changes, ChatWindow& window, const QString& sender, bool silent,
           const Effects& effects);

} // namespace ModeChanges
