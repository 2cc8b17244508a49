#include "script/eventhook.h"

#include "core/soundlist.h"
#include "sound/soundplayer.h"

#include <QStringView>

namespace {
struct ObjectTrigger
{
    QStringView objectType;
    Event event;
    int channelSlot;
};

// The only events that reach script objects. Type keywords match exactly.
constexpr ObjectTrigger objectTriggers[] = {
    {u"channelautogreet", Event::UserJoiningChannel, UserInChannelSlot::channel},
    {u"channelautofarewell", Event::UserLeavingChannel, UserInChannelSlot::channel},
    {u"channelautoop", Event::UserJoiningChannel, UserInChannelSlot::channel},
    {u"channelautovoice", Event::UserJoiningChannel, UserInChannelSlot::channel},
    {u"channelautoprotect", Event::UserKicked, ChannelActionSlot::channel},
    {u"channelautoprotect", Event::UserDeopped, ChannelActionSlot::channel},
    {u"channelautosend", Event::InboundMessage, UserInChannelSlot::channel},
    {u"channelautoontext", Event::InboundMessage, UserInChannelSlot::channel},
};

bool channelFits(const QString& objectChannel, const QString& eventChannel)
{
    // An object with no channel is malformed and serves none, not the events that
    // happen to carry an empty channel slot.
    if (objectChannel.isEmpty())
        return false;
    return objectChannel.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0 ||
           objectChannel.toLower() == eventChannel.toLower();
}

const QString soundSeparator = QStringLiteral(" - ");
} // namespace

EventHook::EventHook(const SoundList& soundlist, Sounds& sounds, QObject* parent)
    : QObject(parent), soundlist_(soundlist), sounds_(sounds)
{
}

void EventHook::fireEvent(Event event, const EventSlots& eventSlots)
{
    fireEvent(nullptr, event, eventSlots);
}

void EventHook::fireEvent(const ChatWindow* window, Event event, const EventSlots& eventSlots)
{
    if (hushed_)
        return;
    Q_EMIT eventFired(eventName(event), eventSlots.toList());
    // A chat that is not on screen, or whose sounds are off, stays quiet; its objects
    // still act.
    if (!window || !windowPlaysSounds_ || windowPlaysSounds_(window))
        playEventSound(event);
    offerToObjects(window, event, eventSlots);
}

void EventHook::playEventSound(Event event)
{
    const QString name = eventName(event).toLower();
    for (int row = 0; row < SoundList::rowCount; ++row) {
        const QString text = soundlist_.text(row);
        if (!soundlist_.entry(row).checked || !text.toLower().contains(name))
            continue;
        const qsizetype separator = text.indexOf(soundSeparator);
        if (separator < 0)
            continue;
        // The path keeps its letter case: file names on this system are case-sensitive.
        const QString path = text.mid(separator + soundSeparator.size()).trimmed();
        sounds_.playSound(path, !SoundList::interrupts(row));
        return;
    }
}

int EventHook::channelSlot(const QString& objectType, Event event)
{
    for (const ObjectTrigger& trigger : objectTriggers) {
        if (trigger.objectType == objectType && trigger.event == event)
            return trigger.channelSlot;
    }
    return 0;
}

void EventHook::offerToObjects(const ChatWindow* window, Event event, const EventSlots& eventSlots)
{
    if (!objects_ || !runBehaviour_)
        return;
    // count() is read on every turn: a behaviour may raise a nested event before the walk
    // goes on.
    for (int i = 0; i < objects_->count(); ++i) {
        const ScriptObjectRef object = objects_->at(i);
        const int slot = channelSlot(object.type, event);
        if (slot == 0 || !channelFits(object.channel, eventSlots.at(slot)))
            continue;
        if (!object.network.isEmpty() && onNetwork_ && !onNetwork_(object.network))
            continue;
        runBehaviour_(object, window, event, eventSlots);
    }
}
