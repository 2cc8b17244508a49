#include "commands/weblinks.h"

#include "core/linelog.h"
#include "core/options.h"

#include <QDesktopServices>
#include <QFileInfo>
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

QString noBrowserText()
{
    return QStringLiteral("Unable to find Browser.");
}

QString notOpenedText()
{
    return QStringLiteral("Could not open link");
}

bool openUrl(const BrowserOptions& browser, const QUrl& url, LineLog& status)
{
    const QString program = browser.path.trimmed();
    QString failure;
    if (browser.useOther && !program.isEmpty()) {
        // A program that is there but cannot be run (no permission, a broken interpreter)
        // is a browser that did not take the link.
        const bool there =
            QFileInfo::exists(program) || !QStandardPaths::findExecutable(program).isEmpty();
        if (!there)
            failure = noBrowserText();
        else if (!QProcess::startDetached(program, {url.toString()}))
            failure = notOpenedText();
    } else if (!QDesktopServices::openUrl(url)) {
        failure = findDefaultBrowser().isEmpty() ? noBrowserText() : notOpenedText();
    }
    if (!failure.isEmpty()) {
        status.add(failure);
        return false;
    }
    const QString last = status.last();
    if (last == noBrowserText() || last == notOpenedText())
        status.add(QStringLiteral("Opened ") + url.toString() + QStringLiteral(" in the browser"));
    return true;
}
} // namespace WebLinks
