// The chat text tokeniser: lines with formatting codes, links and long words laid out
// in a narrow view, and the helpers that strip and expand formatting.
#include "harness.h"

#include "chat/chatdocument.h"
#include "chat/textmeasurer.h"
#include "core/formatting.h"

#include <cstdlib>

namespace {
class FixedMeasurer : public TextMeasurer
{
public:
    int textWidth(const ChatFont&, QStringView text) override { return int(text.size()) * 6; }
    int textHeight(const ChatFont& font, QStringView) override { return font.size + 4; }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzHarness::start();
    const QString text = FuzzHarness::text(data, size);
    const QString plain = stripFormatting(text);
    for (QChar c : plain)
        if (Formatting::isCode(c) || Formatting::isHiddenControl(c))
            std::abort();
    if (stripFormatting(plain) != plain)
        std::abort();
    expandEscapes(text);

    // One document for the process; each input starts it empty, so a run costs what its
    // own lines cost.
    static ChatDocument* document = new ChatDocument(std::make_unique<FixedMeasurer>());
    document->clear();
    document->setViewSize(QSize(300, 200));
    for (const QString& line : text.split(u'\n'))
        document->appendLine(int(line.size() % 3), line);
    document->plainLines();
    document->setViewSize(QSize(40 + int(size % 400), 100));
    return 0;
}
