#pragma once

#include <QString>

// Which port of a server's comma-separated port list to try next. Repeated attempts to a
// host that never completes registration walk through the list and wrap round; once a
// port has worked (the stored port then holds port + 1000000) it is used again. An entry
// written "+6697" is reached with TLS.
struct PortChoice
{
    bool valid = false;
    int port = 0;
    bool tls = false; // the entry was written "+port"
};

constexpr int RegisteredPortOffset = 1000000;

PortChoice selectPort(const QString& portList, const QString& host, const QString& previousHost,
                      int storedPort);
