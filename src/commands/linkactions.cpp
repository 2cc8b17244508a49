#include "commands/linkactions.h"

#include "chat/chatwindow.h"
#include "irc/outbound.h"

namespace LinkActions {

QUrl webLinkUrl(const QString& linkText)
{
    QString text = linkText.trimmed();
    if (text.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        text.prepend(QStringLiteral("http://"));
    const QUrl url(text, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https") &&
         scheme != QLatin1String("ftp")))
        return QUrl();
    return url;
}

QString soundRequestLine(const ChatWindow& window, const QString& owner, const QString& file,
                         bool privateRequest)
{
    const QString target = privateRequest ? owner : window.windowName();
    return Outbound::privmsg(target, u'!' + owner + u' ' + file);
}

QString soundRequestNotice(const QString& owner, const QString& file)
{
    return QStringLiteral("- Requesting ") + file + QStringLiteral(" from ") + owner + u'.';
}

QString dccChatQuestion(const QString& nick)
{
    return QStringLiteral("Are you sure you want to Start a DCC Chat with ") + nick + u'?';
}

QString dccChatUnavailable(const QString& nick)
{
    return QStringLiteral("DCC Chat with ") + nick +
           QStringLiteral(" is not available yet in this version.");
}

} // namespace LinkActions
