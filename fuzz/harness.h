#pragma once

// What every fuzz target shares: one Qt application (offscreen), a scratch program folder,
// a client whose session is connected to a loopback sink, and a guard that keeps every
// outgoing connection on this machine.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

class Client;
class Prompts;

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
// Answers no to every question and turns every offer down.
Prompts& prompts();
// Runs what the event loop has waiting.
void settle();
// The input as text, the way the client decodes server lines.
QString text(const std::uint8_t* data, std::size_t size);
// The input cut at each byte 0x00 into at most `count` parts; missing parts are empty.
QList<QByteArray> parts(const std::uint8_t* data, std::size_t size, int count);

} // namespace FuzzHarness
