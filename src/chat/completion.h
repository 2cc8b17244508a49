#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Tab completion in a text entry. The word before the cursor is completed from the
// channel's nicknames (the most recent speakers first, then the rest in list order),
// from the command words when it starts the line with "/", or from the open channels
// when it starts with "#". Pressing Tab again on the text just completed offers the next
// candidate, and wraps round.
class Completion
{
public:
    struct Sources
    {
        QStringList nicknames;      // the nick list, without rank
        QStringList recentSpeakers; // most recent first; only those in nicknames count
        QString ownNickname;        // never offered
        QStringList commands;       // "/join" and so on
        QStringList channels;       // the open channels
    };

    struct Result
    {
        QString text;
        int cursor = 0;
        bool operator==(const Result&) const = default;
    };

    // A nickname completed at the start of the line is followed by this; elsewhere a
    // completion is followed by one space.
    static constexpr QStringView AddressSuffix = u": ";

    // Completes text at cursor, or offers the next candidate when text and cursor are
    // what the previous call returned. Nothing when no candidate fits.
    std::optional<Result> complete(const QString& text, int cursor, const Sources& sources);
    // The user typed or moved: the next Tab starts afresh.
    void reset() { cycle_.reset(); }

    // The candidates for a word, in the order Tab offers them.
    static QStringList candidates(const QString& word, bool lineStart, const Sources& sources);

private:
    struct Cycle
    {
        QStringList candidates;
        int index = 0;
        QString before; // the text up to the completed word
        QString after;  // the text after the cursor
        bool lineStart = false;
        Result last;
    };

    Result apply(const Cycle& cycle) const;

    std::optional<Cycle> cycle_;
};
