#pragma once

#include <QString>

// Which port of a server's comma-separated port list to try next. Repeated attempts to a
// host that never completes registration walk through the list and wrap round; once a
// port has worked (the stored port then holds port + 1000000) it is used again.
struct PortChoice
{
    bool valid = false;
    int port = 0;
};

constexpr int RegisteredPortOffset = 1000000;

PortChoice selectPort(const QString& portList, const QString& host, const QString& previousHost,
                      int storedPort);
