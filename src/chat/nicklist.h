#pragma once

#include <QObject>
#include <QStringList>

// The members of one channel as the nick list shows them: each entry is a rank letter
// ("a" operator, "b" voiced, "c" anyone else) and the nickname. Entries stay sorted
// without regard to case, so the letter groups operators first and voiced members next.
class NickList : public QObject
{
    Q_OBJECT
public:
    static constexpr QChar Operator = u'a';
    static constexpr QChar Voiced = u'b';
    static constexpr QChar Member = u'c';

    using QObject::QObject;

    const QStringList& entries() const
    {
        ensureSorted();
        return entries_;
    }
    qsizetype count() const { return entries_.size(); }

    // The first entry for nick, or -1.
    qsizetype indexOf(const QString& nick) const;
    // The rank letter of nick's entry, or a null QChar when nick is not listed.
    QChar rankOf(const QString& nick) const;

    void add(QChar rank, const QString& nick);
    bool remove(const QString& nick);
    // Re-files nick under rank; a nick not yet listed is added.
    void setRank(const QString& nick, QChar rank);
    // Keeps the entry's rank letter.
    bool rename(const QString& oldNick, const QString& newNick);
    // A names reply: "@nick", "+nick" or "nick", all added before anyone is told.
    void addNames(const QStringList& names);
    void clear();

    // "@" + nick, "+" + nick, or the nick alone.
    static QString displayText(const QString& entry);
    static QString nickOf(const QString& entry) { return entry.mid(1); }
    // The entry a names-reply word becomes.
    static QString entryForName(const QString& name);

Q_SIGNALS:
    void changed();

private:
    void insertSorted(const QString& entry);
    void ensureSorted() const;

    // A names reply arrives in hundreds of lines: its entries are appended as they come
    // and sorted once, when the list is next looked at.
    mutable QStringList entries_;
    mutable qsizetype sortedCount_ = 0;
};
