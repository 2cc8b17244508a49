#pragma once

// What every fuzz target shares: one Qt application (offscreen), a scratch program folder,
// a client whose session is connected to a loopback sink, and a guard that keeps every
// outgoing connection on this machine.

#include "core/prompts.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

class Client;

namespace FuzzHarness {

// Creates the application once; every target calls it first.
void start();
// A program folder of its own for this process, ending in "/", with the folders the
// client expects. Created on the first call.
QString programFolder();
// Writes bytes to programFolder() + relativePath, creating folders on the way.
void writeFile(const QString& relativePath, const QByteArray& bytes);
// The client, registered as "fuzzer" with a server at 127.0.0.1 that reads and drops
// what it is sent. Connects again whenever the session was ended.
Client& connectedClient();
// A client whose session has just connected and not registered: the server's answers to
// its registration (CAP, AUTHENTICATE, numerics) come next. What it sends goes nowhere.
Client& newConnection();
// Answers no to every question; DCC offers get these answers (at first Reject).
Prompts& prompts();
void answerOffers(ChatRequestAnswer chat, FileOfferChoice file);
// Puts back what an input may have left in the client and that would otherwise pile up
// over a run: DCC offers and transfers, lines waiting to be sent, status lines, windows.
void tidy();
// Runs what the event loop has waiting.
void settle();
// The input as text, the way the client decodes server lines.
QString text(const std::uint8_t* data, std::size_t size);
// The input cut at each byte 0x00 into at most `count` parts; missing parts are empty.
QList<QByteArray> parts(const std::uint8_t* data, std::size_t size, int count);

} // namespace FuzzHarness
