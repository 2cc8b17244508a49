#pragma once

#include "irc/messagetags.h"

#include <QHash>
#include <QString>
#include <QStringList>

// The batches a server has open, from "BATCH +ref type parameters..." to "BATCH -ref":
// what kind of batch a line's "batch" tag names (a history playback, a netsplit, the
// answer to a labeled command), following batches nested in batches. At most MaxOpen
// are followed; a line naming any other reference counts as outside every batch.
class OpenBatches
{
public:
    static constexpr qsizetype MaxOpen = 64;

    struct Batch
    {
        QString reference;
        QString type; // "chathistory", "netsplit", "labeled-response", ...
        QStringList parameters;
        QString label;  // of the command a labeled-response batch answers
        QString parent; // the batch this one is nested in; empty for none
    };

    // Opens a batch for "BATCH +ref", or finds the one "BATCH -ref" closes and returns it
    // in closed, where it stays findable until remove() (so that what ends it can still
    // ask). The line comes with its tags split off and its prefix kept. False for any
    // other line.
    bool follow(const MessageTags& tags, QStringView line, Batch* opened = nullptr,
                Batch* closed = nullptr);
    const Batch* find(const QString& reference) const;
    // The batch a line belongs to; nullptr for none.
    const Batch* batchOf(const MessageTags& tags) const;
    // True when the line, or a batch around it, is of the given type.
    bool within(const MessageTags& tags, QStringView type) const;
    // The label of the command a line answers: its own, or its batch's.
    QString labelOf(const MessageTags& tags) const;
    void remove(const QString& reference) { open_.remove(reference); }
    qsizetype count() const { return open_.size(); }
    void clear() { open_.clear(); }

private:
    QHash<QString, Batch> open_;
};
