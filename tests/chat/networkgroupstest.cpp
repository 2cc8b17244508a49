// Windows of several networks: a name is found on its own network only, and with two
// networks in use the picker groups each section's windows under a node per network.
#include "support/registryfixture.h"
#include "support/testmain.h"

#include <QTest>

class NetworkGroupsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sameNamesStayApartAndGroupUnderTheirNetwork()
    {
        RegistryFixture f;
        WindowRegistry& windows = f.registry;
        ChatWindow* first = windows.createChannelWindow(QStringLiteral("#same"));
        ChatWindow* second = nullptr;
        {
            const WindowRegistry::NetworkScope scope(windows, 1);
            QCOMPARE(windows.findChannelWindow(QStringLiteral("#same")), nullptr);
            second = windows.createChannelWindow(QStringLiteral("#same"));
            windows.createPrivateWindow(QStringLiteral("bob"), QString());
            QCOMPARE(windows.findChannelWindow(QStringLiteral("#same")), second);
            // A private chat, too, is found on its own network only.
            const WindowRegistry::NetworkScope other(windows, 0);
            QCOMPARE(windows.findPrivateWindow(QStringLiteral("bob")), nullptr);
        }
        QCOMPARE(windows.findChannelWindow(QStringLiteral("#same")), first);
        QCOMPARE(second->network, 1);

        // One network in use: the picker is as it always was.
        windows.setNetworkGroups({{0, QStringLiteral("one"), true}});
        const QStringList plain{QStringLiteral("Settings"),     QStringLiteral("Public Chat"),
                                QStringLiteral("#same"),        QStringLiteral("#same"),
                                QStringLiteral("Private Chat"), QStringLiteral("bob"),
                                QStringLiteral("DCC Chat"),     QStringLiteral("Files")};
        QCOMPARE(f.labels(), plain);

        // Two: a node per network under Public Chat, and under the other sections while
        // the network has windows there; each window sits under its own network's node.
        windows.setNetworkGroups(
            {{0, QStringLiteral("one"), true}, {1, QStringLiteral("two"), false}});
        windows.createChannelWindow(QStringLiteral("#more"));
        QCOMPARE(f.labels(), (QStringList{QStringLiteral("Settings"), QStringLiteral("Public Chat"),
                                          QStringLiteral("one"), QStringLiteral("#same"),
                                          QStringLiteral("#more"), QStringLiteral("two"),
                                          QStringLiteral("#same"), QStringLiteral("Private Chat"),
                                          QStringLiteral("two"), QStringLiteral("bob"),
                                          QStringLiteral("DCC Chat"), QStringLiteral("Files")}));
        // Their logs never share a file; the first network's keep the plain name.
        QCOMPARE(windows.logPathFor(first), f.logsFolder() + QStringLiteral("#same.txt"));
        QCOMPARE(windows.logPathFor(second), f.logsFolder() + QStringLiteral("#same (two).txt"));
        ChatWindow* twoNode = windows.at(5);
        QVERIFY(twoNode->disconnected && !windows.at(2)->disconnected);

        // Clicking a network's node makes it the current network.
        f.picker().selectRow(f.row(twoNode));
        QCOMPARE(windows.currentNetwork(), 1);
        QCOMPARE(windows.findChannelWindow(QStringLiteral("#same")), second);
        f.picker().selectRow(f.row(first));
        QCOMPARE(windows.currentNetwork(), 0);

        // The second network's end closes its windows only; the view stays where it is.
        {
            const WindowRegistry::NetworkScope scope(windows, 1);
            windows.closeChatWindowsForDisconnect();
        }
        QCOMPARE(f.picker().shownAlone(), first);
        windows.setNetworkGroups({{0, QStringLiteral("one"), true}});
        QCOMPARE(f.labels(), (QStringList{QStringLiteral("Settings"), QStringLiteral("Public Chat"),
                                          QStringLiteral("#same"), QStringLiteral("#more"),
                                          QStringLiteral("Private Chat"),
                                          QStringLiteral("DCC Chat"), QStringLiteral("Files")}));
    }
};

QUORL_TEST(NetworkGroupsTest)
#include "networkgroupstest.moc"
