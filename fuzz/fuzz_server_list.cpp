// The server list qrlsrvs.txt: parsed into the tree, written and parsed again.
#include "harness.h"

#include "core/prompts.h"
#include "settings/servertree.h"

#include <QFile>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzHarness::start();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ServerTree tree(FuzzHarness::prompts());
    if (tree.parse(bytes))
        return 0;
    const QString path = FuzzHarness::programFolder() + ServerTree::fileName();
    if (!tree.save(path))
        return 0;
    // A list the client wrote itself always reads back.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    ServerTree second(FuzzHarness::prompts());
    if (second.parse(file.readAll()))
        std::abort();
    return 0;
}
