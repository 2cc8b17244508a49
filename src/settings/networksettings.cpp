#include "settings/networksettings.h"

#include <QFile>
#include <QRegularExpression>

namespace {
constexpr QFile::Permissions OwnerOnly = QFile::ReadOwner | QFile::WriteOwner;

const QString connectKey = QStringLiteral("connect");
const QString nicknamesKey = QStringLiteral("nicknames");
const QString channelsKey = QStringLiteral("channels");
const QString commandKey = QStringLiteral("command"); // command1, command2, ...
const QString encodingKey = QStringLiteral("encoding");
const QString certificateKey = QStringLiteral("certificate");
const QString openKey = QStringLiteral("open");

// Channel entries never hold a comma (names and keys cannot), so a comma list keeps them.
QStringList splitCommas(const QString& value)
{
    QStringList out;
    for (const QString& piece : value.split(u','))
        if (!piece.trimmed().isEmpty())
            out << piece.simplified();
    return out;
}
} // namespace

NetworkSettingsFile::NetworkSettingsFile(const QString& programFolder)
    : path_(fileName(programFolder))
{
}

QString NetworkSettingsFile::fileName(const QString& programFolder)
{
    return programFolder + QStringLiteral("networks.ini");
}

bool NetworkSettingsFile::load()
{
    if (!QFile::exists(path_)) {
        profile_ = PrivateProfile();
        return true;
    }
    return profile_.load(path_);
}

bool NetworkSettingsFile::save() const
{
    // The file is made private before anything is written into it.
    QFile file(path_);
    if (!file.exists() && !file.open(QIODevice::WriteOnly))
        return false;
    file.close();
    return file.setPermissions(OwnerOnly) && profile_.save(path_);
}

NetworkSettings NetworkSettingsFile::settings(const QString& network) const
{
    NetworkSettings s;
    if (network.isEmpty() || !profile_.containsSection(network))
        return s;
    s.connectAtStart = profile_.value(network, connectKey) == u'1';
    s.nicknames = splitNames(profile_.value(network, nicknamesKey));
    s.channels = splitCommas(profile_.value(network, channelsKey));
    for (const QString& key : profile_.keys(network))
        if (key.startsWith(commandKey, Qt::CaseInsensitive))
            s.commands << profile_.value(network, key);
    s.commands.removeAll(QString());
    s.encoding = profile_.value(network, encodingKey).trimmed();
    s.certificateFile = profile_.value(network, certificateKey).trimmed();
    s.openChannels = splitCommas(profile_.value(network, openKey));
    return s;
}

void NetworkSettingsFile::setSettings(const QString& network, const NetworkSettings& s)
{
    if (network.isEmpty())
        return;
    profile_.eraseSection(network);
    if (s == NetworkSettings())
        return;
    profile_.setValue(network, connectKey,
                      s.connectAtStart ? QStringLiteral("1") : QStringLiteral("0"));
    profile_.setValue(network, nicknamesKey, s.nicknames.join(u','));
    profile_.setValue(network, channelsKey, s.channels.join(u','));
    for (qsizetype i = 0; i < s.commands.size(); ++i)
        profile_.setValue(network, commandKey + QString::number(i + 1), s.commands.at(i));
    profile_.setValue(network, encodingKey, s.encoding);
    profile_.setValue(network, certificateKey, s.certificateFile);
    profile_.setValue(network, openKey, s.openChannels.join(u','));
}

QStringList NetworkSettingsFile::splitNames(const QString& text)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    return text.split(separators, Qt::SkipEmptyParts);
}

QStringList NetworkSettingsFile::splitLines(const QString& text)
{
    QStringList out;
    for (const QString& line : text.split(u'\n'))
        if (!line.trimmed().isEmpty())
            out << line.trimmed();
    return out;
}
