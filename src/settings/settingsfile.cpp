#include "settings/settingsfile.h"

#include "theme/themefile.h"

#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSet>

#include <algorithm>

namespace {
QString latin(const char* text)
{
    return QString::fromLatin1(text);
}

QString indexed(const char* prefix, int index)
{
    return latin(prefix) + QString::number(index);
}

// The column toggles of the notify list, in the order of their characters in notifylimit.
constexpr bool NotifyOptions::*notifyColumns[] = {
    &NotifyOptions::showAddress, &NotifyOptions::showChannels, &NotifyOptions::showIdle,
    &NotifyOptions::showName,    &NotifyOptions::showPing,     &NotifyOptions::showServer,
    &NotifyOptions::showTime,    &NotifyOptions::showVersion,
};

// The MESSAGES switches are stored under crossed names: the VERSION switch as "xtime",
// the away switch as "xversion", the TIME switch as "xaway". Files of every release use
// this crossing, so it stays.
struct SwitchKey
{
    const char* key;
    bool& (*field)(Options&);
};

// In the order they are written.
constexpr SwitchKey messageSwitches[] = {
    {"xquit", [](Options& o) -> bool& { return o.connection.sendQuitMessage; }},
    {"xleave", [](Options& o) -> bool& { return o.display.sayOnLeave; }},
    {"xtime", [](Options& o) -> bool& { return o.ctcp.answerVersion; }},
    {"xversion", [](Options& o) -> bool& { return o.connection.away; }},
    {"xping", [](Options& o) -> bool& { return o.ctcp.messageOnPing; }},
    {"xaway", [](Options& o) -> bool& { return o.ctcp.messageOnTime; }},
};

struct TextKey
{
    const char* key;
    QString& (*field)(Options&);
};

// In the order they are written.
constexpr TextKey messageTexts[] = {
    {"quit", [](Options& o) -> QString& { return o.connection.quitMessage; }},
    {"leave", [](Options& o) -> QString& { return o.display.leaveMessage; }},
    {"time", [](Options& o) -> QString& { return o.ctcp.timeMessage; }},
    {"version", [](Options& o) -> QString& { return o.ctcp.versionText; }},
    {"ping", [](Options& o) -> QString& { return o.ctcp.pingMessage; }},
    {"away", [](Options& o) -> QString& { return o.connection.awayMessage; }},
};

constexpr int ignoreDurations = 8; // "1 minute" .. "Permanent"

// What a key reads as when the file does not have it. Every read goes through this
// table, so a missing key gives the same value whatever the model held before.
struct ReadDefault
{
    const char* section;
    const char* key;
    const char* value;
};

constexpr ReadDefault readDefaults[] = {
    {"MISC", "lastposter", "fl2xfvc.dcm"},
    {"MISC", "useposter", "0"},
    {"MISC", "browseroverride", "0"},
    {"MISC", "browserpath", "0"},
    {"MISC", "modname", "1"},
    {"MISC", "tileframecolor", "0"},
    {"MISC", "autolog", "0"},
    {"MISC", "ignoretraffic", "0"},
    {"MISC", "winstate", "100"},
    {"MISC", "winx", "100"},
    {"MISC", "winy", "100"},
    {"MISC", "winwidth", "100"},
    {"MISC", "winheight", "100"},
    {"SCRIPTS", "last", "0dsae"},
    {"servers", "serverlistbookmark", "1"},
    {"SOUND", "rprivate", "0"},
    {"SOUND", "raccept", "0"},
    {"SOUND", "pdefaultsoundpath", ""},
    {"SOUND", "psounddialogpath", ""},
    {"SOUND", "sounddialogpath", ""},
    {"USER", "nicks", ""},
    {"USER", "lastnick", "Yournick"},
    {"USER", "name", ""},
    {"USER", "email", ""},
    {"USER", "identd", ""},
    {"DCC", "chatinboundaction", "0"},
    {"DCC", "fileinboundaction", "0"},
    {"DCC", "filesavefolder", ""},
    {"DCC", "passive", "0"},
    {"DCC", "autoresume", "0"},
    {"DCC", "maxincoming", "10"},
    {"FILESERVER", "trigger", "!FileServe"},
    {"FILESERVER", "maxusers", "5"},
    {"FILESERVER", "maxgets", "3"},
    {"FILESERVER", "greet", ""},
    {"IGNORE", "ignoretime", "3"},
    {"IGNORE", "floodprotection", "0"},
    {"IGNORE", "floodlines", "10"},
    {"NOTIFY", "notifylimit", "11111111"},
    {"NOTIFY", "notifies", ""},
    {"DISPLAY", "recent", "0"},
    {"DISPLAY", "lasttheme", "0"},
    {"DISPLAY", "historylimit", "200000"},
    {"MESSAGES", "quit", ""},
    {"MESSAGES", "leave", ""},
    {"MESSAGES", "away", ""},
    {"MESSAGES", "version", ""},
    {"MESSAGES", "time", ""},
    {"MESSAGES", "ping", ""},
    {"MESSAGES", "xquit", ""},
    {"MESSAGES", "xleave", ""},
    {"MESSAGES", "xversion", ""},
    {"MESSAGES", "xtime", ""},
    {"MESSAGES", "xaway", ""},
    {"MESSAGES", "xping", ""},
    {"MESSAGES", "joinoninvite", "0"},
    {"MESSAGES", "invisible", "0"},
    // Files written before the switch existed keep reconnecting, as a new one does.
    {"MESSAGES", "reconnect", "1"},
    {"MESSAGES", "highlights", ""},
    {"MESSAGES", "notifications", "1"},
    {"MESSAGES", "timestamps", "0"},
    {"PRIVATECHAT", "ignoreall", "0"},
};

// Keys numbered from 0: a stem followed by the number. The entries of the numbered
// lists have the stem "" (FILTERS, ALIASES, DISPLAY) or "fav" (CHANNELS); their count
// keys have no default.
constexpr ReadDefault numberedDefaults[] = {
    {"SOUND", "s", "0,"},
    {"servers", "recent", ""},
    {"servers", "recenthost", "empty"},
    {"servers", "recentport", "empty"},
    {"IGNORE", "i", ""},
    {"FILTERS", "", ""},
    {"ALIASES", "", ""},
    {"DISPLAY", "", ""},
    {"CHANNELS", "fav", ""},
};

bool isNumber(QStringView text)
{
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

// The read default of a key; a null string for a key that has none.
QString readDefault(const QString& section, const QString& key)
{
    const auto same = [](const QString& a, const char* b) {
        return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
    };
    // Hundreds of keys are read at start: the table is looked up by name, not walked.
    const auto name = [](QStringView section, QStringView key) {
        return section.toString().toCaseFolded() + QChar(0) + key.toString().toCaseFolded();
    };
    static const QHash<QString, const char*> byName = [&name] {
        QHash<QString, const char*> table;
        for (const ReadDefault& d : readDefaults)
            table.insert(name(QString::fromLatin1(d.section), QString::fromLatin1(d.key)), d.value);
        return table;
    }();
    if (const auto found = byName.constFind(name(section, key)); found != byName.constEnd())
        return QString::fromLatin1(found.value());
    for (const ReadDefault& d : numberedDefaults) {
        const QLatin1String stem(d.key);
        if (same(section, d.section) && key.startsWith(stem, Qt::CaseInsensitive) &&
            isNumber(QStringView(key).mid(stem.size())))
            return QString::fromLatin1(d.value);
    }
    return QString();
}
} // namespace

QString SettingsFile::fileName(const QString& programFolder)
{
    return programFolder + QStringLiteral("quorl.ini");
}

SettingsFile::SettingsFile(const QString& fileName) : fileName_(fileName) {}

bool SettingsFile::load()
{
    problems_.clear();
    if (!QFileInfo::exists(fileName_)) {
        profile_ = PrivateProfile();
        profile_.load(fileName_); // binds the empty document to the name
        return true;
    }
    return profile_.load(fileName_);
}

bool SettingsFile::save()
{
    return profile_.save(fileName_);
}

QString SettingsFile::value(const QString& section, const QString& key) const
{
    return profile_.value(section, key, readDefault(section, key));
}

QString SettingsFile::value(const char* section, const char* key) const
{
    return value(latin(section), latin(key));
}

void SettingsFile::problem(const char* section, const char* key)
{
    problems_ << latin(section) + u' ' + latin(key);
}

void SettingsFile::readInt(const char* section, const char* key, qint32& target)
{
    if (const auto number = Profile::strictInt(value(section, key)))
        target = *number;
    else
        problem(section, key);
}

void SettingsFile::readText(const char* section, const char* key, QString& target)
{
    target = value(section, key);
}

void SettingsFile::readFlagAnyButZero(const char* section, const char* key, bool& target)
{
    target = Profile::flagAnyButZero(value(section, key));
}

void SettingsFile::readFlagOneOnly(const char* section, const char* key, bool& target)
{
    target = Profile::flagOneOnly(value(section, key));
}

void SettingsFile::readNumbered(const char* section, const char* countKey, const QString& prefix,
                                bool skipEmpty, QStringList& target)
{
    const QString count = value(section, countKey);
    if (count.isNull()) // missing, and a count without a default: the list stays
        return;
    // The entry keys present, by index.
    QMap<int, QString> present;
    for (const QString& name : profile_.keys(latin(section))) {
        if (name.size() <= prefix.size() || !name.startsWith(prefix, Qt::CaseInsensitive) ||
            !name.at(prefix.size()).isDigit())
            continue;
        if (const auto index = Profile::strictInt(name.mid(prefix.size())); index && *index >= 0)
            present.insert(*index, name);
    }
    const auto top = Profile::strictInt(count);
    if (top && *top >= 0) {
        // A count beyond the last entry present adds nothing but empty lines; a damaged
        // count must not make the reader walk two billion keys.
        const int last = present.isEmpty() ? -1 : present.lastKey();
        QStringList entries;
        for (int i = 0; i <= std::min(*top, last); ++i) {
            const QString entry = value(latin(section), prefix + QString::number(i));
            if (!(skipEmpty && entry.isEmpty()))
                entries << entry;
        }
        target = entries;
        return;
    }
    if (top && *top == -1 && present.isEmpty()) {
        target.clear();
        return;
    }
    // A count that is not usable (not a number, out of range, or "none" while entries
    // are there) says nothing; the entries present are the list, in index order, so none
    // is lost when the list is written back with its true count.
    problem(section, countKey);
    if (present.isEmpty())
        return;
    QStringList entries;
    for (const QString& name : std::as_const(present)) {
        const QString entry = profile_.value(latin(section), name);
        if (!(skipEmpty && entry.isEmpty()))
            entries << entry;
    }
    target = entries;
}

void SettingsFile::write(const char* section, const char* key, const QString& value)
{
    profile_.setValue(latin(section), latin(key), value);
}

void SettingsFile::writeFlag(const char* section, const char* key, bool on)
{
    write(section, key, Profile::flagText(on));
}

void SettingsFile::writeNumbered(const char* section, const char* countKey, const QString& prefix,
                                 const QStringList& entries, bool skipBlank)
{
    write(section, countKey, QString::number(entries.size() - 1));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (skipBlank && entries.at(i).trimmed().isEmpty())
            continue; // its index stays taken, so the numbering keeps a gap
        profile_.setValue(latin(section), prefix + QString::number(i), entries.at(i));
    }
}

// Reading

void SettingsFile::readPoster(Options& options)
{
    readText("MISC", "lastposter", options.appearance.lastPoster);
    readFlagOneOnly("MISC", "useposter", options.appearance.noPoster);
}

void SettingsFile::readSettings(Options& options, StoredState& state)
{
    readScripts(options);
    readBrowser(options);
    readInt("servers", "serverlistbookmark", state.serverListBookmark);
    if (state.serverListBookmark < 0)
        state.serverListBookmark = 1;
    readFlagAnyButZero("SOUND", "rprivate", options.sound.privateRequests);
    readFlagAnyButZero("SOUND", "raccept", options.sound.acceptRequests);
    readText("MISC", "modname", options.menuMod.modName);
    readNumbered("FILTERS", "top", QString(), true, options.dcc.filters);
    readSounds(options);
    readNumbered("ALIASES", "top", QString(), false, options.textEntry.aliases);
    readNicknames(options);
    readInt("MISC", "tileframecolor", options.appearance.tileFrameColor);
    readFlagAnyButZero("MISC", "autolog", options.display.autoLog);
    readFlagAnyButZero("MISC", "ignoretraffic", options.display.hideTraffic);
    readDcc(options);
    readFileServer(options);
    readText("USER", "name", options.user.realName);
    readText("USER", "email", options.user.email);
    readText("USER", "identd", options.user.ident);
    readRecentServers(state);
    readIgnore(options, state);
    readNotify(options);
    readDisplay(options, state);
    readMessages(options);
    readNumbered("CHANNELS", "topfav", QStringLiteral("fav"), false, options.channels.favourites);
    readFlagOneOnly("MESSAGES", "joinoninvite", options.connection.autoJoinOnInvite);
    readFlagOneOnly("MESSAGES", "invisible", options.connection.invisible);
    readFlagOneOnly("MESSAGES", "reconnect", options.connection.reconnect);
    options.display.highlightWords =
        value("MESSAGES", "highlights").split(u',', Qt::SkipEmptyParts);
    readFlagOneOnly("MESSAGES", "notifications", options.display.notifications);
    readFlagOneOnly("MESSAGES", "timestamps", options.display.timestamps);
    readFlagOneOnly("PRIVATECHAT", "ignoreall", options.display.ignorePrivateChats);
}

void SettingsFile::readWindowPlacement(StoredState& state)
{
    state.window.maximized = value("MISC", "winstate") != QLatin1String("0");
    if (state.window.maximized)
        return;
    QRect& r = state.window.bounds;
    qint32 x = r.x(), y = r.y(), width = r.width(), height = r.height();
    readInt("MISC", "winx", x);
    readInt("MISC", "winy", y);
    readInt("MISC", "winwidth", width);
    readInt("MISC", "winheight", height);
    r = QRect(x, y, width, height);
}

void SettingsFile::readScripts(Options& options)
{
    readText("SCRIPTS", "last", options.scripts.lastScript);
}

void SettingsFile::readBrowser(Options& options)
{
    const QString choice = value("MISC", "browseroverride");
    if (choice == QLatin1String("0")) {
        options.browser.useOther = false;
    } else if (choice == QLatin1String("1")) {
        options.browser.useOther = true;
        readText("MISC", "browserpath", options.browser.path);
    }
}

void SettingsFile::readSounds(Options& options)
{
    SoundList& sounds = options.sound.soundlist;
    for (int row = 0; row < SoundKeys; ++row)
        sounds.entry(row) = decodeSoundSetting(value(QStringLiteral("SOUND"), indexed("s", row)));
    readText("SOUND", "pdefaultsoundpath", options.sound.soundFolder);
    readText("SOUND", "psounddialogpath", options.sound.playDialogFolder);
    readText("SOUND", "sounddialogpath", options.sound.linkDialogFolder);
}

void SettingsFile::readNicknames(Options& options)
{
    UserOptions& user = options.user;
    // Every name ends with a comma; text after the last one is not a name.
    QStringList names = value("USER", "nicks").split(u',');
    names.removeLast();
    names.removeAll(QString());
    sortNicknames(names);
    user.nicknames = names;
    // With no name at all the user could not register; the client's own default stands in.
    if (user.nicknames.isEmpty())
        user.nicknames << QStringLiteral("Yournick");
    const QString last = value("USER", "lastnick");
    const auto found =
        std::find_if(user.nicknames.cbegin(), user.nicknames.cend(),
                     [&](const QString& n) { return n.compare(last, Qt::CaseInsensitive) == 0; });
    user.nickname = found != user.nicknames.cend() ? *found : user.nicknames.first();
}

void SettingsFile::readDcc(Options& options)
{
    qint32 chat = qint32(options.dcc.chatInboundAction);
    readInt("DCC", "chatinboundaction", chat);
    if (chat >= 0 && chat <= 2)
        options.dcc.chatInboundAction = DccOptions::ChatOffer(chat);
    else
        problem("DCC", "chatinboundaction");
    readText("DCC", "filesavefolder", options.dcc.saveFolder);
    qint32 file = qint32(options.dcc.fileInboundAction);
    readInt("DCC", "fileinboundaction", file);
    if (file >= 0 && file <= 2)
        options.dcc.fileInboundAction = DccOptions::FileOffer(file);
    else
        problem("DCC", "fileinboundaction");
    readFlagOneOnly("DCC", "passive", options.dcc.passive);
    readFlagOneOnly("DCC", "autoresume", options.dcc.resumeAutomatically);
    qint32 incoming = options.dcc.maxIncoming;
    readInt("DCC", "maxincoming", incoming);
    if (incoming >= OptionLimits::dccIncomingMin && incoming <= OptionLimits::dccIncomingMax)
        options.dcc.maxIncoming = incoming;
    else
        problem("DCC", "maxincoming");
}

void SettingsFile::readFileServer(Options& options)
{
    // The on/off switch is not kept: the file server starts off in every run.
    FileServerOptions& server = options.fileServer;
    // Without a stored root the client's own choice stays (the program folder's "Shared
    // Files"), never an empty root that serves nothing.
    server.root = profile_.value(QStringLiteral("FILESERVER"), QStringLiteral("root"), server.root);
    readText("FILESERVER", "trigger", server.trigger);
    readText("FILESERVER", "greet", server.greeting);
    for (auto [key, target] :
         {std::pair{"maxusers", &server.maxUsers}, std::pair{"maxgets", &server.maxGets}}) {
        qint32 value = *target;
        readInt("FILESERVER", key, value);
        if (value >= OptionLimits::fileServerSliderMin &&
            value <= OptionLimits::fileServerSliderMax)
            *target = value;
        else
            problem("FILESERVER", key);
    }
}

void SettingsFile::readRecentServers(StoredState& state)
{
    for (int n = 0; n < StoredState::RecentSlots; ++n) {
        const QString label = value(QStringLiteral("servers"), indexed("recent", n));
        if (label.isEmpty())
            continue;
        RecentServerSlot& slot = state.recentServers.at(n);
        slot.label = label;
        slot.host = value(QStringLiteral("servers"), indexed("recenthost", n));
        slot.port = value(QStringLiteral("servers"), indexed("recentport", n));
    }
}

void SettingsFile::readIgnore(Options& options, StoredState& state)
{
    IgnoreOptions& ignore = options.ignore;
    qint32 time = ignore.ignoreTime;
    readInt("IGNORE", "ignoretime", time);
    if (time >= 0 && time < ignoreDurations)
        ignore.ignoreTime = time;
    else
        problem("IGNORE", "ignoretime");

    const QString flood = value("IGNORE", "floodprotection");
    if (flood == QLatin1String("1") || flood == QLatin1String("0"))
        ignore.floodProtection = Profile::flagOneOnly(flood);

    qint32 lines = ignore.floodLines;
    readInt("IGNORE", "floodlines", lines);
    if (lines >= OptionLimits::floodLinesMin && lines <= OptionLimits::floodLinesMax)
        ignore.floodLines = lines;
    else
        problem("IGNORE", "floodlines");

    state.permanentIgnores.clear();
    // Most of the slots are absent: only the keys the section has are read.
    QSet<QString> present;
    for (const QString& key : profile_.keys(QStringLiteral("IGNORE")))
        present.insert(key.toCaseFolded());
    for (int i = 0; i < IgnoreKeys; ++i) {
        const QString key = indexed("i", i);
        if (!present.contains(key))
            continue;
        const QString entry = value(QStringLiteral("IGNORE"), key);
        if (!entry.isEmpty())
            state.permanentIgnores << entry;
    }
}

void SettingsFile::readNotify(Options& options)
{
    NotifyOptions& notify = options.notify;
    // A character that is missing counts as shown.
    const QString limit = value("NOTIFY", "notifylimit");
    for (int i = 0; i < int(std::size(notifyColumns)); ++i)
        notify.*notifyColumns[i] = limit.mid(i, 1) != QLatin1String("0");
    QStringList names = value("NOTIFY", "notifies").split(u',');
    names.removeAll(QString());
    notify.nicknames = names;
}

void SettingsFile::readDisplay(Options& options, StoredState& state)
{
    // The theme of that name is open in the editor only when its file is there; "f"
    // (and the default, "0") name none.
    readText("DISPLAY", "recent", state.editorTheme);
    const QString folder = QFileInfo(fileName_).absolutePath() + u'/';
    if (state.editorTheme == QLatin1String("f") ||
        ThemeFile::findInThemesFolder(folder, state.editorTheme + QStringLiteral(".qth")).isEmpty())
        state.editorTheme.clear();
    readNumbered("DISPLAY", "lasttheme", QString(), true, options.display.themeUses);
    readInt("DISPLAY", "historylimit", options.display.historyLimit);
    if (options.display.historyLimit < 0)
        options.display.historyLimit = DisplayOptions().historyLimit;
}

void SettingsFile::readMessages(Options& options)
{
    for (const TextKey& t : messageTexts)
        readText("MESSAGES", t.key, t.field(options));
    for (const SwitchKey& s : messageSwitches)
        readFlagOneOnly("MESSAGES", s.key, s.field(options));
}

// Writing

void SettingsFile::writeSettings(const Options& options, const StoredState& state)
{
    write("MISC", "modname", options.menuMod.modName);
    write("SCRIPTS", "last", options.scripts.lastScript.section(u'.', 0, 0));
    // Numbered lists are erased first, so entries past a shorter list do not linger.
    profile_.eraseSection(QStringLiteral("FILTERS"));
    writeNumbered("FILTERS", "top", QString(), options.dcc.filters, true);
    profile_.eraseSection(QStringLiteral("ALIASES"));
    writeNumbered("ALIASES", "top", QString(), options.textEntry.aliases, false);

    const QRect& r = state.window.bounds;
    write("MISC", "winstate", state.window.maximized ? QStringLiteral("1") : QStringLiteral("0"));
    write("MISC", "winx", QString::number(r.x()));
    write("MISC", "winy", QString::number(r.y()));
    write("MISC", "winwidth", QString::number(r.width()));
    write("MISC", "winheight", QString::number(r.height()));
    write("servers", "serverlistbookmark", QString::number(state.serverListBookmark));

    write("MISC", "tileframecolor", QString::number(options.appearance.tileFrameColor));
    write("MISC", "lastposter", options.appearance.lastPoster);
    writeFlag("MISC", "useposter", options.appearance.noPoster);
    writeFlag("MISC", "browseroverride", options.browser.useOther);
    write("MISC", "browserpath", options.browser.path.trimmed());

    writeSounds(options);

    QString nicks;
    for (const QString& name : options.user.nicknames)
        nicks += name + u',';
    write("user", "nicks", nicks);
    write("user", "lastnick", options.user.nickname);
    writeFlag("MISC", "autolog", options.display.autoLog);
    writeFlag("MISC", "ignoretraffic", options.display.hideTraffic);
    write("user", "name", options.user.realName.trimmed());
    write("user", "email", options.user.email.trimmed());
    write("user", "identd", options.user.ident.trimmed());

    writeRecentServers(state);
    writeIgnore(options, state);

    write("DCC", "filesavefolder", options.dcc.saveFolder);
    write("DCC", "fileinboundaction", QString::number(int(options.dcc.fileInboundAction)));
    write("DCC", "chatinboundaction", QString::number(int(options.dcc.chatInboundAction)));
    writeFlag("DCC", "passive", options.dcc.passive);
    writeFlag("DCC", "autoresume", options.dcc.resumeAutomatically);
    write("DCC", "maxincoming", QString::number(options.dcc.maxIncoming));
    write("FILESERVER", "root", options.fileServer.root.trimmed());
    write("FILESERVER", "trigger", options.fileServer.trigger.trimmed());
    write("FILESERVER", "maxusers", QString::number(options.fileServer.maxUsers));
    write("FILESERVER", "maxgets", QString::number(options.fileServer.maxGets));
    write("FILESERVER", "greet", options.fileServer.greeting);

    writeNotify(options);

    profile_.eraseSection(QStringLiteral("DISPLAY"));
    write("DISPLAY", "recent",
          state.editorTheme.isEmpty() ? QStringLiteral("f") : state.editorTheme.toLower());
    writeNumbered("DISPLAY", "lasttheme", QString(), options.display.themeUses, false);
    write("DISPLAY", "historylimit", QString::number(std::max(options.display.historyLimit, 0)));

    writeMessages(options);
    profile_.eraseSection(QStringLiteral("CHANNELS"));
    writeNumbered("CHANNELS", "topfav", QStringLiteral("fav"), options.channels.favourites, false);
    writeFlag("MESSAGES", "joinoninvite", options.connection.autoJoinOnInvite);
    writeFlag("MESSAGES", "invisible", options.connection.invisible);
    writeFlag("MESSAGES", "reconnect", options.connection.reconnect);
    write("MESSAGES", "highlights", options.display.highlightWords.join(u','));
    writeFlag("MESSAGES", "notifications", options.display.notifications);
    writeFlag("MESSAGES", "timestamps", options.display.timestamps);
    writeFlag("PRIVATECHAT", "ignoreall", options.display.ignorePrivateChats);
}

void SettingsFile::writeSounds(const Options& options)
{
    writeFlag("SOUND", "raccept", options.sound.acceptRequests);
    writeFlag("SOUND", "rprivate", options.sound.privateRequests);
    for (int row = 0; row < SoundKeys; ++row)
        profile_.setValue(QStringLiteral("SOUND"), QStringLiteral("s") + QString::number(row),
                          encodeSoundSetting(options.sound.soundlist.entry(row)));
    write("SOUND", "pdefaultsoundpath", options.sound.soundFolder);
    write("SOUND", "sounddialogpath", options.sound.linkDialogFolder);
    write("SOUND", "psounddialogpath", options.sound.playDialogFolder);
}

void SettingsFile::writeRecentServers(const StoredState& state)
{
    // The section is not erased (it holds the bookmark and keys of other releases); a
    // slot no longer in use leaves the file, so a cleared list stays cleared.
    for (int n = 0; n < StoredState::RecentSlots; ++n) {
        const RecentServerSlot& slot = state.recentServers.at(n);
        if (!slot.inUse()) {
            for (const char* stem : {"recent", "recenthost", "recentport"})
                profile_.removeKey(QStringLiteral("servers"), indexed(stem, n));
            continue;
        }
        profile_.setValue(QStringLiteral("servers"), indexed("recent", n), slot.label);
        profile_.setValue(QStringLiteral("servers"), indexed("recenthost", n), slot.host);
        profile_.setValue(QStringLiteral("servers"), indexed("recentport", n), slot.port);
    }
}

void SettingsFile::writeIgnore(const Options& options, const StoredState& state)
{
    profile_.eraseSection(QStringLiteral("IGNORE"));
    write("IGNORE", "ignoretime", QString::number(options.ignore.ignoreTime));
    writeFlag("IGNORE", "floodprotection", options.ignore.floodProtection);
    write("IGNORE", "floodlines", QString::number(options.ignore.floodLines));
    for (qsizetype i = 0; i < state.permanentIgnores.size(); ++i)
        profile_.setValue(QStringLiteral("IGNORE"), indexed("i", int(i)),
                          state.permanentIgnores.at(i));
}

void SettingsFile::writeNotify(const Options& options)
{
    QString limit;
    for (const auto column : notifyColumns)
        limit += Profile::flagText(options.notify.*column);
    write("NOTIFY", "notifylimit", limit);
    write("NOTIFY", "notifies", options.notify.nicknames.join(u','));
}

void SettingsFile::writeMessages(const Options& constOptions)
{
    // The MESSAGES tables serve reading too, so they hand out mutable fields; writing
    // only reads them.
    Options& options = const_cast<Options&>(constOptions);
    for (const TextKey& t : messageTexts)
        write("MESSAGES", t.key, t.field(options));
    for (const SwitchKey& s : messageSwitches)
        writeFlag("MESSAGES", s.key, s.field(options));
}
