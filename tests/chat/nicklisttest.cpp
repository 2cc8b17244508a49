// The nick list stays in the order one-by-one insertion would give, however names
// replies, joins, parts and rank changes interleave.
#include "chat/nicklist.h"
#include "support/testmain.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

namespace {
// The reference: every entry inserted after its equals, one at a time.
void referenceInsert(QStringList& list, const QString& entry)
{
    const auto less = [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    };
    list.insert(std::upper_bound(list.begin(), list.end(), entry, less), entry);
}
} // namespace

class NickListTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void interleavedChangesKeepInsertionOrder()
    {
        NickList nicks;
        QStringList reference;
        QRandomGenerator random(42);
        auto name = [&](int n) {
            return (n % 7 == 0   ? QStringLiteral("@")
                    : n % 5 == 0 ? QStringLiteral("+")
                                 : QString()) +
                   // Letters beyond ASCII and signs between the cases order as with
                   // QString::compare.
                   (n % 11 == 0   ? (n % 2 ? QStringLiteral("Ñick") : QStringLiteral("ñicK"))
                    : n % 13 == 0 ? QStringLiteral("Ni") + QChar(u'[' + n % 5)
                    : n % 17 == 0 ? QStringLiteral("N\u00c9") + QChar(u'a' + n % 3)
                    : n % 2       ? QStringLiteral("Nick")
                                  : QStringLiteral("nick")) +
                   QString::number(n % 300);
        };
        for (int round = 0; round < 40; ++round) {
            QStringList batch;
            for (int i = 0; i < 33; ++i)
                batch << name(int(random.bounded(1000)));
            nicks.addNames(batch);
            for (const QString& n : batch)
                referenceInsert(reference, NickList::entryForName(n));
            if (round % 3 == 0) {
                const QString who =
                    NickList::nickOf(reference.at(random.bounded(reference.size())));
                QVERIFY(nicks.remove(who));
                const auto at =
                    std::find_if(reference.begin(), reference.end(), [&](const QString& e) {
                        return e.size() == who.size() + 1 &&
                               QStringView(e).mid(1).compare(who, Qt::CaseInsensitive) == 0;
                    });
                reference.erase(at);
            }
            if (round % 4 == 1) {
                nicks.add(NickList::Member, QStringLiteral("joiner%1").arg(round));
                referenceInsert(reference, QStringLiteral("cjoiner%1").arg(round));
            }
        }
        QCOMPARE(nicks.entries(), reference);
        QCOMPARE(nicks.count(), reference.size());
    }

    void rankChangeOfABatchedName()
    {
        NickList nicks;
        nicks.addNames({QStringLiteral("zed"), QStringLiteral("@amy"), QStringLiteral("bob")});
        nicks.addNames({QStringLiteral("+carl")});
        nicks.setRank(QStringLiteral("ZED"), NickList::Operator);
        QCOMPARE(nicks.entries(), (QStringList{"aamy", "azed", "bcarl", "cbob"}));
        QCOMPARE(nicks.rankOf(QStringLiteral("Carl")), NickList::Voiced);
        QVERIFY(nicks.rename(QStringLiteral("bob"), QStringLiteral("aaron")));
        QCOMPARE(nicks.entries().last(), QStringLiteral("caaron"));
    }
};

QUORL_TEST(NickListTest)
#include "nicklisttest.moc"
