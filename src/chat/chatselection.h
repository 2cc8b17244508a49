#pragma once

#include "chat/chatlink.h"

#include <QString>

#include <utility>

class ChatDocument;

// A mouse selection over words: characters startChar.. of the start word through
// ..endChar (inclusive) of the end word.
struct ChatSelection
{
    qsizetype startWord = -1;
    int startChar = 0;
    qsizetype endWord = -1;
    int endChar = 0;

    bool isValid() const { return startWord >= 0 && endWord >= startWord; }
};

// What the mouse reaches in a document's words: characters, the space-delimited word
// around a word and its link, and the text of a selection.
namespace ChatSelecting {
// The character of a word under a control x (clamped into the word), and the pixel width
// of a word's first characters. These measure.
int characterAt(const ChatDocument& doc, qsizetype word, int x);
int characterOffset(const ChatDocument& doc, qsizetype word, int characters);
// The space-delimited word around a word: its first and last word (inclusive), never
// across a line start.
std::pair<qsizetype, qsizetype> delimitedWordRange(const ChatDocument& doc, qsizetype word);
ChatLink linkAt(const ChatDocument& doc, qsizetype word);
// The selected text, CR LF before each selected word that starts a line (the first
// excepted).
QString selectionText(const ChatDocument& doc, const ChatSelection& selection);
} // namespace ChatSelecting
