#include "settings/saslaccounts.h"

#include "core/privateprofile.h"

#include <QFile>

namespace {
constexpr QFile::Permissions Private = QFile::ReadOwner | QFile::WriteOwner;

bool makePrivate(const QString& path)
{
    QFile file(path);
    constexpr QFile::Permissions Others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    return (file.permissions() & Others) == 0 || file.setPermissions(Private);
}
} // namespace

QString SaslAccounts::fileName(const QString& programFolder)
{
    return programFolder + QStringLiteral("sasl.ini");
}

std::pair<QString, QString> SaslAccounts::lookup(const QString& programFolder, const QString& host)
{
    const QString path = fileName(programFolder);
    if (!QFile::exists(path) || !makePrivate(path))
        return {};
    PrivateProfile file;
    if (!file.load(path))
        return {};
    const QString section = host.toLower();
    return {file.value(section, QStringLiteral("account")),
            file.value(section, QStringLiteral("password"))};
}

bool SaslAccounts::store(const QString& programFolder, const QString& host, const QString& account,
                         const QString& password)
{
    const QString path = fileName(programFolder);
    PrivateProfile file;
    if (QFile::exists(path) && (!makePrivate(path) || !file.load(path)))
        return false;
    const QString section = host.toLower();
    if (account.isEmpty() && password.isEmpty()) {
        if (!QFile::exists(path))
            return true;
        file.eraseSection(section);
        return file.save(path) && makePrivate(path);
    }
    file.setValue(section, QStringLiteral("account"), account);
    file.setValue(section, QStringLiteral("password"), password);
    // The file is made private before the password is written into it.
    if (!QFile::exists(path)) {
        QFile empty(path);
        if (!empty.open(QIODevice::WriteOnly) || !empty.setPermissions(Private))
            return false;
    }
    return file.save(path) && makePrivate(path);
}
