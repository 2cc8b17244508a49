#include "irc/openbatches.h"

namespace {
// Nesting is followed this deep at most, however the references point.
constexpr int MaxDepth = 8;
} // namespace

bool OpenBatches::follow(const MessageTags& tags, QStringView line, Batch* opened, Batch* closed)
{
    QStringView rest = line;
    if (rest.startsWith(u':')) {
        const qsizetype space = rest.indexOf(u' ');
        if (space < 0)
            return false;
        rest = rest.mid(space + 1);
    }
    const qsizetype space = rest.indexOf(u' ');
    if (space < 0 || rest.left(space).compare(u"BATCH", Qt::CaseInsensitive) != 0)
        return false;
    // The parameters; any of them may be the trailing one (":-1", ":labeled-response").
    QList<QStringView> words;
    QStringView parameters = rest.mid(space + 1);
    while (!parameters.isEmpty()) {
        if (parameters.startsWith(u' ')) {
            parameters = parameters.mid(1);
            continue;
        }
        if (parameters.startsWith(u':')) {
            words << parameters.mid(1);
            break;
        }
        const qsizetype end = parameters.indexOf(u' ');
        words << (end < 0 ? parameters : parameters.left(end));
        parameters = end < 0 ? QStringView() : parameters.mid(end + 1);
    }
    if (words.isEmpty() || words.first().size() < 2)
        return true;
    const QString reference = words.first().mid(1).toString();
    if (words.first().front() == u'-') {
        const auto found = open_.constFind(reference);
        if (found != open_.constEnd() && closed)
            *closed = *found;
        return true;
    }
    if (words.first().front() != u'+' || words.size() < 2 || open_.size() >= MaxOpen)
        return true;
    Batch batch;
    batch.reference = reference;
    batch.type = words.at(1).toString();
    for (qsizetype i = 2; i < words.size(); ++i)
        batch.parameters << words.at(i).toString();
    batch.label = tags.label();
    batch.parent = tags.batch();
    if (opened)
        *opened = batch;
    open_.insert(reference, std::move(batch));
    return true;
}

const OpenBatches::Batch* OpenBatches::find(const QString& reference) const
{
    const auto found = open_.constFind(reference);
    return found == open_.constEnd() ? nullptr : &*found;
}

const OpenBatches::Batch* OpenBatches::batchOf(const MessageTags& tags) const
{
    const QString reference = tags.batch();
    return reference.isEmpty() ? nullptr : find(reference);
}

bool OpenBatches::within(const MessageTags& tags, QStringView type) const
{
    const Batch* batch = batchOf(tags);
    for (int depth = 0; batch && depth < MaxDepth; ++depth) {
        if (batch->type == type)
            return true;
        batch = batch->parent.isEmpty() ? nullptr : find(batch->parent);
    }
    return false;
}

QString OpenBatches::labelOf(const MessageTags& tags) const
{
    if (tags.has(u"label"))
        return tags.label();
    const Batch* batch = batchOf(tags);
    for (int depth = 0; batch && depth < MaxDepth; ++depth) {
        if (!batch->label.isEmpty())
            return batch->label;
        batch = batch->parent.isEmpty() ? nullptr : find(batch->parent);
    }
    return {};
}
