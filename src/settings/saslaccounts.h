#pragma once

#include <QString>

#include <utility>

// The SASL accounts of servers, kept apart from the server list in sasl.ini of the
// program folder, which only the user may read (mode 0600): one section per host name in
// lower case, with the keys "account" and "password".
namespace SaslAccounts {
QString fileName(const QString& programFolder);
// Account and password for host; both empty when it has none. A file others can read is
// made private first.
std::pair<QString, QString> lookup(const QString& programFolder, const QString& host);
// Keeps account and password for host; both empty forget the host's entry. False when
// the file cannot be kept private or written.
bool store(const QString& programFolder, const QString& host, const QString& account,
           const QString& password);
} // namespace SaslAccounts
