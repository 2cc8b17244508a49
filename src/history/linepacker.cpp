#include "history/linepacker.h"

// The frame format without its magic number and dictionary id, and the dictionary maker
// with parameters of its own choosing, are zstd's advanced interface.
#define ZSTD_STATIC_LINKING_ONLY
#define ZDICT_STATIC_LINKING_ONLY
#include <zdict.h>
#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>

namespace {
// Fast to pack: a line is packed as it is written.
constexpr int Level = 1;
} // namespace

LinePacker::LinePacker() = default;

LinePacker::~LinePacker()
{
    clear();
}

void LinePacker::clear()
{
    ZSTD_freeCCtx(cctx_);
    ZSTD_freeDCtx(dctx_);
    ZSTD_freeCDict(cdict_);
    ZSTD_freeDDict(ddict_);
    cctx_ = nullptr;
    dctx_ = nullptr;
    cdict_ = nullptr;
    ddict_ = nullptr;
}

QByteArray LinePacker::makeDictionary(const std::vector<QByteArray>& samples)
{
    QByteArray joined;
    std::vector<size_t> sizes;
    sizes.reserve(samples.size());
    for (const QByteArray& sample : samples) {
        joined += sample;
        sizes.push_back(size_t(sample.size()));
    }
    // Fixed parameters rather than a search for the best ones: a tenth of the time, and
    // nearly the same dictionary for text like chat.
    ZDICT_fastCover_params_t params = {};
    params.k = 200;
    params.d = 8;
    params.f = 18;
    params.accel = 1;
    params.steps = 0;
    params.zParams.compressionLevel = Level;
    QByteArray dictionary(DictionaryBytes, Qt::Uninitialized);
    const size_t made = ZDICT_trainFromBuffer_fastCover(
        dictionary.data(), size_t(dictionary.size()), joined.constData(), sizes.data(),
        unsigned(sizes.size()), params);
    if (ZDICT_isError(made))
        return QByteArray();
    dictionary.truncate(qsizetype(made));
    return dictionary;
}

bool LinePacker::load(const QByteArray& dictionary)
{
    clear();
    if (dictionary.isEmpty())
        return false;
    cctx_ = ZSTD_createCCtx();
    dctx_ = ZSTD_createDCtx();
    cdict_ = ZSTD_createCDict(dictionary.constData(), size_t(dictionary.size()), Level);
    ddict_ = ZSTD_createDDict(dictionary.constData(), size_t(dictionary.size()));
    // Every packed line uses the one dictionary: no magic number, no dictionary id, no
    // checksum, only the frame.
    const bool ok =
        cctx_ && dctx_ && cdict_ && ddict_ &&
        !ZSTD_isError(ZSTD_CCtx_setParameter(cctx_, ZSTD_c_format, ZSTD_f_zstd1_magicless)) &&
        !ZSTD_isError(ZSTD_CCtx_setParameter(cctx_, ZSTD_c_dictIDFlag, 0)) &&
        !ZSTD_isError(ZSTD_CCtx_refCDict(cctx_, cdict_)) &&
        !ZSTD_isError(ZSTD_DCtx_setParameter(dctx_, ZSTD_d_format, ZSTD_f_zstd1_magicless)) &&
        !ZSTD_isError(ZSTD_DCtx_refDDict(dctx_, ddict_));
    if (!ok)
        clear();
    return ok;
}

QByteArrayView LinePacker::pack(QByteArrayView text)
{
    if (!cdict_ || text.isEmpty() || text.size() > LongestText)
        return {};
    packed_.resize(qsizetype(ZSTD_compressBound(size_t(text.size()))));
    const size_t size = ZSTD_compress2(cctx_, packed_.data(), size_t(packed_.size()), text.data(),
                                       size_t(text.size()));
    if (ZSTD_isError(size) || qsizetype(size) >= text.size())
        return {};
    return QByteArrayView(packed_.constData(), qsizetype(size));
}

bool LinePacker::unpack(QByteArrayView packed, QByteArray& text)
{
    if (!ddict_ || packed.isEmpty())
        return false;
    // Most lines are short; a longer one is tried again with more room.
    qsizetype room = std::max<qsizetype>(1024, packed.size() * 8);
    for (;;) {
        room = std::min<qsizetype>(room, LongestText);
        text.resize(room);
        const size_t size = ZSTD_decompressDCtx(dctx_, text.data(), size_t(room), packed.data(),
                                                size_t(packed.size()));
        if (!ZSTD_isError(size)) {
            text.truncate(qsizetype(size));
            return true;
        }
        if (ZSTD_getErrorCode(size) != ZSTD_error_dstSize_tooSmall || room == LongestText) {
            text.clear();
            return false;
        }
        room *= 8;
    }
}
