#pragma once

#include "core/event.h"

#include <QString>

#include <array>

// One row of the event-to-sound list: a fixed event caption, a check mark that enables
// the sound and the path of the linked file (empty when none is linked).
struct SoundEntry
{
    bool checked = false;
    QString path;

    bool operator==(const SoundEntry&) const = default;
};

// The event-to-sound list `soundlist`. Its rows and their order are fixed: the settings
// file stores them by index as s0 .. s34, and the event hook walks them first to last.
class SoundList
{
public:
    static constexpr int rowCount = 35;

    // The event a row is for, and the row's label, the event's title.
    static Event event(int row);
    static QString caption(int row);
    // Rows whose sound cuts off whatever is playing instead of waiting for it to end.
    static bool interrupts(int row);

    const SoundEntry& entry(int row) const { return entries_.at(row); }
    SoundEntry& entry(int row) { return entries_.at(row); }

    // "caption", or "caption - path" when a file is linked.
    QString text(int row) const;

    // Link event to a Sound: the row plays path from now on; its check mark stays.
    void linkFile(int row, const QString& path) { entry(row).path = path; }
    // Unlink event from sound: no file, and the mark is cleared.
    void unlink(int row) { entry(row) = SoundEntry(); }

    bool operator==(const SoundList&) const = default;

private:
    std::array<SoundEntry, rowCount> entries_;
};

// The settings value of one row: "1," or "0," followed by the path.
QString encodeSoundSetting(const SoundEntry& entry);
// Any first character but "1" means unchecked; the path is everything after the first
// two characters, trimmed.
SoundEntry decodeSoundSetting(const QString& value);
