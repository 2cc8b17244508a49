#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringView>

#include <utility>

// The tags a server puts before a line ("@time=...;msgid=abc :nick!u@h PRIVMSG ..."),
// unescaped and kept as a small list of names and values. A server may send up to
// MaxTagBytes of them; a longer tag part is ignored whole, and at most MaxTags are kept,
// so a hostile line costs time in proportion to its length only.
class MessageTags
{
public:
    static constexpr qsizetype MaxTagBytes = 8191;
    static constexpr qsizetype MaxTags = 64;

    // Splits the tags off a line: the tags (empty when the line has none) and the rest
    // of the line, which starts at its prefix or command.
    static std::pair<MessageTags, QStringView> split(QStringView line);
    // The rest of a line after its tags, without parsing them.
    static QStringView withoutTags(QStringView line);

    bool isEmpty() const { return tags_.isEmpty(); }
    qsizetype count() const { return tags_.size(); }
    bool has(QStringView name) const;
    // The unescaped value; empty when the tag is missing or has no value.
    QString value(QStringView name) const;

    // When the server says the message was sent ("time", or a bouncer's
    // "znc.in/server-time-iso"); invalid when the line carries neither or a bad one.
    QDateTime time() const;
    QString msgid() const { return value(u"msgid"); }
    // The label of the command this line answers (labeled-response).
    QString label() const { return value(u"label"); }
    // The reference of the batch the line belongs to.
    QString batch() const { return value(u"batch"); }
    // The sender's services account (account-tag).
    QString account() const { return value(u"account"); }

    // Undoes the escaping of a tag value: "\:" ";", "\s" space, "\\" "\", "\r" CR,
    // "\n" LF; a backslash before any other character is dropped, one at the end too.
    static QString unescape(QStringView value);
    // The escaping a client applies to a tag value it sends.
    static QString escape(QStringView value);

private:
    QList<std::pair<QString, QString>> tags_;
};
