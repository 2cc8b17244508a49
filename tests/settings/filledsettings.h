#pragma once

#include "settings/settingsfile.h"

// A model and state in which every value differs from its default.
inline void fillEverything(Options& o, StoredState& s)
{
    o.user.nicknames = QStringList{"ada", "Bob", "carol"};
    o.user.nickname = "Bob";
    o.user.realName = "Ada Lovelace";
    o.user.email = "ada@example.org";
    o.user.ident = "ada";
    o.connection.quitMessage = "bye \\bnow";
    o.connection.sendQuitMessage = true;
    o.connection.away = true;
    o.connection.awayMessage = "out";
    o.connection.invisible = true;
    o.connection.reconnect = false;
    o.connection.autoJoinOnInvite = true;
    o.ctcp.answerVersion = true;
    o.ctcp.versionText = "my version";
    o.ctcp.messageOnTime = true;
    o.ctcp.timeMessage = "tick";
    o.ctcp.messageOnPing = true;
    o.ctcp.pingMessage = "pong";
    o.display.themeUses = QStringList{"dark,CH#a", "quorl,CH!unused!,PC!unused!,DC!unused!"};
    o.display.autoLog = true;
    o.display.hideTraffic = true;
    o.display.ignorePrivateChats = true;
    o.display.sayOnLeave = true;
    o.display.leaveMessage = "later";
    o.display.historyLimit = 5000;
    o.history = {false, false, 30, 200, 200, 5000};
    o.sound.soundlist.entry(0) = {true, "/snd/connect.wav"};
    o.sound.soundlist.entry(34) = {false, "/snd/mode.mid"};
    o.sound.acceptRequests = true;
    o.sound.privateRequests = true;
    o.sound.soundFolder = "/snd/";
    o.sound.linkDialogFolder = "/snd/link/";
    o.sound.playDialogFolder = "/snd/play/";
    o.ignore.ignoreTime = 7;
    o.ignore.floodProtection = true;
    o.ignore.floodLines = 42;
    o.notify.nicknames = QStringList{"zed", "amy"};
    o.notify.showChannels = false;
    o.notify.showVersion = false;
    o.textEntry.aliases = QStringList{"/hi /msg $1 hello", "", "/j /join $1"};
    o.dcc.chatInboundAction = DccOptions::ChatOffer::Prompt;
    o.dcc.fileInboundAction = DccOptions::FileOffer::Ignore;
    o.dcc.saveFolder = "/data/in/";
    o.dcc.filters = QStringList{"*.wav /snd", "*.mid /midi"};
    o.dcc.passive = true;
    o.dcc.resumeAutomatically = true;
    o.dcc.maxIncoming = 3;
    o.fileServer.root = "/srv/shared/";
    o.fileServer.trigger = "!files";
    o.fileServer.maxUsers = 20;
    o.fileServer.maxGets = 1;
    o.fileServer.greeting = "welcome.txt";
    o.appearance.lastPoster = "sky.bmp";
    o.appearance.noPoster = true;
    o.appearance.tileFrameColor = 0x00ff8000;
    o.browser.useOther = true;
    o.browser.path = "/usr/bin/firefox";
    o.menuMod.modName = "Classic.mnu";
    o.scripts.lastScript = "greet";
    o.channels.favourites = QStringList{"#a", "", "#c"};
    s.window.maximized = false;
    s.window.bounds = QRect(-5, 20, 640, 480);
    s.serverListBookmark = 12;
    s.recentServers.at(0) = {"Home", "irc.home", "6667"};
    s.recentServers.at(9) = {"Work", "irc.work", "7000"};
    s.permanentIgnores = QStringList{"spammer", "*!*@bad.host"};
    s.editorTheme = "dark";
}
