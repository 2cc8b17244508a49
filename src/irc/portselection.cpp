#include "irc/portselection.h"

#include <QStringList>

namespace {
bool onlyDigitsAndCommas(const QString& text)
{
    for (QChar c : text) {
        if (!c.isDigit() && c != u',' && c != u'+')
            return false;
    }
    return true;
}

// A port has to be a number the system can connect to; a leading "+" asks for TLS.
PortChoice checked(const QString& text)
{
    const bool tls = text.startsWith(u'+');
    const QString digits = tls ? text.mid(1) : text;
    if (digits.isEmpty() || !digits.at(0).isDigit())
        return {};
    bool ok = false;
    const int port = digits.toInt(&ok);
    if (!ok || port <= 0 || port > 65535)
        return {};
    return {true, port, tls};
}

// The entry of the list that names port (with or without its "+"), or -1.
qsizetype entryOf(const QStringList& ports, int port)
{
    for (qsizetype i = 0; i < ports.size(); ++i) {
        const PortChoice choice = checked(ports.at(i));
        if (choice.valid && choice.port == port)
            return i;
    }
    return -1;
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
    if (storedPort > RegisteredPortOffset) {
        // The port that worked, encrypted when its entry asks for it.
        const int port = storedPort - RegisteredPortOffset;
        const qsizetype at = entryOf(ports, port);
        return checked(at >= 0 ? ports.at(at) : QString::number(port));
    }
    if (ports.size() == 1)
        return checked(ports.first());
    // Entries are matched whole, so 6667 is not found inside 16667.
    const qsizetype at = entryOf(ports, storedPort);
    if (at < 0 || at == ports.size() - 1)
        return checked(ports.first());
    return checked(ports.at(at + 1));
}
