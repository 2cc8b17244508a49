#include "commands/weblinks.h"

#include "core/options.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace WebLinks {
QString between(const QString& text, const QString& start, const QString& stop)
{
    qsizetype from = 0;
    if (!start.isEmpty()) {
        const qsizetype at = text.indexOf(start);
        if (at < 0)
            return {};
        from = at + start.size();
    }
    const QString rest = text.mid(from, 255);
    if (stop.isEmpty())
        return rest.left(rest.size() - 1);
    const qsizetype end = rest.indexOf(stop);
    return end < 0 ? QString() : rest.left(end);
}

QString normaliseUrl(const QString& typed)
{
    // Backslashes are turned first, so one that separates the host from the path counts as
    // the "/" it stands for.
    const QString url = QString(typed).replace(u'\\', u'/');
    QString scheme = between(url, QString(), QStringLiteral(":"));
    if (!scheme.isEmpty())
        scheme += u':';
    QString host = between(url, QStringLiteral("//"), QStringLiteral("/"));
    if (host.isEmpty()) {
        // A host with no "/" after it is taken whole: cutting its last character would
        // send the browser to another address.
        const qsizetype at = url.indexOf(QLatin1String("//"));
        if (at >= 0)
            host = url.mid(at + 2, 255);
    }
    if (!host.isEmpty())
        host = QStringLiteral("//") + host + u'/';
    if (url.contains(QLatin1String("///")))
        host = QStringLiteral("///");
    const QString path = url.mid(scheme.size() + host.size());
    if (scheme.isEmpty())
        scheme = QStringLiteral("http:");
    if (host.isEmpty())
        host = QStringLiteral("//");
    return scheme.toLower() + host + path;
}

QString helpIndexUrl(const QString& programFolder)
{
    return QUrl::fromLocalFile(programFolder + QStringLiteral("Help/index.htm")).toString();
}

QString findDefaultBrowser()
{
    return QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
}

bool openUrl(const BrowserOptions& browser, const QUrl& url,
             const std::function<void(const QString&)>& statusLine)
{
    const QString program = browser.path.trimmed();
    bool opened = false;
    if (browser.useOther && !program.isEmpty())
        opened = QProcess::startDetached(program, {url.toString()});
    else
        opened = QDesktopServices::openUrl(url);
    if (!opened && statusLine)
        statusLine(QStringLiteral("Unable to find Browser."));
    return opened;
}
} // namespace WebLinks
