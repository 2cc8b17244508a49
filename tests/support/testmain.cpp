#include "support/testmain.h"

#include "irc/outboundqueue.h"

#include <QApplication>
#include <QTest>

#include <memory>

namespace {
struct Entry
{
    const char* name;
    TestRegistry::Factory factory;
};

std::vector<Entry>& entries()
{
    static std::vector<Entry> list;
    return list;
}
} // namespace

int TestRegistry::add(const char* name, Factory factory)
{
    entries().push_back({name, std::move(factory)});
    return static_cast<int>(entries().size());
}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    // Tests that are not about pacing send every line at once; the pacing tests set the
    // rate they check on their own queue.
    OutboundQueue::setDefaultRate(1, 0);
    // "tst_x ClassName" runs one class; any other arguments go to Qt Test.
    QString only;
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.size() > 1 && !args.at(1).startsWith(u'-')) {
        for (const Entry& e : entries()) {
            if (args.at(1) == QLatin1String(e.name)) {
                only = args.takeAt(1);
                break;
            }
        }
    }
    int failures = 0;
    for (const Entry& e : entries()) {
        if (!only.isEmpty() && only != QLatin1String(e.name))
            continue;
        std::unique_ptr<QObject> test(e.factory());
        failures += QTest::qExec(test.get(), args);
    }
    return failures == 0 ? 0 : 1;
}
