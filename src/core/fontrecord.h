#pragma once

#include <QFont>
#include <QString>

// A font as the client's files name it: a face name of at most 31 characters, kept when
// given an empty one, and a size in points. Classic face names that Linux lacks ("MS Sans
// Serif") are drawn with the platform's sans-serif font; the record keeps its name.
class FontRecord
{
public:
    static constexpr int MaxNameLength = 31;

    FontRecord() = default;
    FontRecord(const QString& name, int size)
    {
        setName(name);
        setSize(size);
    }

    QString name() const { return name_; }
    void setName(const QString& name);
    int size() const { return size_; }
    void setSize(int points) { size_ = points; }

    // The font to draw with; a face the system lacks is substituted.
    QFont toFont(bool bold = false, bool italic = false) const;

private:
    QString name_ = QStringLiteral("MS Sans Serif");
    int size_ = 8;
};
