// The table of quorl.ini's keys. Its order is the order of writing: a key new to a file
// goes at the end of its section, a section new to it (or one that is erased and written
// again) at the end of the file, so the order decides the bytes of the file.
#include "settings/settingsfile.h"

#include <type_traits>

namespace {
using Key = SettingKey;
using Rule = SettingKey::Rule;

// The member at the end of a path of members.
template <class Object, class Member, class... Rest>
auto& follow(Object& object, Member member, Rest... rest)
{
    if constexpr (sizeof...(Rest) == 0)
        return object.*member;
    else
        return follow(object.*member, rest...);
}

// The field a key reads into, by its path in the options or in the stored state.
template <auto... Path> auto& option(SettingsModel model)
{
    return follow(model.options, Path...);
}

template <auto... Path> auto& stored(SettingsModel model)
{
    return follow(model.state, Path...);
}

// A choice kept as an enum, read and written as its number.
template <auto... Path> constexpr Key::NumberProperty choice()
{
    return {[](SettingsModel model) { return qint32(option<Path...>(model)); },
            [](SettingsModel model, qint32 value) {
                auto& field = option<Path...>(model);
                field = std::remove_reference_t<decltype(field)>(value);
            }};
}

constexpr Key::NumberProperty windowLeft{
    [](SettingsModel model) { return qint32(model.state.window.bounds.x()); },
    [](SettingsModel model, qint32 value) { model.state.window.bounds.moveLeft(value); }};
constexpr Key::NumberProperty windowTop{
    [](SettingsModel model) { return qint32(model.state.window.bounds.y()); },
    [](SettingsModel model, qint32 value) { model.state.window.bounds.moveTop(value); }};
constexpr Key::NumberProperty windowWidth{
    [](SettingsModel model) { return qint32(model.state.window.bounds.width()); },
    [](SettingsModel model, qint32 value) { model.state.window.bounds.setWidth(value); }};
constexpr Key::NumberProperty windowHeight{
    [](SettingsModel model) { return qint32(model.state.window.bounds.height()); },
    [](SettingsModel model, qint32 value) { model.state.window.bounds.setHeight(value); }};

constexpr Key inPass(Key key, Key::Pass pass)
{
    key.pass = pass;
    return key;
}

constexpr Key inRange(Key key, qint32 min, qint32 max)
{
    key.min = min;
    key.max = max;
    return key;
}

constexpr Key onlyIf(Key key, const char* otherKey, const char* value)
{
    key.onlyIfKey = otherKey;
    key.onlyIfValue = value;
    return key;
}

constexpr Key erasing(Key key)
{
    key.erasesSection = true;
    return key;
}

constexpr Key withEntryPrefix(Key key, const char* prefix)
{
    key.entryPrefix = prefix;
    return key;
}

constexpr Key placement(Key key)
{
    return onlyIf(inPass(key, Key::Pass::Placement), "winstate", "0");
}
} // namespace

std::span<const SettingKey> SettingsFile::keys()
{
    using O = Options;
    using H = Key::Handler;
    static const Key table[] = {
        {"MISC", "modname", "1", Rule::Text, &option<&O::menuMod, &MenuModOptions::modName>},
        {"SCRIPTS", "last", "0dsae", Rule::BaseName,
         &option<&O::scripts, &ScriptOptions::lastScript>},
        erasing({"FILTERS", "top", nullptr, Rule::NumberedWithGaps,
                 &option<&O::dcc, &DccOptions::filters>}),
        erasing({"ALIASES", "top", nullptr, Rule::NumberedList,
                 &option<&O::textEntry, &TextEntryOptions::aliases>}),
        // "0" is a window placed by the four keys after it; any other value is maximized.
        inPass({"MISC", "winstate", "100", Rule::FlagAnyButZero,
                &stored<&StoredState::window, &WindowPlacement::maximized>},
               Key::Pass::Placement),
        placement({"MISC", "winx", "100", Rule::Number, windowLeft}),
        placement({"MISC", "winy", "100", Rule::Number, windowTop}),
        placement({"MISC", "winwidth", "100", Rule::Number, windowWidth}),
        placement({"MISC", "winheight", "100", Rule::Number, windowHeight}),
        {"servers", "serverlistbookmark", "1", Rule::Position,
         &stored<&StoredState::serverListBookmark>},
        {"MISC", "tileframecolor", "0", Rule::Number,
         &option<&O::appearance, &AppearanceOptions::tileFrameColor>},
        inPass({"MISC", "lastposter", "fl2xfvc.dcm", Rule::Text,
                &option<&O::appearance, &AppearanceOptions::lastPoster>},
               Key::Pass::Poster),
        inPass({"MISC", "useposter", "0", Rule::FlagOneOnly,
                &option<&O::appearance, &AppearanceOptions::noPoster>},
               Key::Pass::Poster),
        {"MISC", "browseroverride", "0", Rule::FlagChoice,
         &option<&O::browser, &BrowserOptions::useOther>},
        // Without "Use this Instead..." the path is not read.
        onlyIf({"MISC", "browserpath", "0", Rule::TrimmedText,
                &option<&O::browser, &BrowserOptions::path>},
               "browseroverride", "1"),
        {"SOUND", "raccept", "0", Rule::FlagAnyButZero,
         &option<&O::sound, &SoundOptions::acceptRequests>},
        {"SOUND", "rprivate", "0", Rule::FlagAnyButZero,
         &option<&O::sound, &SoundOptions::privateRequests>},
        // s0 .. s34
        {"SOUND", "s", "0,", Rule::Special,
         H{&SettingsFile::readSounds, &SettingsFile::writeSounds}},
        {"SOUND", "pdefaultsoundpath", "", Rule::Text,
         &option<&O::sound, &SoundOptions::soundFolder>},
        {"SOUND", "sounddialogpath", "", Rule::Text,
         &option<&O::sound, &SoundOptions::linkDialogFolder>},
        {"SOUND", "psounddialogpath", "", Rule::Text,
         &option<&O::sound, &SoundOptions::playDialogFolder>},
        {"user", "nicks", "", Rule::Special,
         H{&SettingsFile::readNicknames, &SettingsFile::writeNicknames}},
        {"user", "lastnick", "Yournick", Rule::Special,
         H{&SettingsFile::readCurrentNickname, &SettingsFile::writeCurrentNickname}},
        {"MISC", "autolog", "0", Rule::FlagAnyButZero,
         &option<&O::display, &DisplayOptions::autoLog>},
        {"MISC", "ignoretraffic", "0", Rule::FlagAnyButZero,
         &option<&O::display, &DisplayOptions::hideTraffic>},
        {"user", "name", "", Rule::TrimmedText, &option<&O::user, &UserOptions::realName>},
        {"user", "email", "", Rule::TrimmedText, &option<&O::user, &UserOptions::email>},
        {"user", "identd", "", Rule::TrimmedText, &option<&O::user, &UserOptions::ident>},
        // recent0 .. recent9 with recenthostN and recentportN
        {"servers", "recent", "", Rule::Special,
         H{&SettingsFile::readRecentServers, &SettingsFile::writeRecentServers}},
        // An index into the eight durations "1 minute" .. "Permanent".
        erasing(inRange({"IGNORE", "ignoretime", "3", Rule::NumberInRange,
                         &option<&O::ignore, &IgnoreOptions::ignoreTime>},
                        0, 7)),
        {"IGNORE", "floodprotection", "0", Rule::FlagChoice,
         &option<&O::ignore, &IgnoreOptions::floodProtection>},
        inRange({"IGNORE", "floodlines", "10", Rule::NumberInRange,
                 &option<&O::ignore, &IgnoreOptions::floodLines>},
                OptionLimits::floodLinesMin, OptionLimits::floodLinesMax),
        // i0 .. i499
        {"IGNORE", "i", "", Rule::Special,
         H{&SettingsFile::readPermanentIgnores, &SettingsFile::writePermanentIgnores}},
        {"DCC", "filesavefolder", "", Rule::Text, &option<&O::dcc, &DccOptions::saveFolder>},
        // "0" Get File without Prompt, "1" Prompt, "2" Ignore It
        inRange({"DCC", "fileinboundaction", "0", Rule::NumberInRange,
                 choice<&O::dcc, &DccOptions::fileInboundAction>()},
                0, 2),
        // "0" Ignore it, "1" Accept without Prompt, "2" Prompt
        inRange({"DCC", "chatinboundaction", "0", Rule::NumberInRange,
                 choice<&O::dcc, &DccOptions::chatInboundAction>()},
                0, 2),
        {"DCC", "passive", "0", Rule::FlagOneOnly, &option<&O::dcc, &DccOptions::passive>},
        {"DCC", "autoresume", "0", Rule::FlagOneOnly,
         &option<&O::dcc, &DccOptions::resumeAutomatically>},
        inRange({"DCC", "maxincoming", "10", Rule::NumberInRange,
                 &option<&O::dcc, &DccOptions::maxIncoming>},
                OptionLimits::dccIncomingMin, OptionLimits::dccIncomingMax),
        // Without a stored root the client's own choice stays (the program folder's
        // "Shared Files"), never an empty root that serves nothing. The on/off switch is
        // not kept: the file server starts off in every run.
        {"FILESERVER", "root", nullptr, Rule::TrimmedText,
         &option<&O::fileServer, &FileServerOptions::root>},
        {"FILESERVER", "trigger", "!FileServe", Rule::TrimmedText,
         &option<&O::fileServer, &FileServerOptions::trigger>},
        inRange({"FILESERVER", "maxusers", "5", Rule::NumberInRange,
                 &option<&O::fileServer, &FileServerOptions::maxUsers>},
                OptionLimits::fileServerSliderMin, OptionLimits::fileServerSliderMax),
        inRange({"FILESERVER", "maxgets", "3", Rule::NumberInRange,
                 &option<&O::fileServer, &FileServerOptions::maxGets>},
                OptionLimits::fileServerSliderMin, OptionLimits::fileServerSliderMax),
        {"FILESERVER", "greet", "", Rule::Text,
         &option<&O::fileServer, &FileServerOptions::greeting>},
        {"NOTIFY", "notifylimit", "11111111", Rule::Special,
         H{&SettingsFile::readNotifyColumns, &SettingsFile::writeNotifyColumns}},
        {"NOTIFY", "notifies", "", Rule::CommaList, &option<&O::notify, &NotifyOptions::nicknames>},
        erasing({"DISPLAY", "recent", "0", Rule::Special,
                 H{&SettingsFile::readEditorTheme, &SettingsFile::writeEditorTheme}}),
        {"DISPLAY", "lasttheme", "0", Rule::NumberedSkippingEmpty,
         &option<&O::display, &DisplayOptions::themeUses>},
        {"DISPLAY", "historylimit", "200000", Rule::Limit,
         &option<&O::display, &DisplayOptions::historyLimit>},
        {"MESSAGES", "quit", "", Rule::Text,
         &option<&O::connection, &ConnectionOptions::quitMessage>},
        {"MESSAGES", "leave", "", Rule::Text, &option<&O::display, &DisplayOptions::leaveMessage>},
        {"MESSAGES", "time", "", Rule::Text, &option<&O::ctcp, &CtcpReplyOptions::timeMessage>},
        {"MESSAGES", "version", "", Rule::Text, &option<&O::ctcp, &CtcpReplyOptions::versionText>},
        {"MESSAGES", "ping", "", Rule::Text, &option<&O::ctcp, &CtcpReplyOptions::pingMessage>},
        {"MESSAGES", "away", "", Rule::Text,
         &option<&O::connection, &ConnectionOptions::awayMessage>},
        // The switches are stored under crossed names: the VERSION switch as "xtime", the
        // away switch as "xversion", the TIME switch as "xaway". Files of every release
        // use this crossing, so it stays.
        {"MESSAGES", "xquit", "", Rule::FlagOneOnly,
         &option<&O::connection, &ConnectionOptions::sendQuitMessage>},
        {"MESSAGES", "xleave", "", Rule::FlagOneOnly,
         &option<&O::display, &DisplayOptions::sayOnLeave>},
        {"MESSAGES", "xtime", "", Rule::FlagOneOnly,
         &option<&O::ctcp, &CtcpReplyOptions::answerVersion>},
        {"MESSAGES", "xversion", "", Rule::FlagOneOnly,
         &option<&O::connection, &ConnectionOptions::away>},
        {"MESSAGES", "xping", "", Rule::FlagOneOnly,
         &option<&O::ctcp, &CtcpReplyOptions::messageOnPing>},
        {"MESSAGES", "xaway", "", Rule::FlagOneOnly,
         &option<&O::ctcp, &CtcpReplyOptions::messageOnTime>},
        erasing(withEntryPrefix({"CHANNELS", "topfav", nullptr, Rule::NumberedList,
                                 &option<&O::channels, &ChannelListOptions::favourites>},
                                "fav")),
        {"MESSAGES", "joinoninvite", "0", Rule::FlagOneOnly,
         &option<&O::connection, &ConnectionOptions::autoJoinOnInvite>},
        {"MESSAGES", "invisible", "0", Rule::FlagOneOnly,
         &option<&O::connection, &ConnectionOptions::invisible>},
        // Files written before the switch existed keep reconnecting, as a new one does.
        {"MESSAGES", "reconnect", "1", Rule::FlagOneOnly,
         &option<&O::connection, &ConnectionOptions::reconnect>},
        {"MESSAGES", "highlights", "", Rule::CommaList,
         &option<&O::display, &DisplayOptions::highlightWords>},
        {"MESSAGES", "notifications", "1", Rule::FlagOneOnly,
         &option<&O::display, &DisplayOptions::notifications>},
        {"MESSAGES", "timestamps", "0", Rule::FlagOneOnly,
         &option<&O::display, &DisplayOptions::timestamps>},
        {"PRIVATECHAT", "ignoreall", "0", Rule::FlagOneOnly,
         &option<&O::display, &DisplayOptions::ignorePrivateChats>},
        {"HISTORY", "enabled", "1", Rule::FlagAnyButZero,
         &option<&O::history, &HistoryOptions::enabled>},
        {"HISTORY", "private", "1", Rule::FlagAnyButZero,
         &option<&O::history, &HistoryOptions::privateChats>},
        {"HISTORY", "keepdays", "0", Rule::Limit, &option<&O::history, &HistoryOptions::keepDays>},
        {"HISTORY", "reopenlines", "500", Rule::Limit,
         &option<&O::history, &HistoryOptions::reopenLines>},
        {"HISTORY", "fetchlines", "200", Rule::Limit,
         &option<&O::history, &HistoryOptions::fetchLines>},
        {"HISTORY", "memorylines", "10000", Rule::Limit,
         &option<&O::history, &HistoryOptions::memoryLines>},
    };
    return table;
}
