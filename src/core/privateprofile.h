#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// A private-profile (Windows INI) file held in memory: "[section]" header lines and
// "key=value" lines. The settings file, themes, scripts and menu mods all go through it.
//
// - Section and key names compare without regard to case; the first matching section
//   and the first matching key in it win, as with the Windows functions.
// - Names and values are trimmed of spaces and tabs around them. Quotes around a value
//   are part of it (Windows drops them, so a quoted value written could not be read back).
// - A read returns at most MaxValueLength characters of a value.
// - Lines are read with CR LF or LF endings and written with CR LF. Lines this class
//   does not understand (comments, blank lines, keys before any section) and every key
//   it is not told to change are written back byte for byte, in their order.
// - Values are bytes in the file: decoded as UTF-8 when valid, else as Latin-1; written
//   as UTF-8.
// - save() writes the whole file to a temporary file and renames it into place.
class PrivateProfile
{
public:
    static constexpr int MaxValueLength = 1023;

    PrivateProfile() = default;
    // Loads fileName at once; a missing file gives an empty document bound to that name.
    explicit PrivateProfile(const QString& fileName);

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
    bool contains(const QString& section, const QString& key) const;
    bool containsSection(const QString& section) const;
    // Key names of a section in file order, as spelled in the file.
    QStringList keys(const QString& section) const;
    // Every key of a section with its whole value, in file order, in one pass: for readers
    // that take a large section key by key.
    QList<std::pair<QString, QString>> entries(const QString& section) const;

    // Replaces the key's value in place, or adds the key after the last line of its
    // section, or adds the section at the end of the file. Line breaks in the value
    // become spaces: a value must never start a new line of the file.
    void setValue(const QString& section, const QString& key, const QString& value);
    void removeKey(const QString& section, const QString& key);
    // Removes the section's header and every line up to the next section.
    void eraseSection(const QString& section);

private:
    struct Line
    {
        enum Kind { Other, Section, Key };
        Kind kind = Other;
        QByteArray raw;
        QString name; // section or key name, trimmed, as spelled
        QString value;
    };

    static Line parseLine(const QByteArray& raw);
    // Index of the section's header line, or -1.
    qsizetype findSection(const QString& section) const;
    // One past the section's last line (the next header or the end of the document).
    qsizetype sectionEnd(qsizetype header) const;
    qsizetype findKey(const QString& section, const QString& key) const;

    QString fileName_;
    bool utf8Bom_ = false;
    QList<Line> lines_;
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
