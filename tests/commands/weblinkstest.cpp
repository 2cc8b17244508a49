// Addresses for the browser: scheme and host part added when missing, the scheme
// lower-cased, backslashes turned, "///" kept, a host without a path left whole.
#include "commands/weblinks.h"
#include "core/linelog.h"
#include "core/options.h"
#include "support/testmain.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

class WebLinksTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void normaliseUrl_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no scheme, no //") << "www.example.org/page"
                                          << "http://www.example.org/page";
        QTest::newRow("scheme lower-cased, rest as written") << "HTTP://Example.ORG/Path/X"
                                                             << "http://Example.ORG/Path/X";
        QTest::newRow("file url keeps ///") << "file:///home/ann/Help/index.htm"
                                            << "file:///home/ann/Help/index.htm";
        QTest::newRow("backslashes anywhere") << "http://example.org\\docs\\a b.htm"
                                              << "http://example.org/docs/a b.htm";
        QTest::newRow("host without path stays whole") << "https://example.org"
                                                       << "https://example.org/";
        QTest::newRow("no scheme, host with //") << "//example.org/x"
                                                 << "http://example.org/x";
    }
    void normaliseUrl()
    {
        QFETCH(QString, url);
        QFETCH(QString, expected);
        QCOMPARE(WebLinks::normaliseUrl(url), expected);
    }

    void between_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("stop");
        QTest::addColumn<QString>("expected");
        QTest::newRow("from the beginning") << ""
                                            << ":"
                                            << "http";
        QTest::newRow("between two marks") << "//"
                                           << "/"
                                           << "host";
        QTest::newRow("empty stop drops the last character") << "//"
                                                             << ""
                                                             << "host/pat";
        QTest::newRow("start missing") << "@"
                                       << "/"
                                       << "";
        QTest::newRow("stop missing") << "//"
                                      << "?"
                                      << "";
    }
    void between()
    {
        QFETCH(QString, start);
        QFETCH(QString, stop);
        QFETCH(QString, expected);
        QCOMPARE(WebLinks::between(QStringLiteral("http://host/path"), start, stop), expected);
    }

    // "Use this Instead...": the chosen program gets the address as its one argument. A
    // program that is not there is no browser; one that is there but cannot run did not
    // open the link; neither is taken for success, and a success after them says so in
    // the status strip.
    void chosenBrowserGetsTheAddress()
    {
        QTemporaryDir dir;
        const QString seen = dir.filePath(QStringLiteral("seen.txt"));
        const QString program = dir.filePath(QStringLiteral("browser.sh"));
        QFile script(program);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s|' \"$@\" > \"" + seen.toUtf8() + "\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString unrunnable = dir.filePath(QStringLiteral("not-a-program.sh"));
        QFile plain(unrunnable);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.write("#!/bin/sh\n");
        plain.close();
        plain.setPermissions(QFile::ReadOwner | QFile::WriteOwner);

        BrowserOptions browser;
        browser.useOther = true;
        browser.path = QStringLiteral("  ") + program + QStringLiteral(" ");
        LineLog status;
        const QUrl url(QStringLiteral("http://example.org/A Page?x=1&y=2"));
        QVERIFY(WebLinks::openUrl(browser, url, status));
        auto arguments = [&seen] {
            QFile result(seen);
            return result.open(QIODevice::ReadOnly) ? QString::fromUtf8(result.readAll())
                                                    : QString();
        };
        QTRY_COMPARE(arguments(), url.toString() + u'|');
        QVERIFY(status.lines().isEmpty());

        browser.path = dir.filePath(QStringLiteral("no-such-browser"));
        QVERIFY(!WebLinks::openUrl(browser, url, status));
        QCOMPARE(status.last(), QStringLiteral("Unable to find Browser."));
        browser.path = unrunnable;
        QVERIFY(!WebLinks::openUrl(browser, url, status));
        QCOMPARE(status.last(), QStringLiteral("Could not open link"));

        browser.path = program;
        QVERIFY(WebLinks::openUrl(browser, url, status));
        QCOMPARE(status.count(), 3);
        QCOMPARE(status.last(), u"Opened "_s + url.toString() + u" in the browser"_s);
        // The strip already shows no failure: nothing more is said.
        QVERIFY(WebLinks::openUrl(browser, url, status));
        QCOMPARE(status.count(), 3);
    }
};

QUORL_TEST(WebLinksTest)
#include "weblinkstest.moc"
