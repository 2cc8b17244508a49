#pragma once

#include "irc/messagetags.h"

#include <QString>

#include <optional>

// A line from another user, split once: "@tags :nick!user@host COMMAND target :rest".
struct UserLine
{
    QString whole;    // the line as received, tags included
    MessageTags tags; // empty when the line has none
    QString sender;   // nickname as sent
    QString address;  // user@host, lower-cased
    QString command;  // upper-cased
    QString target;   // one leading ":" removed when it is the last word
    QString rest;     // after the target, minus one leading ":"; empty when none

    // Lines without a user part ("!") in their prefix, or without a command, give nothing;
    // a command alone gives empty target and rest.
    static std::optional<UserLine> parse(const QString& line);
    QString senderLower() const { return sender.toLower(); }
};
