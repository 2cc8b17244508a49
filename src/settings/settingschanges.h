#pragma once

#include <QObject>

// The groups of the options model, one for each of its parts (Options::user, ::display,
// ...). A consumer that keeps something worked out from a group follows that group.
enum class OptionGroup {
    User,
    Connection,
    Display,
    Sound,
    Ignore,
    Ctcp,
    Notify,
    TextEntry,
    Dcc,
    FileServer,
    Appearance,
    Browser,
    MenuMod,
    Scripts,
    Channels,
    Servers,
    History,
};

// Says which options changed, so that consumers read a setting once and again only when
// it changes, not on every line. Settings pages announce the group of an option they
// change; reading the settings file announces every group.
class SettingsChanges : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    void announce(OptionGroup group) { Q_EMIT changed(group); }
    void announceAll();

Q_SIGNALS:
    void changed(OptionGroup group);
};
