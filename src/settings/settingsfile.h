#pragma once

#include "core/options.h"
#include "core/privateprofile.h"

#include <QRect>
#include <QString>
#include <QStringList>

#include <array>

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

// quorl.ini: every setting of the client, read once at start and written once at exit.
//
// A key that is missing reads as its default (one table in settingsfile.cpp), so what the
// model held before never shows through. A value that cannot be used (a broken number, a
// choice out of range) leaves the value it would set as it was, and reading goes on with
// the next key. Keys and sections this class does not know stay in the file when it is
// written.
class SettingsFile
{
public:
    static constexpr int IgnoreKeys = 500;
    static constexpr int SoundKeys = SoundList::rowCount;

    static QString fileName(const QString& programFolder);

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
    // The key's value, or its read default when the file does not have it.
    QString value(const QString& section, const QString& key) const;
    QString value(const char* section, const char* key) const;
    void readInt(const char* section, const char* key, qint32& target);
    void readText(const char* section, const char* key, QString& target);
    void readFlagAnyButZero(const char* section, const char* key, bool& target);
    void readFlagOneOnly(const char* section, const char* key, bool& target);
    // A numbered list: count key "top" (entries minus one) and keys prefix + index.
    void readNumbered(const char* section, const char* countKey, const QString& prefix,
                      bool skipEmpty, QStringList& target);
    // Writes into the section as it is: the caller erases it first.
    void writeNumbered(const char* section, const char* countKey, const QString& prefix,
                       const QStringList& entries, bool skipBlank);
    void write(const char* section, const char* key, const QString& value);
    void writeFlag(const char* section, const char* key, bool on);
    void problem(const char* section, const char* key);

    void readScripts(Options& options);
    void readBrowser(Options& options);
    void readSounds(Options& options);
    void readNicknames(Options& options);
    void readDcc(Options& options);
    void readFileServer(Options& options);
    void readRecentServers(StoredState& state);
    void readIgnore(Options& options, StoredState& state);
    void readNotify(Options& options);
    void readDisplay(Options& options, StoredState& state);
    void readMessages(Options& options);

    void writeSounds(const Options& options);
    void writeRecentServers(const StoredState& state);
    void writeIgnore(const Options& options, const StoredState& state);
    void writeNotify(const Options& options);
    void writeMessages(const Options& options);

    PrivateProfile profile_;
    QString fileName_;
    QStringList problems_;
};
