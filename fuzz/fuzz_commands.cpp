// Typed text: the alias list (the input's first part, one alias a line) and the lines
// typed into a channel window (the second part), through escapes, aliases and every
// slash command.
#include "harness.h"

#include "client/client.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzHarness::start();
    const QList<QByteArray> parts = FuzzHarness::parts(data, size, 2);
    Client& client = FuzzHarness::connectedClient();
    client.options().textEntry.aliases = QString::fromUtf8(parts.at(0)).split(u'\n');
    ChatWindow* window = client.windows().findChannelWindow(QStringLiteral("#fuzz"));
    if (!window)
        window = client.windows().createChannelWindow(QStringLiteral("#fuzz"));
    for (const QString& typed : CommandParser::linePieces(QString::fromUtf8(parts.at(1)))) {
        client.commands().enterLine(window, typed);
        // A command may close the window or end the session.
        window = client.windows().findChannelWindow(QStringLiteral("#fuzz"));
        if (!window || !client.session().isConnected())
            break;
    }
    CommandParser::fillPlaceholders(QString::fromUtf8(parts.at(0)),
                                    QString::fromUtf8(parts.at(1)).split(u' '));
    FuzzHarness::tidy();
    return 0;
}
