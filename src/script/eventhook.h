#pragma once

#include "core/event.h"
#include "script/eventslots.h"
#include "script/scriptobjectref.h"

#include <QObject>
#include <QStringList>

#include <functional>

class Sounds;
class SoundList;
class ChatWindow;

// The one place every subsystem reports an event (Event::YouConnecting, ...). Each event
// first plays the sound linked to it, then is offered to every script object whose type
// reacts to it and whose channel and network fit. Sounds are found by the event's name, ignoring
// case.
class EventHook : public QObject
{
    Q_OBJECT
public:
    using WindowTest = std::function<bool(const ChatWindow*)>;
    // Whether the event being raised happened on the network an object names.
    using NetworkTest = std::function<bool(const QString& network)>;
    using BehaviourRunner = std::function<void(const ScriptObjectRef&, const ChatWindow*,
                                               Event event, const EventSlots&)>;

    EventHook(const SoundList& soundlist, Sounds& sounds, QObject* parent = nullptr);

    void fireEvent(const ChatWindow* window, Event event, const EventSlots& eventSlots);
    // An event that belongs to no window.
    void fireEvent(Event event, const EventSlots& eventSlots = {});

    // Whether a window's events may sound: it is the window on screen and its "Enable for
    // this Chat" option is on. Until the window registry answers, every window may.
    void setWindowPlaysSounds(WindowTest test) { windowPlaysSounds_ = std::move(test); }
    void setScriptObjects(const ScriptObjectList* objects) { objects_ = objects; }
    void setBehaviourRunner(BehaviourRunner runner) { runBehaviour_ = std::move(runner); }
    // Unset: an object that names a network serves every one.
    void setNetworkTest(NetworkTest test) { onNetwork_ = std::move(test); }

    // While a Hush that is on lives, no event is raised: none sounds, reaches a script
    // object or a listener. Replayed history is handled under one.
    class Hush
    {
    public:
        Hush(EventHook& hook, bool on) : hook_(hook), previous_(hook.hushed_)
        {
            hook_.hushed_ = previous_ || on;
        }
        ~Hush() { hook_.hushed_ = previous_; }
        Hush(const Hush&) = delete;
        Hush& operator=(const Hush&) = delete;

    private:
        EventHook& hook_;
        bool previous_;
    };

    // The slot that names an object type's channel for an event, or 0 when objects of that
    // type ignore the event.
    static int channelSlot(const QString& objectType, Event event);

Q_SIGNALS:
    // Every event, before its sound and objects, so that a nested event raised by an
    // object follows the one that caused it: the event's name and its eight slots.
    void eventFired(const QString& name, const QStringList& texts);

private:
    void playEventSound(Event event);
    void offerToObjects(const ChatWindow* window, Event event, const EventSlots& eventSlots);

    const SoundList& soundlist_;
    Sounds& sounds_;
    WindowTest windowPlaysSounds_;
    const ScriptObjectList* objects_ = nullptr;
    BehaviourRunner runBehaviour_;
    NetworkTest onNetwork_;
    bool hushed_ = false;
};
