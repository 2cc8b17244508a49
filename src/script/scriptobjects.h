#pragma once

#include "script/scriptobjectref.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

enum class ObjectType { Greet, Farewell, AutoOp, AutoVoice, Protect, AutoSend, OnText };

// The object types: their keywords in object files and the keys a new object is written
// with, in file order.
struct ObjectTypeInfo
{
    ObjectType type;
    QString keyword;
    std::vector<std::pair<QString, QString>> defaults;
};
const std::vector<ObjectTypeInfo>& objectTypes();
const ObjectTypeInfo* objectTypeInfo(const QString& keyword);

// One loaded script object: its type and its values as the object file holds them.
// This one record stands for every type (greeter, farewell, auto-op, auto-voice,
// auto-protect, file sender, text responder); a type reads only its own fields.
struct ScriptObject
{
    ObjectType type = ObjectType::Greet;
    QString keyword;
    QString channel;
    QString network; // empty: every network
    QString message;
    QString sendTo;
    QString sendNickList;
    QString sendAs;
    QString addressList;
    QString nickList;
    QString response;
    QString kickMsg;
    QString file;
    QString keywordText; // "keyword": the whole message that asks for the file
    QString userOption;
    QString messageOption;
    QStringList words;
};

// One entry of the current script (a row of objectlistbox): an object's name and
// whether it is loaded.
struct ScriptEntry
{
    QString name;
    bool enabled = false;

    bool operator==(const ScriptEntry&) const = default;
};

// The current script and the object list the event hook walks. Scripts live in
// "scripts/" as <name>.sct, objects in "scripts/objects/" as <name>.obj; several scripts
// may name one object file. The entries are what the scripting page shows; the object
// list holds the enabled ones, loaded, in entry order.
class Scripts : public QObject, public ScriptObjectList
{
    Q_OBJECT
public:
    enum class RenameResult { Renamed, NameTaken, InvalidName };

    explicit Scripts(const QString& programFolder, QObject* parent = nullptr);

    QString scriptsFolder() const { return programFolder_ + QStringLiteral("scripts/"); }
    QString objectsFolder() const { return scriptsFolder() + QStringLiteral("objects/"); }
    QString objectPath(const QString& name) const
    {
        return objectsFolder() + name + QStringLiteral(".obj");
    }

    // The loaded objects.
    int count() const override { return int(objects_.size()); }
    ScriptObjectRef at(int index) const override;
    const ScriptObject& object(int index) const { return objects_.at(size_t(index)); }

    const QList<ScriptEntry>& entries() const { return entries_; }
    // A file name with its extension ("Chat.sct"); empty for a new script.
    QString currentName() const { return currentName_; }
    // The page's line that names the current script.
    QString caption() const;

    void newScript();
    // Loads scripts/<fileName>. Entries whose object file is missing are left out.
    void load(const QString& fileName);
    // False when the file cannot be written.
    bool save(const QString& fileName);
    // At start: the script last used (its name without extension), when it exists.
    bool loadLast(const QString& baseName);

    // Adds the object of a file in scripts/objects/ as an unchecked entry. A name already
    // listed gets a numbered new object of the same type with the type's defaults.
    // Returns the name added, or an empty text when nothing was.
    QString addObject(const QString& objectFileName);
    // Renames the entry's object file and every script entry that names it.
    RenameResult renameObject(int index, const QString& newName);
    static bool isPlainName(const QString& name);
    void removeEntry(int index);
    // Moves an entry one place up (-1) or down (+1); false at either end.
    bool moveEntry(int index, int step);
    void setEnabled(int index, bool enabled);
    // Reads the object files of the enabled entries again.
    void rebuild();

    // The object files for the add dialog, sorted.
    QStringList objectFiles() const;

Q_SIGNALS:
    // The entries or the caption changed.
    void changed();

private:
    std::optional<ScriptObject> readObject(const QString& name) const;
    void rewriteScriptsNaming(const QString& oldName, const QString& newName) const;

    QString programFolder_;
    QString currentName_;
    QList<ScriptEntry> entries_;
    std::vector<ScriptObject> objects_;
};
