#include "chat/completion.h"

#include <QHash>
#include <QSet>

namespace {

bool startsWithFolded(const QString& candidate, const QString& prefix)
{
    return candidate.startsWith(prefix, Qt::CaseInsensitive);
}

// The candidates gathered so far, with their case-folded forms for the one-per-name rule.
struct Gathered
{
    QStringList names;
    QSet<QString> folded;
};

void addMatching(Gathered& out, const QStringList& from, const QString& prefix,
                 const QString& except = QString())
{
    const QString exceptFolded = except.toCaseFolded();
    for (const QString& name : from) {
        if (name.isEmpty() || !startsWithFolded(name, prefix))
            continue;
        QString folded = name.toCaseFolded();
        if (!except.isEmpty() && folded == exceptFolded)
            continue;
        if (out.folded.contains(folded))
            continue;
        out.folded.insert(std::move(folded));
        out.names.append(name);
    }
}

// The recent speakers that start with prefix and are still in the nick list, most
// recent first, each as the nick list spells it: the same spelling when it is there,
// else the first entry that differs only in case. One walk over the nick list.
QStringList presentSpeakers(const QString& prefix, const Completion::Sources& sources)
{
    QHash<QString, qsizetype> wanted; // folded speaker -> its place among the speakers
    for (qsizetype i = 0; i < sources.recentSpeakers.size(); ++i) {
        const QString& speaker = sources.recentSpeakers[i];
        // A speaker listed twice in different cases keeps its first, most recent place.
        if (speaker.isEmpty() || !startsWithFolded(speaker, prefix))
            continue;
        const QString folded = speaker.toCaseFolded();
        if (!wanted.contains(folded))
            wanted.insert(folded, i);
    }
    if (wanted.isEmpty())
        return {};
    QList<QString> spelled(sources.recentSpeakers.size());
    QList<bool> exact(sources.recentSpeakers.size(), false);
    for (const QString& nick : sources.nicknames) {
        if (nick.isEmpty() || !startsWithFolded(nick, prefix))
            continue;
        const auto it = wanted.constFind(nick.toCaseFolded());
        if (it == wanted.constEnd())
            continue;
        const qsizetype at = *it;
        if (exact[at])
            continue;
        if (nick == sources.recentSpeakers[at]) {
            spelled[at] = nick;
            exact[at] = true;
        } else if (spelled[at].isEmpty()) {
            spelled[at] = nick;
        }
    }
    QStringList present;
    for (const QString& nick : spelled) {
        if (!nick.isEmpty())
            present.append(nick);
    }
    return present;
}

} // namespace

QStringList Completion::candidates(const QString& word, bool lineStart, const Sources& sources)
{
    Gathered out;
    if (word.startsWith(u'/')) {
        if (lineStart)
            addMatching(out, sources.commands, word);
        return out.names;
    }
    if (word.startsWith(u'#')) {
        addMatching(out, sources.channels, word);
        if (!out.names.isEmpty())
            return out.names;
    }
    // Speakers still in the channel first, by how recently they spoke.
    addMatching(out, presentSpeakers(word, sources), word, sources.ownNickname);
    addMatching(out, sources.nicknames, word, sources.ownNickname);
    return out.names;
}

std::optional<Completion::Result> Completion::complete(const QString& text, int cursor,
                                                       const Sources& sources)
{
    cursor = std::clamp(cursor, 0, int(text.size()));
    if (cycle_ && cycle_->last == Result{text, cursor}) {
        if (cycle_->candidates.size() < 2)
            return cycle_->last;
        cycle_->index = (cycle_->index + 1) % int(cycle_->candidates.size());
        cycle_->last = apply(*cycle_);
        return cycle_->last;
    }
    cycle_.reset();

    if (cursor == 0) // nothing before the cursor (and lastIndexOf would search from the end)
        return std::nullopt;
    const int wordStart = int(text.lastIndexOf(u' ', cursor - 1) + 1);
    const QString word = text.mid(wordStart, cursor - wordStart);
    if (word.isEmpty())
        return std::nullopt;
    const bool lineStart = text.left(wordStart).trimmed().isEmpty();
    Cycle cycle;
    cycle.candidates = candidates(word, lineStart, sources);
    if (cycle.candidates.isEmpty())
        return std::nullopt;
    cycle.before = text.left(wordStart);
    QString after = text.mid(cursor);
    // The completion brings its own separator.
    while (after.startsWith(u' '))
        after.remove(0, 1);
    cycle.after = after;
    cycle.lineStart = lineStart;
    cycle.last = apply(cycle);
    cycle_ = std::move(cycle);
    return cycle_->last;
}

Completion::Result Completion::apply(const Cycle& cycle) const
{
    const QString& choice = cycle.candidates.at(cycle.index);
    const bool addressed = cycle.lineStart && !choice.startsWith(u'/') && !choice.startsWith(u'#');
    const QString completed =
        cycle.before + choice + (addressed ? AddressSuffix.toString() : QStringLiteral(" "));
    return {completed + cycle.after, int(completed.size())};
}
