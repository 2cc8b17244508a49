#pragma once

#include <QHash>
#include <QString>

struct ServerLine;

// What a server says it supports in its 005 replies ("MONITOR=100 PREFIX=(ov)@+ ..."):
// names and values, a "-NAME" taking one back. At most MaxTokens are kept, each name
// and value cut to a bound, however many replies come.
class ServerFeatures
{
public:
    static constexpr qsizetype MaxTokens = 200;
    static constexpr qsizetype MaxNameLength = 32;
    static constexpr qsizetype MaxValueLength = 200;

    // Takes the tokens of a 005 reply; any other line is left alone.
    void take(const ServerLine& line);
    bool has(const QString& name) const { return tokens_.contains(name.toUpper()); }
    // The value given with a name ("100" of "MONITOR=100"); empty when none or absent.
    QString value(const QString& name) const { return tokens_.value(name.toUpper()); }
    void clear() { tokens_.clear(); }

private:
    QHash<QString, QString> tokens_;
};
