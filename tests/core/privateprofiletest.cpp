// Private-profile files: how names and values are found, how a write changes a file
// while leaving everything else in it alone, and the value conventions.
#include "core/privateprofile.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Runs edit steps written as "set|section|key|value", "remove|section|key" or
// "erase|section".
void apply(PrivateProfile& profile, const QStringList& steps)
{
    for (const QString& step : steps) {
        const QStringList p = step.split(u'|');
        if (p[0] == QLatin1String("set"))
            profile.setValue(p[1], p[2], p[3]);
        else if (p[0] == QLatin1String("remove"))
            profile.removeKey(p[1], p[2]);
        else if (p[0] == QLatin1String("erase"))
            profile.eraseSection(p[1]);
    }
}
} // namespace

class PrivateProfileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void reading_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QByteArray plain = "[USER]\r\nlastnick=Bob\r\nname = Robert Smith \r\n"
                                 "[MISC]\r\nwinx=10\r\nempty=\r\n";
        QTest::newRow("section other case") << plain << "user"
                                            << "lastnick"
                                            << "Bob";
        QTest::newRow("key other case") << plain << "User"
                                        << "LASTNICK"
                                        << "Bob";
        QTest::newRow("spaces around trimmed") << plain << "USER"
                                               << "name"
                                               << "Robert Smith";
        QTest::newRow("missing key") << plain << "USER"
                                     << "email"
                                     << "<default>";
        QTest::newRow("missing section") << plain << "DCC"
                                         << "lastnick"
                                         << "<default>";
        QTest::newRow("empty value is no default") << plain << "MISC"
                                                   << "empty"
                                                   << "";
        QTest::newRow("lf only") << QByteArray("[A]\nk=1\n[B]\nk=2\n") << "B"
                                 << "k"
                                 << "2";
        QTest::newRow("no final line break") << QByteArray("[A]\r\nk=last") << "A"
                                             << "k"
                                             << "last";
        QTest::newRow("first duplicate wins")
            << QByteArray("[A]\r\nk=1\r\nK=2\r\n[a]\r\nk=3\r\n") << "A"
            << "k"
            << "1";
        QTest::newRow("equals in value") << QByteArray("[A]\r\nk=x=y\r\n") << "A"
                                         << "k"
                                         << "x=y";
        QTest::newRow("comment is no key") << QByteArray("[A]\r\n;k=1\r\n") << "A"
                                           << ";k"
                                           << "<default>";
        QTest::newRow("key before any section") << QByteArray("k=0\r\n[A]\r\nj=1\r\n") << "A"
                                                << "k"
                                                << "<default>";
        QTest::newRow("utf-8") << QByteArray("[A]\r\nk=caf\xC3\xA9\r\n") << "A"
                               << "k" << QStringLiteral("caf\u00e9");
        QTest::newRow("latin-1") << QByteArray("[A]\r\nk=caf\xE9\r\n") << "A"
                                 << "k" << QStringLiteral("caf\u00e9");
        QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF[A]\r\nk=1\r\n") << "A"
                                   << "k"
                                   << "1";
    }

    void reading()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        PrivateProfile profile;
        profile.setBytes(file);
        QCOMPARE(profile.value(section, key, QStringLiteral("<default>")), expected);
    }

    // Values are whole however long, written and read back; the classic read, for files
    // other programs wrote, sees at most 1023 characters.
    void longValuesStayWhole()
    {
        PrivateProfile profile;
        profile.setBytes("[A]\r\nlong=" + QByteArray(1500, 'x') +
                         "\r\nshort=" + QByteArray(1023, 'y') + "\r\n");
        const QString a = QStringLiteral("A");
        QCOMPARE(profile.value(a, QStringLiteral("long")), QString(1500, u'x'));
        QCOMPARE(profile.classicValue(a, QStringLiteral("long")), QString(1023, u'x'));
        QCOMPARE(profile.classicValue(a, QStringLiteral("short")), QString(1023, u'y'));

        // A cut never leaves half a character behind.
        QString emoji = QString(1022, u'z') + QStringLiteral("\U0001F600tail");
        profile.setValue(a, QStringLiteral("wide"), emoji);
        QCOMPARE(profile.classicValue(a, QStringLiteral("wide")), QString(1022, u'z'));
        QCOMPARE(profile.value(a, QStringLiteral("wide")), emoji);

        QStringList words;
        for (int i = 0; i < 1000; ++i)
            words << QStringLiteral("word%1").arg(i, 4, 10, QChar(u'0'));
        profile.setValue(QStringLiteral("MESSAGES"), QStringLiteral("highlights"),
                         words.join(u','));
        PrivateProfile again;
        again.setBytes(profile.toBytes());
        QCOMPARE(again.value(QStringLiteral("messages"), QStringLiteral("HIGHLIGHTS")),
                 words.join(u','));
        QCOMPARE(again.value(a, QStringLiteral("long")), QString(1500, u'x'));
    }

    void writing_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QByteArray>("after");

        const QByteArray file = "; kept comment\n[USER]\nnick=a\n\n[MISC]\nx=1\n";
        QTest::newRow("replace in place keeps file's spelling")
            << file << QStringList{"set|user|NICK|b"}
            << QByteArray("; kept comment\r\n[USER]\r\nnick=b\r\n\r\n[MISC]\r\nx=1\r\n");
        QTest::newRow("new key at end of its own section")
            << file << QStringList{"set|User|email|e@x"}
            << QByteArray(
                   "; kept comment\r\n[USER]\r\nnick=a\r\nemail=e@x\r\n\r\n[MISC]\r\nx=1\r\n");
        QTest::newRow("new key in empty section")
            << QByteArray("[A]\r\n[B]\r\nk=1\r\n") << QStringList{"set|a|k|2"}
            << QByteArray("[A]\r\nk=2\r\n[B]\r\nk=1\r\n");
        QTest::newRow("new section at end of file")
            << file << QStringList{"set|DCC|filesavefolder|/tmp"}
            << QByteArray("; kept comment\r\n[USER]\r\nnick=a\r\n\r\n[MISC]\r\nx=1\r\n"
                          "[DCC]\r\nfilesavefolder=/tmp\r\n");
        QTest::newRow("keys keep the order written")
            << QByteArray() << QStringList{"set|S|b|1", "set|S|a|2", "set|S|b|3"}
            << QByteArray("[S]\r\nb=3\r\na=2\r\n");
        QTest::newRow("erase section") << file << QStringList{"erase|user"}
                                       << QByteArray("; kept comment\r\n[MISC]\r\nx=1\r\n");
        QTest::newRow("erase then rewrite moves it to the end")
            << file << QStringList{"erase|USER", "set|USER|nick|c"}
            << QByteArray("; kept comment\r\n[MISC]\r\nx=1\r\n[USER]\r\nnick=c\r\n");
        QTest::newRow("erase missing section changes nothing")
            << file << QStringList{"erase|NONE"}
            << QByteArray("; kept comment\r\n[USER]\r\nnick=a\r\n\r\n[MISC]\r\nx=1\r\n");
        QTest::newRow("remove key")
            << file << QStringList{"remove|MISC|X"}
            << QByteArray("; kept comment\r\n[USER]\r\nnick=a\r\n\r\n[MISC]\r\n");
        QTest::newRow("line break in value cannot add a key")
            << QByteArray("[A]\r\n") << QStringList{"set|A|k|one\r\n[B]\r\nevil=1"}
            << QByteArray("[A]\r\nk=one  [B]  evil=1\r\n");
        QTest::newRow("unknown lines untouched")
            << QByteArray("junk line\r\n[A]\r\n  odd = spaced  \r\n# note\r\nk=1\r\n")
            << QStringList{"set|A|k|2"}
            << QByteArray("junk line\r\n[A]\r\n  odd = spaced  \r\n# note\r\nk=2\r\n");
        QTest::newRow("latin-1 bytes of other keys kept")
            << QByteArray("[A]\r\nold=caf\xE9\r\n") << QStringList{"set|A|new|caf\u00e9"}
            << QByteArray("[A]\r\nold=caf\xE9\r\nnew=caf\xC3\xA9\r\n");
        QTest::newRow("value of a duplicate key changes the first")
            << QByteArray("[A]\r\nk=1\r\nK=2\r\n") << QStringList{"set|a|K|3"}
            << QByteArray("[A]\r\nk=3\r\nK=2\r\n");
        QTest::newRow("removing a key uncovers its duplicate")
            << QByteArray("[A]\r\nk=1\r\nx=0\r\nK=2\r\n")
            << QStringList{"remove|A|k", "set|A|k|3", "remove|A|k", "set|A|k|4"}
            << QByteArray("[A]\r\nx=0\r\nk=4\r\n");
        QTest::newRow("writes go to the first of two sections of one name")
            << QByteArray("[A]\r\nk=1\r\n[B]\r\n[a]\r\nk=2\r\nj=3\r\n")
            << QStringList{"set|A|k|5", "set|A|j|6"}
            << QByteArray("[A]\r\nk=5\r\nj=6\r\n[B]\r\n[a]\r\nk=2\r\nj=3\r\n");
        QTest::newRow("erasing the first of two sections uncovers the second")
            << QByteArray("[A]\r\nk=1\r\n[B]\r\n[a]\r\nk=2\r\n")
            << QStringList{"erase|A", "set|A|k|7", "erase|A", "set|A|k|8"}
            << QByteArray("[B]\r\n[A]\r\nk=8\r\n");
        QTest::newRow("new keys go before the blank lines and after comments")
            << QByteArray("[A]\r\nk=1\r\n\r\n; note\r\n\r\n\r\n[B]\r\n")
            << QStringList{"set|A|x|1", "remove|A|x", "set|A|y|2", "set|A|z|3"}
            << QByteArray("[A]\r\nk=1\r\n\r\n; note\r\ny=2\r\nz=3\r\n\r\n\r\n[B]\r\n");
        QTest::newRow("a removed last key moves the place of new ones")
            << QByteArray("[A]\r\nk=1\r\n\r\nj=2\r\n\r\n") << QStringList{"remove|A|j", "set|A|n|3"}
            << QByteArray("[A]\r\nk=1\r\nn=3\r\n\r\n\r\n");
        QTest::newRow("a section name is what stands before its first bracket")
            << QByteArray() << QStringList{"set|a]b|k|1", "set|a]b|k|2", "set|A|j|3"}
            << QByteArray("[a]b]\r\nk=1\r\nj=3\r\n[a]b]\r\nk=2\r\n");
        QTest::newRow("names trimmed, file spelling of a key kept")
            << QByteArray("[ Sec ]\r\n  Key  =  v  \r\n")
            << QStringList{"set| sec |KEY |w", "set|SEC|other|x"}
            << QByteArray("[ Sec ]\r\nKey=w\r\nother=x\r\n");
        QTest::newRow("a key that would start a section is not written")
            << QByteArray("[A]\r\nk=1\r\n\r\n") << QStringList{"set|A|[B]|x", "set|A|[C|y"}
            << QByteArray("[A]\r\nk=1\r\n\r\n");
    }

    // After edits the reads see the same rules as in a file loaded with the same lines.
    void readsAfterEdits_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("reads"); // "section|key|expected"; "<none>" for none

        QTest::newRow("duplicate keys and sections")
            << QByteArray("[A]\r\nk=1\r\nK=2\r\n[a]\r\nk=3\r\nq=4\r\n") << QStringList{"remove|A|K"}
            << QStringList{"a|k|2", "A|q|<none>", "A|K|2"};
        QTest::newRow("erase uncovers the next section of the name")
            << QByteArray("[A]\r\nk=1\r\n[a]\r\nk=3\r\nq=4\r\n") << QStringList{"erase|a"}
            << QStringList{"A|k|3", "A|q|4"};
        QTest::newRow("a key added is found, one removed is not")
            << QByteArray("[A]\r\nk=1\r\n") << QStringList{"set|A|n|2", "remove|A|k"}
            << QStringList{"a|N|2", "A|k|<none>"};
        QTest::newRow("a key holding = is read as the name before it")
            << QByteArray("[A]\r\n") << QStringList{"set|A|x=y|z"}
            << QStringList{"A|x|y=z", "A|x=y|<none>"};
        QTest::newRow("a new section after erasing all of a name")
            << QByteArray("[A]\r\nk=1\r\n[A]\r\nk=2\r\n")
            << QStringList{"erase|A", "erase|A", "set|A|j|3"} << QStringList{"A|k|<none>", "A|j|3"};
    }

    void readsAfterEdits()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, reads);
        PrivateProfile profile;
        profile.setBytes(before);
        apply(profile, steps);
        for (const PrivateProfile& seen : {profile, [&] {
                                               PrivateProfile reloaded;
                                               reloaded.setBytes(profile.toBytes());
                                               return reloaded;
                                           }()}) {
            for (const QString& read : reads) {
                const QStringList p = read.split(u'|');
                QCOMPARE(seen.value(p[0], p[1], QStringLiteral("<none>")), p[2]);
                QCOMPARE(seen.contains(p[0], p[1]), p[2] != QLatin1String("<none>"));
            }
        }
    }

    void keysInFileOrder()
    {
        PrivateProfile profile;
        profile.setBytes("[A]\r\nb=1\r\n;c=2\r\nB=3\r\na=4\r\n[a]\r\nz=5\r\n");
        profile.setValue(QStringLiteral("a"), QStringLiteral("C"), QStringLiteral("6"));
        profile.removeKey(QStringLiteral("A"), QStringLiteral("b"));
        QCOMPARE(profile.keys(QStringLiteral("A")), (QStringList{"B", "a", "C"}));
        QVERIFY(profile.containsSection(QStringLiteral(" a ")));
        QVERIFY(!profile.containsSection(QStringLiteral("b")));
        profile.eraseSection(QStringLiteral("A"));
        QCOMPARE(profile.keys(QStringLiteral("A")), QStringList{"z"});
    }

    void writing()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, steps);
        QFETCH(QByteArray, after);
        PrivateProfile profile;
        profile.setBytes(before);
        apply(profile, steps);
        QCOMPARE(profile.toBytes(), after);
    }

    void filesOnDisk()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("quorl.ini"));
        QCOMPARE(Profile::readString(path, QStringLiteral("USER"), QStringLiteral("lastnick"),
                                     QStringLiteral("Yournick")),
                 QStringLiteral("Yournick"));
        QVERIFY(Profile::eraseSection(path, QStringLiteral("USER")));
        QVERIFY(!QFile::exists(path));

        QVERIFY(Profile::writeString(path, QStringLiteral("user"), QStringLiteral("lastnick"),
                                     QStringLiteral("Ann")));
        QVERIFY(Profile::writeString(path, QStringLiteral("USER"), QStringLiteral("name"),
                                     QStringLiteral("Ann B")));
        QCOMPARE(readFile(path), QByteArray("[user]\r\nlastnick=Ann\r\nname=Ann B\r\n"));
        QCOMPARE(
            Profile::readString(path, QStringLiteral("User"), QStringLiteral("NAME"), QString()),
            QStringLiteral("Ann B"));

        // A document loaded from one file saves back to it, whole.
        PrivateProfile profile(path);
        for (int i = 0; i < 500; ++i)
            profile.setValue(QStringLiteral("IGNORE"), QStringLiteral("i%1").arg(i),
                             QStringLiteral("mask%1").arg(i));
        QVERIFY(profile.save());
        QCOMPARE(
            Profile::readString(path, QStringLiteral("ignore"), QStringLiteral("i499"), QString()),
            QStringLiteral("mask499"));

        // A file that cannot be written leaves no trace and reports it.
        const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/x.ini"));
        QVERIFY(!Profile::writeString(nowhere, QStringLiteral("A"), QStringLiteral("k"),
                                      QStringLiteral("v")));
        QVERIFY(!QFile::exists(nowhere));
    }

    void strictInt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("zero") << "0" << true << 0;
        QTest::newRow("negative colour") << "-2147483643" << true << -2147483643;
        QTest::newRow("largest") << "2147483647" << true << 2147483647;
        QTest::newRow("smallest") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("plus sign") << "+12" << true << 12;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("trailing letters") << "12px" << false << 0;
        QTest::newRow("leading space") << " 12" << false << 0;
        QTest::newRow("too large") << "2147483648" << false << 0;
        QTest::newRow("hex") << "0x10" << false << 0;
    }

    void strictInt()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        const std::optional<qint32> n = Profile::strictInt(text);
        QCOMPARE(n.has_value(), ok);
        if (ok)
            QCOMPARE(*n, value);
    }

    void flags_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("anyButZero");
        QTest::addColumn<bool>("oneOnly");
        QTest::newRow("0") << "0" << false << false;
        QTest::newRow("1") << "1" << true << true;
        QTest::newRow("empty") << "" << true << false;
        QTest::newRow("00") << "00" << true << false;
        QTest::newRow("word") << "true" << true << false;
    }

    void flags()
    {
        QFETCH(QString, text);
        QFETCH(bool, anyButZero);
        QFETCH(bool, oneOnly);
        QCOMPARE(Profile::flagAnyButZero(text), anyButZero);
        QCOMPARE(Profile::flagOneOnly(text), oneOnly);
    }
};

QUORL_TEST(PrivateProfileTest)
#include "privateprofiletest.moc"
