// Addresses for the browser: scheme and host part added when missing, the scheme
// lower-cased, backslashes turned, "///" kept, a host without a path left whole.
#include "commands/weblinks.h"
#include "support/testmain.h"

#include <QTest>

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
};

QUORL_TEST(WebLinksTest)
#include "weblinkstest.moc"
