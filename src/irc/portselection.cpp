#include "irc/portselection.h"

#include <QStringList>

namespace {
bool onlyDigitsAndCommas(const QString& text)
{
    for (QChar c : text) {
        if (!c.isDigit() && c != u',')
            return false;
    }
    return true;
}

// A port has to be a number the system can connect to.
PortChoice checked(const QString& text)
{
    bool ok = false;
    const int port = text.toInt(&ok);
    if (!ok || port <= 0 || port > 65535)
        return {};
    return {true, port};
}
} // namespace

PortChoice selectPort(const QString& portList, const QString& host, const QString& previousHost,
                      int storedPort)
{
    if (portList.isEmpty() || !onlyDigitsAndCommas(portList))
        return {};
    const QStringList ports = portList.split(u',');
    if (host != previousHost)
        return checked(ports.first());
    if (storedPort > RegisteredPortOffset)
        return checked(QString::number(storedPort - RegisteredPortOffset));
    if (ports.size() == 1)
        return checked(ports.first());
    // Entries are matched whole, so 6667 is not found inside 16667.
    const qsizetype at = ports.indexOf(QString::number(storedPort));
    if (at < 0 || at == ports.size() - 1)
        return checked(ports.first());
    return checked(ports.at(at + 1));
}
