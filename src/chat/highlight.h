#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// Whether a line calls for the user's attention: it mentions their nickname or one of
// their highlight words. Matching sees the text as it is shown (formatting codes
// removed), ignores case (IRC's case, where [ ] \ ~ are the capitals of { } | ^) and
// takes whole words only, so "bob" is not found in "bobby" or "bob_".
namespace Highlight {

// A character that can be part of a nickname: such a neighbour makes a match part of a
// longer word.
bool isWordCharacter(QChar c);

// word found in text as a whole word; text holds no formatting codes.
bool containsWord(QStringView text, QStringView word);

// The message mentions nickname or one of words (blank words are ignored).
bool mentions(const QString& message, const QString& nickname, const QStringList& words);

// The highlight list as the settings page edits it: words separated by commas or
// blanks, empty ones dropped.
QStringList parseWords(const QString& text);

} // namespace Highlight
