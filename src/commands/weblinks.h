#pragma once

#include <QString>

struct BrowserOptions;
class LineLog;
class QUrl;

// Addresses handed to the web browser: links clicked in chats, the address typed for
// "Go There", and the help pages.
namespace WebLinks {
// between: the text after the first start (from the beginning when start is empty),
// limited to 255 characters, up to the first stop in it; with an empty stop, that rest
// without its last character. Empty when start or stop is not found.
QString between(const QString& text, const QString& start, const QString& stop);
// The address as the browser is given it: a missing scheme becomes "http:", a missing
// host part "//", the scheme is lower-cased and every backslash becomes "/".
QString normaliseUrl(const QString& url);
// The help index of the program folder ("Help/index.htm") as a file address.
QString helpIndexUrl(const QString& programFolder);

// The program that stands for the desktop's default browser (xdg-open); empty when the
// desktop has none.
QString findDefaultBrowser();
// The status lines of a link that did not open: no browser program to give it to, and a
// browser that was there but did not take it.
QString noBrowserText();
QString notOpenedText();
// Opens url in the browser the user chose: the program of "Use this Instead..." is started
// with the address as its one argument, else the desktop's browser opens it. A failure adds
// noBrowserText() or notOpenedText() to status and gives false; a success that follows
// such a line says so, so the strip no longer shows the failure.
bool openUrl(const BrowserOptions& browser, const QUrl& url, LineLog& status);
} // namespace WebLinks
