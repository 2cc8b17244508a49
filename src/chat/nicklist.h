#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>

// The members of one channel as the nick list shows them: each entry is a rank letter
// ("a" operator, "b" voiced, "c" anyone else) and the nickname. Entries stay sorted
// without regard to case, so the letter groups operators first and voiced members next.
// A member may hold several ranks at once (an operator who is voiced too): the entry
// shows the highest, and taking it away leaves the next. What else is known of a member
// (user@host, account, real name, away) is kept beside the entries.
class NickList : public QObject
{
    Q_OBJECT
public:
    static constexpr QChar Operator = u'a';
    static constexpr QChar Voiced = u'b';
    static constexpr QChar Member = u'c';

    // What is known of one member beyond the entry.
    struct Details
    {
        QString ranks;    // every rank letter held, highest first ("ab"); empty for none
        QString userHost; // "user@host"; empty when not known
        QString account;  // the services account; empty when not logged in or not known
        QString realName;
        bool away = false;
    };

    // One word of a names reply: "@+nick!user@host" holds the ranks "ab" and a host.
    struct Name
    {
        QString nick;
        QString ranks;
        QString userHost;
    };
    static Name parseName(const QString& word);

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
    // Re-files nick under rank, which becomes the only one it holds; a nick not yet
    // listed is added.
    void setRank(const QString& nick, QChar rank);
    // Nick gains or loses one rank (Operator or Voiced) and is filed under the highest
    // it still holds; false when nick is not listed.
    bool changeRank(const QString& nick, QChar rank, bool held);
    // What is known of nick; null when nothing beyond the entry is.
    const Details* details(const QString& nick) const;
    // What the list knows of nick, one item a line: the nick, its user@host, the account
    // it is logged in as, whether it is away, its real name.
    QString describe(const QString& nick) const;
    // Each is kept only for a listed nick, and tells the view only of a change.
    void setUserHost(const QString& nick, const QString& userHost);
    void setAccount(const QString& nick, const QString& account);
    void setRealName(const QString& nick, const QString& realName);
    void setAway(const QString& nick, bool away);
    // Keeps the entry's rank letter.
    bool rename(const QString& oldNick, const QString& newNick);
    // A names reply: "@nick", "+nick" or "nick" (or with every rank and the host:
    // "@+nick!user@host"), all added before anyone is told.
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
    // The details of a listed nick, made from its entry when there were none; null when
    // nick is not listed.
    Details* detailsFor(const QString& nick);
    template <typename Field>
    void setDetail(const QString& nick, Field Details::*field, const Field& value);

    // A names reply arrives in hundreds of lines: its entries are appended as they come
    // and sorted once, when the list is next looked at.
    mutable QStringList entries_;
    mutable qsizetype sortedCount_ = 0;
    // By lower-cased nickname; only members of whom more than the entry is known.
    QHash<QString, Details> details_;
};
