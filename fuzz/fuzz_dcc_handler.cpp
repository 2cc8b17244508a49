// DCC offers and answers as another user's CTCP hands them to the client's DCC handler:
// chat and file offers (with an address and port, or passive with port 0 and a token),
// RESUME against a file this client offers, ACCEPT after a resume it asked for. The
// input's first byte chooses the offer settings and the user's answers; each further line
// is one CTCP text from the peer. Every connection an accepted offer makes fails at once
// (the harness lets none out).
#include "harness.h"

#include "client/client.h"
#include "irc/userline.h"

#include <cstdlib>

namespace {
const QString peer = QStringLiteral("peer");
// A file this client offers to the peer, for its RESUME requests to find; and a part of
// a file in the receive folder, so that an offer of the same name can be resumed.
const QString offeredName = QStringLiteral("offered.txt");
const QString partialName = QStringLiteral("partial.txt");
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzHarness::start();
    static Client& client = []() -> Client& {
        FuzzHarness::writeFile(QStringLiteral("Shared Files/") + offeredName,
                               QByteArray(1000, 'o'));
        FuzzHarness::writeFile(QStringLiteral("Received Files/") + partialName,
                               QByteArray(10, 'p'));
        return FuzzHarness::connectedClient();
    }();
    if (size == 0)
        return 0;
    FuzzHarness::connectedClient();
    DccService& dcc = client.dcc();
    DccOptions& options = client.options().dcc;
    const int choice = data[0];
    options.chatInboundAction = DccOptions::ChatOffer(choice % 3);
    options.fileInboundAction = DccOptions::FileOffer(choice / 3 % 3);
    FuzzHarness::answerOffers(ChatRequestAnswer(choice / 9 % 3), FileOfferChoice(choice / 27 % 4));
    dcc.sends().sendFile(peer, offeredName,
                         FuzzHarness::programFolder() + QStringLiteral("Shared Files/"));

    const QString text = FuzzHarness::text(data + 1, size - 1);
    for (const QString& body : text.split(u'\n')) {
        const std::optional<UserLine> line = UserLine::parse(
            QStringLiteral(":peer!someone@example.org PRIVMSG fuzzer :\x01") + body + u'\x01');
        if (line)
            dcc.handleCtcp(*line, body);
    }
    dcc.expire();

    // What an input started ends with it; so does anything it added to the ignore list.
    FuzzHarness::tidy();
    while (client.ignoreList().count() > 0)
        client.ignoreList().removeIgnore(0);
    return 0;
}
