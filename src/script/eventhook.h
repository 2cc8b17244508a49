#pragma once

#include "script/scriptobjectref.h"

#include <QObject>
#include <QStringList>

#include <array>
#include <functional>

class Sounds;
class SoundList;
class ChatWindow;

// The eight text slots every event carries, numbered 1 to 8 as the event table names
// them; a slot an event does not use is empty.
class EventSlots
{
public:
    static constexpr int count = 8;

    EventSlots() = default;
    // Slot 1 first; texts beyond slot 8 are dropped.
    static EventSlots fromList(const QStringList& texts);

    const QString& at(int slot) const { return texts_.at(slot - 1); }
    EventSlots& set(int slot, const QString& text)
    {
        texts_.at(slot - 1) = text;
        return *this;
    }
    QStringList toList() const;

private:
    std::array<QString, count> texts_;
};

// The one place every subsystem reports a named event ("You Connecting to Server", ...).
// Each event first plays the sound linked to it, then is offered to every script object
// whose type reacts to it and whose channel fits. Event names are fixed English phrases:
// sounds match them ignoring case, objects match them exactly.
class EventHook : public QObject
{
    Q_OBJECT
public:
    using WindowTest = std::function<bool(const ChatWindow*)>;
    using BehaviourRunner = std::function<void(const ScriptObjectRef&, const ChatWindow*,
                                               const QString& event, const EventSlots&)>;

    EventHook(const SoundList& soundlist, Sounds& sounds, QObject* parent = nullptr);

    void fireEvent(const ChatWindow* window, const QString& event, const EventSlots& eventSlots);
    // An event that belongs to no window; the texts fill slot 1 onwards.
    void fireEvent(const QString& event, const QStringList& texts = {});

    // Whether a window's events may sound: it is the window on screen and its "Enable for
    // this Chat" option is on. Until the window registry answers, every window may.
    void setWindowPlaysSounds(WindowTest test) { windowPlaysSounds_ = std::move(test); }
    void setScriptObjects(const ScriptObjectList* objects) { objects_ = objects; }
    void setBehaviourRunner(BehaviourRunner runner) { runBehaviour_ = std::move(runner); }

    // The slot that names an object type's channel for an event, or 0 when objects of that
    // type ignore the event.
    static int channelSlot(const QString& objectType, const QString& event);

Q_SIGNALS:
    // Every event, before its sound and objects, so that a nested event raised by an
    // object follows the one that caused it; texts holds the eight slots.
    void eventFired(const QString& event, const QStringList& texts);

private:
    void playEventSound(const QString& event);
    void offerToObjects(const ChatWindow* window, const QString& event,
                        const EventSlots& eventSlots);

    const SoundList& soundlist_;
    Sounds& sounds_;
    WindowTest windowPlaysSounds_;
    const ScriptObjectList* objects_ = nullptr;
    BehaviourRunner runBehaviour_;
};
