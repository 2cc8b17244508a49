// Bytes from the server, cut into lines by the client's own framer and handled by a
// registered session: server and user messages, CTCP and DCC offers, modes, numerics.
#include "harness.h"

#include "client/client.h"
#include "irc/lineframer.h"
#include "irc/wire.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzHarness::start();
    Client& client = FuzzHarness::connectedClient();
    LineFramer framer;
    framer.append(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    framer.append("\n");
    QByteArray line;
    while (client.session().isConnected() && framer.nextLine(line))
        client.session().handleLine(Wire::decode(line));
    FuzzHarness::tidy();
    // Windows, nick lists and the outbound queue grow over many inputs; a fresh session
    // now and then keeps the process small.
    static int runs = 0;
    if (++runs % 500 == 0)
        client.session().endSession();
    return 0;
}
