// The program folder: which folder is chosen, and a first run that fills it without
// ever overwriting a file of the user's.
#include "core/paths.h"
#include "core/formatting.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {
void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

class PathsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void programFolderChoice()
    {
        QTemporaryDir portable;
        QTemporaryDir plain;
        writeFile(portable.filePath(QStringLiteral("quorl.ini")), "[USER]\n");
        const QString home = QStringLiteral("/home/someone");
        using Paths::resolveProgramFolder;
        QCOMPARE(resolveProgramFolder(QStringLiteral("/tmp/q"), QStringLiteral("/env"),
                                      portable.path(), home),
                 QStringLiteral("/tmp/q/"));
        QCOMPARE(resolveProgramFolder(QString(), QStringLiteral("/env/"), portable.path(), home),
                 QStringLiteral("/env/"));
        QCOMPARE(resolveProgramFolder(QString(), QString(), portable.path(), home),
                 portable.path() + u'/');
        QCOMPARE(resolveProgramFolder(QString(), QString(), plain.path(), home),
                 QStringLiteral("/home/someone/.local/share/QuorlIRC/"));
    }

    void firstRunFillsWithoutOverwriting()
    {
        QTemporaryDir data;
        QTemporaryDir home;
        writeFile(data.filePath(QStringLiteral("qrlsrvs.txt")), "shipped list");
        writeFile(data.filePath(QStringLiteral("themes/default.qth")), "shipped theme");
        writeFile(home.filePath(QStringLiteral("qrlsrvs.txt")), "the user's own list");

        const QString folder = home.path() + u'/';
        QVERIFY(Paths::prepareProgramFolder(folder, data.path()).isEmpty());
        for (const QString& sub : Paths::subFolders())
            QVERIFY2(QDir(home.filePath(sub)).exists(), qPrintable(sub));
        QCOMPARE(readFile(home.filePath(QStringLiteral("qrlsrvs.txt"))),
                 QByteArray("the user's own list"));
        QCOMPARE(readFile(home.filePath(QStringLiteral("themes/default.qth"))),
                 QByteArray("shipped theme"));

        // A second run leaves an edited copy alone.
        writeFile(home.filePath(QStringLiteral("themes/default.qth")), "edited");
        QVERIFY(Paths::prepareProgramFolder(folder, data.path()).isEmpty());
        QCOMPARE(readFile(home.filePath(QStringLiteral("themes/default.qth"))),
                 QByteArray("edited"));
    }

    // Copies get the permissions the user's umask gives new files, whatever the shipped
    // file's own mode (a read-only install included).
    void copiesFollowTheUmask_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("sourceMode");
        QTest::addColumn<int>("expected");
        QTest::newRow("077") << 077 << 0644 << 0600;
        QTest::newRow("022") << 022 << 0644 << 0644;
        QTest::newRow("002") << 002 << 0644 << 0664;
        QTest::newRow("077, read-only source") << 077 << 0444 << 0600;
        QTest::newRow("027, executable source") << 027 << 0755 << 0640;
    }
    void copiesFollowTheUmask()
    {
        QFETCH(int, mask);
        QFETCH(int, sourceMode);
        QFETCH(int, expected);
        QTemporaryDir data;
        QTemporaryDir home;
        const QString source = data.filePath(QStringLiteral("themes/default.qth"));
        writeFile(source, "shipped theme");
        QCOMPARE(::chmod(QFile::encodeName(source).constData(), mode_t(sourceMode)), 0);

        const mode_t before = ::umask(mode_t(mask));
        const QStringList problems = Paths::prepareProgramFolder(home.path() + u'/', data.path());
        ::umask(before);
        QVERIFY(problems.isEmpty());
        const QString copy = home.filePath(QStringLiteral("themes/default.qth"));
        QCOMPARE(readFile(copy), QByteArray("shipped theme"));
        struct stat info = {};
        QCOMPARE(::stat(QFile::encodeName(copy).constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 07777), expected);
    }

    void unwritableFolderIsReported()
    {
        const QStringList problems =
            Paths::prepareProgramFolder(QStringLiteral("/proc/quorl-cannot-exist/"), QString());
        QCOMPARE(problems.size(), 1);
    }

    void expandEscapes_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expanded");
        QTest::newRow("each") << QStringLiteral("\\\\b\\\\u\\\\r\\\\o\\\\k")
                              << QStringLiteral("\x02\x1f\x16\x0f\x03");
        QTest::newRow("repeated") << QStringLiteral("\\\\bx\\\\by") << QStringLiteral("\x02x\x02y");
        QTest::newRow("single backslash stays") << QStringLiteral("\\b") << QStringLiteral("\\b");
        QTest::newRow("upper case stays") << QStringLiteral("\\\\B") << QStringLiteral("\\\\B");
        QTest::newRow("three backslashes") << QStringLiteral("\\\\\\b") << QStringLiteral("\\\x02");
    }

    void expandEscapes()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expanded);
        QCOMPARE(::expandEscapes(typed), expanded);
    }
};

QUORL_TEST(PathsTest)
#include "pathstest.moc"
