#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

// DCC offers carry an IPv4 address as a number, so they need one even when the server
// connection is not IPv4: the connection's own address when it is IPv4 (an IPv4-mapped
// IPv6 address counts), else the first IPv4 address of the machine that is not a
// loopback address. Empty when there is none.
QString dccOfferAddress(const QString& connectionAddress, const QList<QHostAddress>& machine);
