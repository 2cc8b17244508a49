#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

struct ZSTD_CCtx_s;
struct ZSTD_DCtx_s;
struct ZSTD_CDict_s;
struct ZSTD_DDict_s;

// Packs the text of stored lines with a dictionary made from the store's own lines. A chat
// line is too short to shrink on its own, but most of its words, and the words around
// them, are in the dictionary (the benchmark's lines of 75 bytes keep about 40). One
// packer is used from one thread.
class LinePacker
{
public:
    // The dictionary's size, and the longest text that is packed (or unpacked).
    static constexpr int DictionaryBytes = 32 * 1024;
    static constexpr int LongestText = 1024 * 1024;

    LinePacker();
    ~LinePacker();
    LinePacker(const LinePacker&) = delete;
    LinePacker& operator=(const LinePacker&) = delete;

    // A dictionary made from samples (lines' text, UTF-8); empty when they are too few or
    // too small for one.
    static QByteArray makeDictionary(const std::vector<QByteArray>& samples);
    // False for data that is no dictionary; the packer then packs nothing.
    bool load(const QByteArray& dictionary);
    bool isReady() const { return cdict_ != nullptr; }
    // Without a dictionary again.
    void clear();

    // The text packed, valid until the next call; empty when packing would not make it
    // shorter (or there is no dictionary), so that the text is kept as it is.
    QByteArrayView pack(QByteArrayView text);
    // The text of a packed line; false when the data is no such line (a damaged file).
    bool unpack(QByteArrayView packed, QByteArray& text);

private:
    ZSTD_CCtx_s* cctx_ = nullptr;
    ZSTD_DCtx_s* dctx_ = nullptr;
    ZSTD_CDict_s* cdict_ = nullptr;
    ZSTD_DDict_s* ddict_ = nullptr;
    QByteArray packed_;
};
