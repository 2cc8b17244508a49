#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

#include <optional>

// The secure-connection policies servers announced ("sts=port=6697,duration=2592000"),
// one per host, kept in a small file: a plain connection to a host with a live policy
// goes with TLS to the policy's port instead. Only a policy seen over TLS is kept; its
// duration counts again from each such connection, and a duration of 0 removes it. The
// file holds one "host port expiry" line per host (expiry in seconds since 1970, UTC).
class StsPolicies
{
public:
    static constexpr qsizetype MaxHosts = 1000;

    // What an "sts" value says; a missing key stays unset.
    struct Value
    {
        std::optional<int> port;
        std::optional<qint64> durationSeconds;
    };
    static Value parse(const QString& value);

    // An empty file name keeps the policies in memory only.
    explicit StsPolicies(QString fileName = QString());
    // The policies' file in a program folder.
    static QString pathIn(const QString& programFolder);

    // The TLS port for a plain connection to host; nothing when it has no live policy.
    std::optional<int> upgradePort(const QString& host, const QDateTime& now) const;
    QDateTime expiry(const QString& host) const;
    // A policy seen on a TLS connection to host on port: kept for duration seconds from
    // now, or removed when the duration is 0. Written to the file at once.
    void apply(const QString& host, int port, qint64 durationSeconds, const QDateTime& now);

    bool load();
    bool save() const;

private:
    struct Policy
    {
        int port = 0;
        QDateTime expiry;
    };
    QString fileName_;
    QHash<QString, Policy> policies_;
};
