#pragma once

#include <QString>

// What a space-delimited word of chat text links to.
struct ChatLink
{
    enum Kind { None, Web, Channel, Sound, Nickname };

    Kind kind = None;
    // Web: the text as shown; Channel: the channel without a leading "@" or "+";
    // Sound: the file; Nickname: the nickname between the brackets.
    QString target;
    // Sound links only: the nickname that owns the file.
    QString owner;
    // The words that make up the link in its document (inclusive); -1 when unknown.
    qsizetype firstWord = -1;
    qsizetype lastWord = -1;

    bool isLink() const { return kind != None; }
};

// How a word under the pointer is classified, first match wins. word is the trimmed space-delimited
// word; lineFirstWord is the trimmed first space-delimited word of its line, whose
// first and last characters removed name a sound's owner ("<nick>" -> "nick").
ChatLink classifyLink(const QString& word, const QString& lineFirstWord);
