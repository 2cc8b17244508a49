// The import readers: mirc.ini, servers.ini, quorlirc.ini and servmstr.ini, the input's
// four parts (cut at NUL bytes), read by every source the import offers.
#include "harness.h"

#include "client/client.h"
#include "import/settingsimport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzHarness::start();
    const QList<QByteArray> parts = FuzzHarness::parts(data, size, 4);
    FuzzHarness::writeFile(QStringLiteral("import/mirc.ini"), parts.at(0));
    FuzzHarness::writeFile(QStringLiteral("import/servers.ini"), parts.at(1));
    FuzzHarness::writeFile(QStringLiteral("import/quorlirc.ini"), parts.at(2));
    FuzzHarness::writeFile(QStringLiteral("import/servmstr.ini"), parts.at(3));
    const QString folder = FuzzHarness::programFolder() + QStringLiteral("import/");
    Client& client = FuzzHarness::connectedClient();
    for (const QString& source : SettingsImport::sources()) {
        ImportedSettings found = SettingsImport::read(source, folder);
        // Applied into a tree of its own, so imports do not pile up in the client's.
        ServerTree tree(FuzzHarness::prompts());
        UserOptions user;
        SettingsImport::apply(found, user, client.notifyList(), tree);
        tree.nodes();
    }
    SettingsImport::parseMircServer(QString::fromLatin1(parts.at(0)));
    FuzzHarness::tidy();
    return 0;
}
