#include "chat/completion.h"

namespace {

bool startsWithFolded(const QString& candidate, const QString& prefix)
{
    return candidate.startsWith(prefix, Qt::CaseInsensitive);
}

void addMatching(QStringList& out, const QStringList& from, const QString& prefix,
                 const QString& except = QString())
{
    for (const QString& name : from) {
        if (name.isEmpty() || !startsWithFolded(name, prefix))
            continue;
        if (!except.isEmpty() && name.compare(except, Qt::CaseInsensitive) == 0)
            continue;
        if (!out.contains(name, Qt::CaseInsensitive))
            out.append(name);
    }
}

} // namespace

QStringList Completion::candidates(const QString& word, bool lineStart, const Sources& sources)
{
    QStringList out;
    if (word.startsWith(u'/')) {
        if (lineStart)
            addMatching(out, sources.commands, word);
        return out;
    }
    if (word.startsWith(u'#')) {
        addMatching(out, sources.channels, word);
        if (!out.isEmpty())
            return out;
    }
    // Speakers still in the channel first, by how recently they spoke.
    QStringList present;
    for (const QString& speaker : sources.recentSpeakers) {
        const qsizetype at = sources.nicknames.indexOf(speaker, 0);
        if (at >= 0) {
            present.append(speaker);
            continue;
        }
        for (const QString& nick : sources.nicknames) {
            if (nick.compare(speaker, Qt::CaseInsensitive) == 0)
                present.append(nick);
        }
    }
    addMatching(out, present, word, sources.ownNickname);
    addMatching(out, sources.nicknames, word, sources.ownNickname);
    return out;
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
