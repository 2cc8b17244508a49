#pragma once

#include <QStringView>

#include <cstdint>
#include <vector>

// Every distinct piece of text a chat document holds, per font, stored once together
// with its pixel width. Chat repeats its words (nicknames, "the", "***"), so a word
// record keeps only the index of its piece: the text is stored once and measured once.
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
    };

    static std::uint32_t hashOf(std::uint16_t font, QStringView text);

    // The entry of (font, text), or npos.
    std::uint32_t find(std::uint16_t font, QStringView text, std::uint32_t hash) const;
    // Adds a piece known to be missing.
    std::uint32_t insert(std::uint16_t font, QStringView text, std::uint32_t hash,
                         std::uint16_t width);

    QStringView text(std::uint32_t id) const
    {
        const Entry& e = entries_[id];
        return QStringView(chars_.data() + e.offset, e.length);
    }
    std::uint16_t width(std::uint32_t id) const { return entries_[id].width; }
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
