#pragma once

#include "script/scriptobjects.h"

#include <QString>
#include <QStringList>

#include <optional>

// What an object's editor dialog shows and hands back, read from and written to the
// object file. A choice is the number of its radio button, or empty when the stored
// value names none (the dialog then leaves its group as it was).
struct ObjectForm
{
    // A dialog's list holds at most this many entries.
    static constexpr int MaxListItems = 101;

    ObjectType type = ObjectType::Greet;
    QString channel;
    QString network; // "network": empty for every network
    QString message; // "message" or, for protection, "kickmsg"
    QString keyword;
    QString file;
    std::optional<int> choice; // "sendas", "response" or "messageoption"
    std::optional<int> sendTo; // "sendto" or "useroption"
    QStringList list;          // "sendnicklist", "addresslist", "nicklist" or the words

    // Reads an object file; empty when it names no known type.
    static std::optional<ObjectForm> read(const QString& path);
    // Writes the type's keys, the list last; "type" stays as it is. False when the file
    // cannot be written.
    bool write(const QString& path) const;
};
