#pragma once

#include "core/options.h"
#include "core/privateprofile.h"

#include <QRect>
#include <QString>
#include <QStringList>

#include <array>
#include <span>
#include <variant>

// Where the main window was at exit.
struct WindowPlacement
{
    // A file without winstate opens the window maximized.
    bool maximized = true;
    QRect bounds{100, 100, 100, 100}; // winx, winy, winwidth, winheight
};

// One of the ten recent-server slots. A slot without a label is not in use.
struct RecentServerSlot
{
    QString label;
    QString host = QStringLiteral("empty");
    QString port = QStringLiteral("empty");

    bool inUse() const { return !label.isEmpty(); }
    bool operator==(const RecentServerSlot&) const = default;
};

// The settings that live outside the options model: in the window, the server tree,
// the recent-server menu, the ignore list and the theme editor.
struct StoredState
{
    static constexpr int RecentSlots = 10;

    WindowPlacement window;
    // Position of the selected server tree node in display order; -1 when none.
    int serverListBookmark = 1;
    std::array<RecentServerSlot, RecentSlots> recentServers;
    // Nicknames or masks of the permanent ignore entries, in list order.
    QStringList permanentIgnores;
    // Lower-case name of the theme open in the theme editor; empty when none is.
    QString editorTheme;
};

class SettingsFile;

// What the settings file reads into and writes from: the options model and the state
// kept outside it.
struct SettingsModel
{
    Options& options;
    StoredState& state;
};

// One key of quorl.ini: where it lives, what it holds, what it reads as when the file
// does not have it and how its text becomes a value and back. SettingsFile::keys() is the
// one table of them, in the order they are written; reading, writing and the read
// defaults all come from it, so a new setting is a new row. A new model holds what a
// missing key reads as (a numbered list may start with entries of its own).
struct SettingKey
{
    // The read pass that reads the key; the start sequence runs them in this order.
    enum class Pass { Poster, Settings, Placement };
    enum class Rule {
        Text,           // the text as stored, written as held
        TrimmedText,    // written trimmed
        BaseName,       // written up to its first "."
        CommaList,      // entries joined by ","; empty entries are dropped on read
        FlagAnyButZero, // true unless "0"; written "1" or "0"
        FlagOneOnly,    // true only for "1"; written "1" or "0"
        FlagChoice,     // "1" sets, "0" clears, anything else leaves the flag
        Number,         // strict decimal; a broken one leaves the value and is a problem
        NumberInRange,  // a Number from min to max; one outside is a problem too
        Position,       // a Number; a negative one reads as the read default
        Limit,          // a Position written never below 0
        // Numbered lists: the key counts the entries minus one, the entries are keys
        // entryPrefix + index from 0.
        NumberedList,          // every entry, empty ones too
        NumberedSkippingEmpty, // empty entries are not read; all are written
        NumberedWithGaps,      // blank entries are neither read nor written; the
                               // numbering keeps a gap for each
        Special,               // read and written by its handler
    };

    using TextField = QString& (*)(SettingsModel);
    using FlagField = bool& (*)(SettingsModel);
    using NumberField = qint32& (*)(SettingsModel);
    using ListField = QStringList& (*)(SettingsModel);
    // A number the model keeps in another form: a choice of an enum, a side of a
    // rectangle.
    struct NumberProperty
    {
        qint32 (*get)(SettingsModel);
        void (*set)(SettingsModel, qint32);
    };
    // A key whose value does not fit one field: a list kept in its own keys, or a value
    // read against the rest of the model.
    struct Handler
    {
        void (SettingsFile::*read)(const SettingKey&, SettingsModel);
        void (SettingsFile::*write)(const SettingKey&, SettingsModel);
    };
    using Field =
        std::variant<TextField, FlagField, NumberField, NumberProperty, ListField, Handler>;

    const char* section;
    const char* key;
    // What a missing key reads as; nullptr when a missing key leaves the value as it was.
    const char* readDefault;
    Rule rule;
    Field field;
    Pass pass = Pass::Settings;
    qint32 min = 0; // NumberInRange
    qint32 max = 0;
    // The key is read only when the key onlyIfKey of its section reads as onlyIfValue.
    const char* onlyIfKey = nullptr;
    const char* onlyIfValue = nullptr;
    const char* entryPrefix = ""; // numbered lists
    // The section is erased just before this key is written, so keys of a longer list
    // do not linger; it then moves to the end of the file.
    bool erasesSection = false;
};

// quorl.ini: every setting of the client, read once at start and written once at exit.
//
// A key that is missing reads as its row's default, so what the model held before never
// shows through. A value that cannot be used (a broken number, a choice out of range)
// leaves the value it would set as it was, and reading goes on with the next key. Keys
// and sections this class does not know stay in the file when it is written.
class SettingsFile
{
public:
    static constexpr int IgnoreKeys = 500;
    static constexpr int SoundKeys = SoundList::rowCount;

    static QString fileName(const QString& programFolder);
    // Every key the client keeps, in write order.
    static std::span<const SettingKey> keys();

    explicit SettingsFile(const QString& fileName);

    // Reads the file. A missing file is an empty one; false when it exists but cannot be
    // read.
    bool load();
    // Writes the document whole and renames it into place. False when it cannot.
    bool save();
    PrivateProfile& profile() { return profile_; }

    // Read passes, in the order the start sequence runs them.
    void readPoster(Options& options);
    void readSettings(Options& options, StoredState& state);
    void readWindowPlacement(StoredState& state);

    // Puts every setting into the document (save() writes it out).
    void writeSettings(const Options& options, const StoredState& state);

    // "SECTION key" of every value the last read could not use.
    QStringList problems() const { return problems_; }

private:
    void readPass(SettingKey::Pass pass, SettingsModel model);
    void read(const SettingKey& row, SettingsModel model);
    void write(const SettingKey& row, SettingsModel model);
    // The key's value, or readDefault (a null string when nullptr) when the file does
    // not have it.
    QString value(const QString& section, const QString& key, const char* readDefault) const;
    QString value(const SettingKey& row) const;
    void readNumber(const SettingKey& row, qint32& target);
    // A numbered list: count key "top" (entries minus one) and keys prefix + index.
    void readNumbered(const SettingKey& row, bool skipEmpty, QStringList& target);
    // Writes into the section as it is: the row erases it first.
    void writeNumbered(const SettingKey& row, const QStringList& entries, bool skipBlank);
    void write(const char* section, const char* key, const QString& value);
    void problem(const SettingKey& row);

    void readSounds(const SettingKey& row, SettingsModel model);
    void writeSounds(const SettingKey& row, SettingsModel model);
    void readNicknames(const SettingKey& row, SettingsModel model);
    void writeNicknames(const SettingKey& row, SettingsModel model);
    void readCurrentNickname(const SettingKey& row, SettingsModel model);
    void writeCurrentNickname(const SettingKey& row, SettingsModel model);
    void readRecentServers(const SettingKey& row, SettingsModel model);
    void writeRecentServers(const SettingKey& row, SettingsModel model);
    void readPermanentIgnores(const SettingKey& row, SettingsModel model);
    void writePermanentIgnores(const SettingKey& row, SettingsModel model);
    void readNotifyColumns(const SettingKey& row, SettingsModel model);
    void writeNotifyColumns(const SettingKey& row, SettingsModel model);
    void readEditorTheme(const SettingKey& row, SettingsModel model);
    void writeEditorTheme(const SettingKey& row, SettingsModel model);

    PrivateProfile profile_;
    QString fileName_;
    QStringList problems_;
};
