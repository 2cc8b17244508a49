#include "script/eventhook.h"

#include "core/soundlist.h"
#include "sound/soundplayer.h"

#include <QStringView>

namespace {
struct ObjectTrigger
{
    QStringView objectType;
    QStringView event;
    int channelSlot;
};

// The only events that reach script objects.
constexpr ObjectTrigger objectTriggers[] = {
    {u"channelautogreet", u"a user is joining channel", 8},
    {u"channelautofarewell", u"a user is leaving channel", 8},
    {u"channelautoop", u"a user is joining channel", 8},
    {u"channelautovoice", u"a user is joining channel", 8},
    {u"channelautoprotect", u"a user is kicked from channel", 7},
    {u"channelautoprotect", u"A User is No longer Channel Operator", 7},
    {u"channelautosend", u"Inbound Message", 8},
    {u"channelautoontext", u"Inbound Message", 8},
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

EventSlots EventSlots::fromList(const QStringList& texts)
{
    EventSlots result;
    for (int i = 0; i < count && i < texts.size(); ++i)
        result.texts_[i] = texts.at(i);
    return result;
}

QStringList EventSlots::toList() const
{
    return QStringList(texts_.begin(), texts_.end());
}

EventHook::EventHook(const SoundList& soundlist, Sounds& sounds, QObject* parent)
    : QObject(parent), soundlist_(soundlist), sounds_(sounds)
{
}

void EventHook::fireEvent(const QString& event, const QStringList& texts)
{
    fireEvent(nullptr, event, EventSlots::fromList(texts));
}

void EventHook::fireEvent(const ChatWindow* window, const QString& event,
                          const EventSlots& eventSlots)
{
    Q_EMIT eventFired(event, eventSlots.toList());
    // A chat that is not on screen, or whose sounds are off, stays quiet; its objects
    // still act.
    if (!window || !windowPlaysSounds_ || windowPlaysSounds_(window))
        playEventSound(event);
    offerToObjects(window, event, eventSlots);
}

void EventHook::playEventSound(const QString& event)
{
    const QString name = event.toLower();
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

int EventHook::channelSlot(const QString& objectType, const QString& event)
{
    for (const ObjectTrigger& trigger : objectTriggers) {
        if (trigger.objectType == objectType && trigger.event == event)
            return trigger.channelSlot;
    }
    return 0;
}

void EventHook::offerToObjects(const ChatWindow* window, const QString& event,
                               const EventSlots& eventSlots)
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
        runBehaviour_(object, window, event, eventSlots);
    }
}
