#include "codec/StegoFile.h"

#include <algorithm>
#include <vector>

#include "codec/StegoCodec.h"
#include "codec/StegoPayload.h"
#include "codec/VerifiedSave.h"

namespace codec {

namespace {

// A one-pixel bitmap in the file's format, so that the codec itself says whether it can use it.
bitmap::TBitmap FormatProbe(const bitmap::TBmpHeaders& h) {
    bitmap::TBitmap probe(1, 1, h.BitCount);
    if (h.HasMasks) probe.SetMasks(h.Masks);
    return probe;
}

// Pixels read at a time while looking for the end of the text: a few rows of a usual picture,
// and bounded memory whatever the width.
constexpr std::uint64_t kScanPixels = 64 * 1024;

}  // namespace

TCarrierFile::TCarrierFile(const AnsiString& fileName)
    : reader_(std::make_unique<bitmap::TBmpRowReader>(fileName)), fileName_(fileName) {
    if (!reader_->RowsReadable()) {
        // Run-length data is checked by decoding it, so such a file is loaded now, where the
        // loader would have refused it.
        carrierBytes_ = CarrierBytesPerPixel(Whole());
        return;
    }
    carrierBytes_ = CarrierBytesPerPixel(FormatProbe(reader_->Headers()));
}

bitmap::TBitmap& TCarrierFile::Whole() {
    if (!whole_) {
        bitmap::TBitmap bmp;
        bmp.LoadFromFile(fileName_);
        whole_ = std::move(bmp);
    }
    return *whole_;
}

std::int32_t TCarrierFile::Capacity() const {
    if (whole_) return codec::Capacity(*whole_);
    // The loader refuses more than 2^31 - 1 pixels, so the product fits, as in the codec.
    return static_cast<std::int32_t>(static_cast<std::int64_t>(reader_->Width()) * reader_->Height()) / 8;
}

int TCarrierFile::Width() const { return whole_ ? whole_->Width() : reader_->Width(); }
int TCarrierFile::Height() const { return whole_ ? whole_->Height() : reader_->Height(); }
int TCarrierFile::BitCount() const { return whole_ ? whole_->BitCount() : reader_->Headers().BitCount; }
bool TCarrierFile::HasMasks() const { return whole_ ? whole_->HasMasks() : reader_->Headers().HasMasks; }

bitmap::TBitmap TCarrierFile::TopRows(int rows) {
    const bitmap::TBmpHeaders& h = reader_->Headers();
    bitmap::TBitmap top(h.Width, rows, h.BitCount);
    if (h.HasMasks) top.SetMasks(h.Masks);
    reader_->ReadRows(0, rows, top.Bits());
    return top;
}

int TCarrierFile::RowsHoldingText() {
    const auto bpp = static_cast<std::uint64_t>(carrierBytes_);
    const auto width = static_cast<std::uint64_t>(reader_->Width());
    const std::uint64_t chunkPixels = std::min(width, kScanPixels);
    std::vector<std::uint8_t> chunk(chunkPixels * bpp);
    std::size_t index = 0;  // of the stored byte being gathered
    unsigned value = 0;
    int bit = 0;
    for (int row = 0; row < reader_->Height(); ++row) {
        for (std::uint64_t x = 0; x < width; x += chunkPixels) {
            const std::uint64_t n = std::min(chunkPixels, width - x);
            reader_->ReadRowPart(row, x * bpp, {chunk.data(), n * bpp});
            for (std::uint64_t i = 0; i < n; ++i) {
                value |= (chunk[i * bpp + bpp - 1] & 1u) << bit;
                if (++bit < 8) continue;
                if (index < StegoSignature.size() && value != static_cast<unsigned char>(StegoSignature[index]))
                    return 0;
                if (value == 0) return row + 1;
                ++index;
                value = 0;
                bit = 0;
            }
        }
    }
    return reader_->Height();
}

void TCarrierFile::Hide(const AnsiString& memoText, const AnsiString& outName, TEmbedding how,
                        const std::optional<AnsiString>& passphrase) {
    auto embed = [&](bitmap::TBitmap& bmp) {
        return passphrase ? EncryptTextWithPassphrase(bmp, memoText, *passphrase, how) : EncryptText(bmp, memoText, how);
    };
    if (ByRows()) {
        // The codec writes the signature, the data and a zero byte from the top row on. An
        // encrypted text is longer (base64 of the text and 92 bytes, behind its prefix); too few
        // rows only send the work down the whole-bitmap path below.
        std::uint64_t stored = EncryptPayload(memoText).size() + StegoSignature.size() + 1;
        if (passphrase) stored = stored * 4 / 3 + 256;
        const auto width = static_cast<std::uint64_t>(reader_->Width());
        const std::uint64_t rows = std::min<std::uint64_t>((stored * 8 + width - 1) / width, reader_->Height());
        bitmap::TBitmap top = TopRows(static_cast<int>(rows));
        std::optional<AnsiString> data;
        try {
            data = embed(top);
        } catch (const rtl::Exception&) {
            // Whatever the codec refuses on these rows, it is asked again on the whole bitmap
            // below, which gives the error the command has always given.
        }
        if (data) {
            SaveBmpWithRows(*reader_, 0, top.Bits(), outName, StoredCheck(*data, outName));
            return;
        }
    }
    bitmap::TBitmap& bmp = Whole();
    const AnsiString data = embed(bmp);
    SaveHiddenTextVerified(bmp, outName, data);
}

rtl::TWrittenFileCheck TCarrierFile::StoredCheck(const AnsiString& data, const AnsiString& outName) const {
    AnsiString stored(StegoSignature);
    stored += data;
    stored.push_back('\0');
    const auto width = static_cast<std::uint64_t>(reader_->Width());
    const auto rows = static_cast<int>((stored.size() * 8 + width - 1) / width);
    return [stored, rows, outName](const AnsiString& writtenFile) {
        // The saved rows read back through the same reader as any file: they must hold exactly
        // what was stored, as the verified save of the whole bitmap demands.
        bool same = false;
        try {
            bitmap::TBmpRowReader back(writtenFile);
            const bitmap::TBmpHeaders& h = back.Headers();
            bitmap::TBitmap top(h.Width, rows, h.BitCount);
            if (h.HasMasks) top.SetMasks(h.Masks);
            back.ReadRows(0, rows, top.Bits());
            same = ReadStoredBytes(top, stored.size()) == stored;
        } catch (const rtl::Exception&) {
        }
        if (!same) throw rtl::Exception(rtl::Exception::CreateResFmt, SSaveNotVerified, {outName});
    };
}

bool TCarrierFile::Reveal(AnsiString& text) {
    if (!ByRows()) return DecryptText(Whole(), text);
    const int rows = RowsHoldingText();
    if (rows == 0) {
        text.clear();
        return false;
    }
    return DecryptText(TopRows(rows), text);
}

}  // namespace codec
