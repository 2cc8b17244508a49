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

    void valueSeenUpTo1023Characters()
    {
        PrivateProfile profile;
        profile.setBytes("[A]\r\nlong=" + QByteArray(1500, 'x') +
                         "\r\nshort=" + QByteArray(1023, 'y') + "\r\n");
        QCOMPARE(profile.value(QStringLiteral("A"), QStringLiteral("long")), QString(1023, u'x'));
        QCOMPARE(profile.value(QStringLiteral("A"), QStringLiteral("short")), QString(1023, u'y'));

        // A cut never leaves half a character behind.
        QString emoji = QString(1022, u'z') + QStringLiteral("\U0001F600tail");
        profile.setValue(QStringLiteral("A"), QStringLiteral("wide"), emoji);
        QCOMPARE(profile.value(QStringLiteral("A"), QStringLiteral("wide")), QString(1022, u'z'));
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
