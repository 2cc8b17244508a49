#pragma once

#include "chat/windowregistry.h"
#include "core/clock.h"
#include "core/linelog.h"
#include "core/options.h"
#include "script/eventhook.h"
#include "sound/soundplayer.h"

#include <QDir>
#include <QTemporaryDir>

// A registry with everything around it recorded: lines sent to the server, status lines,
// events, and a program folder of its own with a logs/ folder.
struct RegistryFixture
{
    QTemporaryDir home;
    Options options;
    LineLog status;
    Sounds sounds;
    EventHook events{options.sound.soundlist, sounds};
    ManualClock clock;
    QStringList sent;
    QStringList fired;
    QList<QStringList> firedTexts;
    QString ownNick = QStringLiteral("Me");
    WindowRegistry registry;

    explicit RegistryFixture(bool withLogsFolder = true)
        : registry([this](const QString& line) { sent << line; }, status, events, options,
                   home.path() + u'/', [this] { return ownNick; })
    {
        if (withLogsFolder)
            QDir(home.path()).mkdir(QStringLiteral("logs"));
        registry.setClock(&clock);
        QObject::connect(&events, &EventHook::eventFired,
                         [this](const QString& e, const QStringList& texts) {
                             fired << e;
                             firedTexts << texts;
                         });
    }

    QString logsFolder() const { return home.path() + QStringLiteral("/logs/"); }
    PickerLayout& picker() { return registry.picker(); }

    QStringList labels() const
    {
        QStringList result;
        for (qsizetype i = 0; i < registry.count(); ++i)
            result << registry.at(i)->label;
        return result;
    }
    QList<int> states() const
    {
        QList<int> result;
        for (qsizetype i = 0; i < registry.count(); ++i)
            result << registry.at(i)->pickerState;
        return result;
    }
    int row(const ChatWindow* item) const { return int(registry.indexOf(item)); }
    QStringList lines(const ChatWindow* item) const { return item->document->plainLines(); }
};
