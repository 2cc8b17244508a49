#pragma once

#include "irc/messagetags.h"

#include <QString>

#include <optional>

// A line that carries the server's prefix, split once:
// "@tags :prefix command target parameters". The target is the nickname the reply is
// addressed to ("*" or AUTH before registration).
struct ServerLine
{
    MessageTags tags;   // empty when the line has none
    QString prefix;     // first word, with its ":"
    QString command;    // second word
    QString target;     // third word
    QString parameters; // the rest, minus one leading ":"
    // Where the trailing parameter (the last, which a ":" introduces and which may hold
    // spaces) begins in parameters; -1 when the line has none.
    qsizetype trailingAt = -1;

    // The command as a reply number, or -1 when it is a word.
    int numeric() const;
    // The parameters as words to show: the colon that marks the trailing one is left out.
    QString words() const;
    // The trailing parameter; empty when the line has none.
    QString trailing() const { return trailingAt < 0 ? QString() : parameters.mid(trailingAt); }

    // Splits a line. A line of fewer than four words after its tags gives nothing
    // (std::nullopt).
    static std::optional<ServerLine> parse(const QString& line);
    // The first word of a line after its tags, or all of it when it has no space.
    static QString prefixOf(const QString& line);
};
