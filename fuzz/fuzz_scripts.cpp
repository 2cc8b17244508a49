// Script and object files: a script (the input's first part) naming object files, one
// of which is the input's second part; the objects are then loaded for the event hook.
#include "harness.h"

#include "script/scriptobjects.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzHarness::start();
    const QList<QByteArray> parts = FuzzHarness::parts(data, size, 2);
    FuzzHarness::writeFile(QStringLiteral("scripts/fuzz.sct"), parts.at(0));
    FuzzHarness::writeFile(QStringLiteral("scripts/objects/fuzz.obj"), parts.at(1));
    Scripts scripts(FuzzHarness::programFolder());
    scripts.load(QStringLiteral("fuzz.sct"));
    for (int i = 0; i < scripts.count(); ++i)
        scripts.at(i);
    scripts.objectFiles();
    scripts.addObject(QStringLiteral("fuzz.obj"));
    scripts.rebuild();
    return 0;
}
