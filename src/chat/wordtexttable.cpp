#include "chat/wordtexttable.h"

#include <QHash>

#include <cstring>

std::uint32_t WordTextTable::hashOf(std::uint16_t font, QStringView text)
{
    return std::uint32_t(qHash(text, font));
}

std::uint32_t WordTextTable::find(std::uint16_t font, QStringView text, std::uint32_t hash) const
{
    if (slots_.empty())
        return npos;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const std::uint32_t slot = slots_[i];
        if (slot == 0)
            return npos;
        const Entry& e = entries_[slot - 1];
        // An empty text may have no storage at all, which memcmp must not be given.
        if (e.hash == hash && e.font == font && e.length == text.size() &&
            (e.length == 0 || std::memcmp(chars_.data() + e.offset, text.utf16(),
                                          std::size_t(e.length) * sizeof(char16_t)) == 0))
            return slot - 1;
    }
}

std::uint32_t WordTextTable::insert(std::uint16_t font, QStringView text, std::uint32_t hash,
                                    std::uint16_t width, std::uint16_t cut)
{
    if ((entries_.size() + 1) * 4 > slots_.size() * 3)
        grow();
    const auto id = std::uint32_t(entries_.size());
    entries_.push_back(
        {std::uint32_t(chars_.size()), hash, std::uint16_t(text.size()), width, font, cut});
    chars_.insert(chars_.end(), text.utf16(), text.utf16() + text.size());
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    while (slots_[i] != 0)
        i = (i + 1) & mask;
    slots_[i] = id + 1;
    return id;
}

void WordTextTable::grow()
{
    std::vector<std::uint32_t> slots(slots_.empty() ? 1024 : slots_.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t id = 0; id < entries_.size(); ++id) {
        std::size_t i = entries_[id].hash & mask;
        while (slots[i] != 0)
            i = (i + 1) & mask;
        slots[i] = id + 1;
    }
    slots_.swap(slots);
}

void WordTextTable::clear()
{
    // Release the memory too: clearing a view is how a user frees a long history.
    std::vector<char16_t>().swap(chars_);
    std::vector<Entry>().swap(entries_);
    std::vector<std::uint32_t>().swap(slots_);
}
