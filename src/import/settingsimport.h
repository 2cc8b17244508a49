#pragma once

#include "settings/servertree.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class NotifyList;
struct UserOptions;

// What one import found in another client's folder, before anything of the running
// client is touched. Each part is present only when the source had it.
struct ImportedSettings
{
    std::optional<QStringList> notify;    // replaces the notify list
    std::optional<QString> ident;         // identdtext
    std::optional<QString> realName;      // nametext
    std::optional<QString> email;         // emailtext
    std::optional<QStringList> nicknames; // replaces mynicklistbox
    QString nickname;                     // becomes the current nickname with nicknames
    QStringList moreNicknames;            // added to mynicklistbox; the current one stays
    // Nicknames the source named that servers would refuse; none of them is taken.
    QStringList refusedNicknames;
    // The folder "Imported " + source with its groups and servers; null when the source
    // held no server that could be read.
    std::unique_ptr<ServerNode> folder;
    int serverCount = 0;
    // The servers were found: "Successfully Imported". Without them the import reports
    // "Cannot find settings in this Folder" and changes nothing.
    bool found() const { return folder != nullptr; }
};

// Reads the settings of other clients for the import dialog: mIRC 4.10 to 5.02 (mirc.ini,
// servers.ini) and the older releases 1.20 to 1.24 (quorlirc.ini, servmstr.ini).
namespace SettingsImport {
// The sources in the order of the dialog's list (clientname).
const QStringList& sources();
// Reads the source's files in folder. An unknown source finds nothing.
ImportedSettings read(const QString& source, const QString& folder);
// Puts what was found into the running client. Does nothing unless found().
void apply(ImportedSettings& settings, UserOptions& user, NotifyList& notify, ServerTree& tree);

// One mIRC server entry, [group ":" one character] description "SERVER:" host ":" ports
// "GROUP:" id. Returns false for an entry that does not follow that form.
struct MircServer
{
    QString group;
    QString description;
    QString host;
    QString ports;
};
std::optional<MircServer> parseMircServer(const QString& entry);
} // namespace SettingsImport
