#include "irc/stspolicies.h"

#include <QFile>
#include <QSaveFile>

namespace {
// A file line longer than this is not a policy.
constexpr qsizetype MaxLineBytes = 400;
constexpr qint64 MaxDurationSeconds = qint64(10) * 366 * 24 * 3600;

bool validPort(qint64 port)
{
    return port > 0 && port <= 65535;
}
} // namespace

StsPolicies::StsPolicies(QString fileName) : fileName_(std::move(fileName)) {}

QString StsPolicies::pathIn(const QString& programFolder)
{
    return programFolder + QStringLiteral("sts.txt");
}

StsPolicies::Value StsPolicies::parse(const QString& value)
{
    Value parsed;
    for (QStringView item : QStringView(value).split(u',', Qt::SkipEmptyParts)) {
        const qsizetype equals = item.indexOf(u'=');
        if (equals < 0)
            continue;
        const QStringView key = item.left(equals);
        bool ok = false;
        const qint64 number = item.mid(equals + 1).toLongLong(&ok);
        if (!ok || number < 0)
            continue;
        if (key == u"port" && validPort(number))
            parsed.port = int(number);
        else if (key == u"duration")
            parsed.durationSeconds = std::min(number, MaxDurationSeconds);
    }
    return parsed;
}

std::optional<int> StsPolicies::upgradePort(const QString& host, const QDateTime& now) const
{
    const auto found = policies_.constFind(host.toLower());
    if (found == policies_.constEnd() || found->expiry <= now)
        return std::nullopt;
    return found->port;
}

QDateTime StsPolicies::expiry(const QString& host) const
{
    return policies_.value(host.toLower()).expiry;
}

void StsPolicies::apply(const QString& host, int port, qint64 durationSeconds, const QDateTime& now)
{
    const QString key = host.toLower();
    if (durationSeconds <= 0) {
        if (policies_.remove(key) == 0)
            return;
    } else {
        if (!validPort(port) || (!policies_.contains(key) && policies_.size() >= MaxHosts))
            return;
        policies_.insert(key, {port, now.addSecs(std::min(durationSeconds, MaxDurationSeconds))});
    }
    save();
}

bool StsPolicies::load()
{
    policies_.clear();
    if (fileName_.isEmpty())
        return true;
    QFile file(fileName_);
    if (!file.open(QIODevice::ReadOnly))
        return !file.exists();
    while (!file.atEnd() && policies_.size() < MaxHosts) {
        const QByteArray line = file.readLine(MaxLineBytes).trimmed();
        const QList<QByteArray> words = line.split(' ');
        if (words.size() != 3)
            continue;
        bool portOk = false;
        bool expiryOk = false;
        const int port = words.at(1).toInt(&portOk);
        const qint64 expiry = words.at(2).toLongLong(&expiryOk);
        if (!portOk || !expiryOk || !validPort(port) || words.at(0).isEmpty())
            continue;
        policies_.insert(QString::fromUtf8(words.at(0)).toLower(),
                         {port, QDateTime::fromSecsSinceEpoch(expiry, Qt::UTC)});
    }
    return true;
}

bool StsPolicies::save() const
{
    if (fileName_.isEmpty())
        return true;
    QSaveFile file(fileName_);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (auto it = policies_.constBegin(); it != policies_.constEnd(); ++it) {
        file.write(it.key().toUtf8() + ' ' + QByteArray::number(it->port) + ' ' +
                   QByteArray::number(it->expiry.toSecsSinceEpoch()) + '\n');
    }
    return file.commit();
}
