#pragma once

#include "core/privateprofile.h"

#include <QString>
#include <QStringList>

// What the user set for one network (a folder of the server list that holds servers),
// beside what the server list itself keeps.
struct NetworkSettings
{
    bool connectAtStart = false;
    // Tried in this order; empty: the User page's nicknames.
    QStringList nicknames;
    // Joined once registered: "#channel", or "#channel key".
    QStringList channels;
    // Typed lines run once registered, before the channels are joined ("/msg NickServ ...").
    QStringList commands;
    // Lines that are not UTF-8 are read in this encoding; empty: Latin-1.
    QString encoding;
    // The client certificate (PEM, with its key) a TLS connection presents and SASL
    // EXTERNAL logs in with; empty: none.
    QString certificateFile;
    // The channels the network had open when the program last ended ("#channel" or
    // "#channel key"), joined again when it connects at start.
    QStringList openChannels;

    bool operator==(const NetworkSettings&) const = default;
};

// The networks' settings, kept in networks.ini of the program folder (only the user may
// read it: connect commands may carry passwords), one section per network named as its
// folder. The server list file is never touched, so a server list from before reads as
// it always did, and a network without a section has none of these settings.
class NetworkSettingsFile
{
public:
    explicit NetworkSettingsFile(const QString& programFolder);
    static QString fileName(const QString& programFolder);

    // A missing file is an empty one; false when the file exists but cannot be read.
    bool load();
    // False when the file cannot be kept private or written.
    bool save() const;

    NetworkSettings settings(const QString& network) const;
    // Settings equal to the defaults take the network's section away.
    void setSettings(const QString& network, const NetworkSettings& settings);

    // Text of the editor's fields: a list of names typed with blanks or commas between
    // them, and lines of which blank ones are dropped.
    static QStringList splitNames(const QString& text);
    static QStringList splitLines(const QString& text);

private:
    QString path_;
    PrivateProfile profile_;
};
