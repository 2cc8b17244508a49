// Menu-mod files: read, compiled into the context menu's entries, and every entry run
// against a channel window with one selected nickname.
#include "harness.h"

#include "client/client.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzHarness::start();
    FuzzHarness::writeFile(QStringLiteral("Menu Mods/fuzz.mod"),
                           QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    Client& client = FuzzHarness::connectedClient();
    MenuMods& mods = client.menuMods();
    mods.loadMod(QStringLiteral("fuzz.mod"));
    const CompiledMenuMod& compiled = mods.compiled();
    compiled.childrenOf(MenuModEntry::TopEntry);
    ChatWindow* window = client.windows().findChannelWindow(QStringLiteral("#fuzz"));
    if (!window)
        window = client.windows().createChannelWindow(QStringLiteral("#fuzz"));
    QStringList captions;
    for (const MenuModEntry& entry : compiled.entries)
        captions << entry.caption;
    for (const QString& caption : captions)
        mods.runEntry(caption, window, {QStringLiteral("somebody")});
    FuzzHarness::tidy();
    return 0;
}
