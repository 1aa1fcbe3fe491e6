#pragma once
// Internal to langdata/kcompress: the compressor objects behind the stream functions of
// kcompress.h. A compressor holds its two streams, the header data and a progress listener.

#include "langdata/kcompress/kcompress.h"

namespace langdata {

class TKCompressor : public rtl::TObject {
public:
    TKCompressor(rtl::TStream* source, rtl::TStream* dest, TKProgressEvent onProgress = {});

    rtl::TStream* Source;
    rtl::TStream* Dest;
    TKProgressEvent OnProgress;
    TKCompressHeader HeaderData{};

    virtual void ReadHeader() = 0;
    virtual void WriteHeader() = 0;
    virtual void DoCompress() = 0;
    virtual void DoDecompress() = 0;
    virtual void DoProgress(std::int32_t position, std::int32_t size);

    // Checks both streams (source first), then ReadHeader and DoDecompress.
    void Decompress();
    // Checks both streams (source first), then WriteHeader and DoCompress.
    void Compress();

protected:
    void CheckStreams() const;
};

class TLZKCompressor : public TKCompressor {
public:
    using TKCompressor::TKCompressor;

    // Reads 5 bytes from Source; when they are "LZK00" and 4 more follow, those go to
    // headerData and the answer is true. A stream that ends inside the header is not LZK.
    bool TestHeader(TKCompressHeader& headerData);

    void ReadHeader() override;
    void WriteHeader() override;
    void DoCompress() override;
    // Tokens from the source's position to its end; with a progress listener, one token at a
    // time, each followed by a report.
    void DoDecompress() override;

private:
    void DecompressInPlace(rtl::TCustomMemoryStream& source);
    void DecompressInBlocks();
};

}  // namespace langdata
