#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// A private-profile (Windows INI) file held in memory: "[section]" header lines and
// "key=value" lines. The settings file, themes, scripts and menu mods all go through it.
//
// - Section and key names compare without regard to case; the first matching section
//   and the first matching key in it win, as with the Windows functions.
// - Names and values are trimmed of spaces and tabs around them. Quotes around a value
//   are part of it (Windows drops them, so a quoted value written could not be read back).
// - Values are read and written whole, however long. classicValue() reads as the
//   Windows functions do, at most ClassicValueLength characters: for files another
//   program wrote.
// - Lines are read with CR LF or LF endings and written with CR LF. Lines this class
//   does not understand (comments, blank lines, keys before any section) and every key
//   it is not told to change are written back byte for byte, in their order.
// - Values are bytes in the file: decoded as UTF-8 when valid, else as Latin-1; written
//   as UTF-8.
// - save() writes the whole file to a temporary file and renames it into place.
//
// The file's bytes are kept as read; lines are places in them. Sections are found
// through an index of their names made at load, keys through an index of a section's
// key names made the first time the section is looked in.
class PrivateProfile
{
public:
    static constexpr int ClassicValueLength = 1023;

    PrivateProfile();
    // Loads fileName at once; a missing file gives an empty document bound to that name.
    explicit PrivateProfile(const QString& fileName);
    PrivateProfile(const PrivateProfile& other);
    PrivateProfile& operator=(const PrivateProfile& other);
    PrivateProfile(PrivateProfile&& other) noexcept;
    PrivateProfile& operator=(PrivateProfile&& other) noexcept;
    ~PrivateProfile();

    // Replaces the document with the file's lines. Returns false when the file cannot
    // be read (the document is then empty, still bound to fileName for save()).
    bool load(const QString& fileName);
    // Writes the document to the file it was loaded from (or fileName when given).
    // Returns false when the file cannot be written; the old file is then untouched.
    bool save(const QString& fileName = QString()) const;
    QString fileName() const { return fileName_; }

    void setBytes(const QByteArray& bytes);
    QByteArray toBytes() const;

    // The value of key in section, or defaultValue when either is missing.
    QString value(const QString& section, const QString& key,
                  const QString& defaultValue = QString()) const;
    // The same, cut to ClassicValueLength characters (never half a character).
    QString classicValue(const QString& section, const QString& key,
                         const QString& defaultValue = QString()) const;
    bool contains(const QString& section, const QString& key) const;
    bool containsSection(const QString& section) const;
    // Key names of a section in file order, as spelled in the file.
    QStringList keys(const QString& section) const;

    // Replaces the key's value in place, or adds the key after the last line of its
    // section, or adds the section at the end of the file. Line breaks in the value
    // become spaces: a value must never start a new line of the file. A key that would
    // read as a section header (one starting with "[") is not written.
    void setValue(const QString& section, const QString& key, const QString& value);
    void removeKey(const QString& section, const QString& key);
    // Removes the section's header and every line up to the next section.
    void eraseSection(const QString& section);

private:
    enum class Kind : quint8 { Other, Section, Key, Removed };

    struct Line
    {
        qint64 at = 0;    // offset in text_, or -1 - its index in owned_
        quint32 size = 0; // bytes at that offset (lines in owned_ have their own size)
        Kind kind = Kind::Other;
    };

    // Entries (section numbers, or lines of a section) by the hash of their folded name:
    // open addressing, entry + 1 per slot, 0 for an empty slot.
    struct NameTable
    {
        std::vector<quint32> slots;
        qsizetype count = 0;
    };

    struct KeyIndex
    {
        NameTable table;           // line numbers in the section's body
        std::vector<quint32> next; // per line: the next line of the same key name, or None
        std::vector<quint32> hash; // per line: its key name's hash
    };

    // What a section gains once it is looked in or changed.
    struct Extra
    {
        bool ownsLines = false; // header and body are here, not in lines_
        Line header;
        std::vector<Line> body;
        std::unique_ptr<KeyIndex> keys;
    };

    struct Section
    {
        qsizetype header = 0; // the header's number in lines_, while not ownsLines
        qsizetype count = 0;  // lines after it in lines_; -1 once erased
        quint32 hash = 0;     // of the folded name
        quint32 next = 0;     // the next live section of the same name, or None
        mutable std::unique_ptr<Extra> extra;

        Section() = default;
        Section(const Section& other);
        Section& operator=(const Section& other);
        Section(Section&&) noexcept = default;
        Section& operator=(Section&&) noexcept = default;
    };

    struct Body
    {
        Line* lines;
        qsizetype size;
    };

    static constexpr quint32 None = 0xFFFFFFFFu;

    static Kind kindOf(QByteArrayView raw);

    QByteArrayView bytesOf(const Line& line) const;
    const Line& headerOf(const Section& section) const;
    Body bodyOf(const Section& section) const;
    Extra& extraOf(const Section& section) const;
    // Gives the section a body of its own, so lines can be added to it.
    std::vector<Line>& ownBody(Section& section);
    Line ownedLine(const QByteArray& raw, Kind kind);
    void setLineBytes(Line& line, const QByteArray& raw);

    quint32 findSection(const QString& section) const;
    void addSectionToIndex(quint32 number);
    const KeyIndex& keyIndex(const Section& section) const;
    // The key's line in the section's body, or None.
    quint32 findKey(const Section& section, const QString& key) const;
    void addKeyToIndex(const Section& section, quint32 line);

    QString fileName_;
    bool utf8Bom_ = false;
    QByteArray text_;               // the bytes as loaded
    std::vector<QByteArray> owned_; // lines written or changed since
    std::vector<Line> lines_;       // the lines as loaded
    qsizetype preamble_ = 0;        // lines before the first section
    std::vector<Section> sections_; // in file order, erased ones too
    NameTable sectionNames_;
};

// One-shot access for callers that touch a single key. Each write loads and saves the
// whole file: for many writes use a PrivateProfile document.
namespace Profile {
QString readString(const QString& fileName, const QString& section, const QString& key,
                   const QString& defaultValue);
bool writeString(const QString& fileName, const QString& section, const QString& key,
                 const QString& value);
bool eraseSection(const QString& fileName, const QString& section);

// The value conventions of the client's files.
// True unless the value is exactly "0".
bool flagAnyButZero(const QString& value);
// True only when the value is exactly "1".
bool flagOneOnly(const QString& value);
// "1" or "0".
QString flagText(bool on);
// A whole decimal number with an optional sign that fits 32 bits, nothing else.
std::optional<qint32> strictInt(const QString& value);
} // namespace Profile
