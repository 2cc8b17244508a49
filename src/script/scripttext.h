#pragma once

#include <QString>
#include <QStringList>

// The text rules script objects share: lists stored as items each followed by a comma,
// the nickname and address tests, and the placeholders of their messages.
namespace ScriptText {

// The items of a stored list: every piece that a comma follows, at most limit of them
// (all when limit is negative). Text after the last comma is not an item.
QStringList listItems(const QString& value, int limit = -1);
// The stored form of a list: each item followed by a comma; no items give "".
QString joinList(const QStringList& items);
// A text responder's words: the items of the list, and also a last word that a
// hand-edited file left without its comma.
QStringList wordItems(const QString& value);

// The network an object's "network" value names: empty when it names every network
// (missing, blank, "any" or "all").
QString networkOf(const QString& value);

// Whether one of the list's items equals value, ignoring case.
bool inList(const QString& list, const QString& value);

// Whether a mask of the list (nick "!" user "@" host) fits the user.
// userAndHost is the text between "!" and the end of the user's prefix. A mask's host
// part ends at its first "." and only the first label of the user's host is compared,
// so "*!*@ppp1.example.net" fits every host that starts with "ppp1.".
bool addressMatch(const QString& list, const QString& nick, const QString& userAndHost);

// Expands a script text: the typed escapes become formatting codes, then each "<nick>",
// "<yournick>", "<channel>" and "<word>" is replaced by its value, left to right. A value
// is never searched again, so a channel named "#<channel>" cannot make it loop.
QString expandPlaceholders(const QString& text, const QString& nick, const QString& ownNick,
                           const QString& channel, const QString& word);

} // namespace ScriptText
