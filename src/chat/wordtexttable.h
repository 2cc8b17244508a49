#pragma once

#include <QStringView>

#include <cstdint>
#include <vector>

// The pieces of text a chat document has measured, per font, with their pixel widths.
// Chat repeats its words (nicknames, "the", "***"), so each is measured once however often
// its line is made into words again. A piece too wide for one word remembers where it is
// cut instead of a width.
class WordTextTable
{
public:
    static constexpr std::uint32_t npos = ~std::uint32_t(0);

    struct Entry
    {
        std::uint32_t offset; // into the character buffer
        std::uint32_t hash;
        std::uint16_t length;
        std::uint16_t width;
        std::uint16_t font;
        std::uint16_t cut; // the length of the first piece an over-wide one yields; 0 if none
    };

    static std::uint32_t hashOf(std::uint16_t font, QStringView text);

    // The entry of (font, text), or npos.
    std::uint32_t find(std::uint16_t font, QStringView text, std::uint32_t hash) const;
    // Adds a piece known to be missing.
    std::uint32_t insert(std::uint16_t font, QStringView text, std::uint32_t hash,
                         std::uint16_t width, std::uint16_t cut = 0);

    QStringView text(std::uint32_t id) const
    {
        const Entry& e = entries_[id];
        return QStringView(chars_.data() + e.offset, e.length);
    }
    std::uint16_t width(std::uint32_t id) const { return entries_[id].width; }
    std::uint16_t cut(std::uint32_t id) const { return entries_[id].cut; }
    std::size_t size() const { return entries_.size(); }
    std::size_t characterCount() const { return chars_.size(); }

    void clear();

private:
    void grow();

    std::vector<char16_t> chars_;
    std::vector<Entry> entries_;
    // Open addressing with linear probing; a slot holds entry index + 1, 0 when empty.
    std::vector<std::uint32_t> slots_;
};
