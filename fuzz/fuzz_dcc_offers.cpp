// DCC offer texts as they arrive inside CTCP: chat and send offers, resume requests, the
// address forms and the name a received file is saved under.
#include "harness.h"

#include "dcc/dccwire.h"
#include "irc/wire.h"

#include <QDir>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzHarness::start();
    const QString body = FuzzHarness::text(data, size);
    DccWire::parseChatOffer(body);
    DccWire::parseResumeRequest(body);
    DccWire::decimalToDotted(body);
    DccWire::dottedToDecimal(body);
    const DccWire::ParsedSendOffer send = DccWire::parseSendOffer(body);
    if (send.problem == DccWire::OfferProblem::None) {
        // An accepted offer names a plain file: never a folder, never a way out of the
        // folder it is saved in.
        const QString name = send.offer.fileName;
        if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\') || name == u"." ||
            name == u"..")
            std::abort();
        for (QChar c : name)
            if (c.unicode() < 0x20)
                std::abort();
    }
    const QString safe = DccWire::safeFileName(body);
    if (safe.contains(u'/') || safe.contains(u'\\'))
        std::abort();
    return 0;
}
