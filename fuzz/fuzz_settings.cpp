// The private-profile reader under every settings, theme, script and menu-mod file, and
// the settings file quorl.ini read into a client.
#include "harness.h"

#include "client/client.h"
#include "core/privateprofile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzHarness::start();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    PrivateProfile profile;
    profile.setBytes(bytes);
    const QString section = QStringLiteral("text");
    for (const QString& key : profile.keys(section))
        profile.value(section, key);
    // What is written reads back the same.
    profile.setValue(section, QStringLiteral("fuzzkey"), QStringLiteral("fuzz value"));
    PrivateProfile again;
    again.setBytes(profile.toBytes());
    if (again.value(section, QStringLiteral("fuzzkey")) != QStringLiteral("fuzz value"))
        std::abort();

    FuzzHarness::writeFile(QStringLiteral("quorl.ini"), bytes);
    Client& client = FuzzHarness::connectedClient();
    client.readPosterSettings();
    client.readSettings();
    client.readWindowPlacement();
    FuzzHarness::tidy();
    return 0;
}
