#pragma once
// Streams with the run time's semantics: Read and Write move what they can and answer the count;
// ReadBuffer and WriteBuffer raise EReadError / EWriteError on a short transfer. Positions and
// sizes are 64-bit. Integers are read and written little-endian with explicit widths.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/rtl/SysTypes.h"

namespace rtl {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
public:
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    // Answers the new position. Seeking before the start clamps to 0; after the end is allowed
    // (a later write fills the gap with zeros where the stream supports it).
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    virtual std::int64_t Size();
    virtual void SetSize(std::int64_t newSize) = 0;

    std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
    // Bytes between the position and the end (0 when positioned past the end).
    std::int64_t Remaining();

    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);
    // Copies count bytes from source's position; count 0 copies the whole source from its start.
    // Answers the number of bytes copied; a short source raises EReadError.
    std::int64_t CopyFrom(TStream& source, std::int64_t count);

    // One byte; streams in memory answer it without the general Read.
    virtual std::uint8_t ReadU8();
    std::uint16_t ReadU16();
    std::uint32_t ReadU32();
    std::int32_t ReadI32() { return static_cast<std::int32_t>(ReadU32()); }
    std::uint64_t ReadU64();
    void WriteU8(std::uint8_t v);
    void WriteU16(std::uint16_t v);
    void WriteU32(std::uint32_t v);
    void WriteI32(std::int32_t v) { WriteU32(static_cast<std::uint32_t>(v)); }
    void WriteU64(std::uint64_t v);
    // Reads count bytes into a new vector; raises EReadError without allocating when fewer remain.
    std::vector<std::uint8_t> ReadBytes(std::int64_t count);
    void WriteBytes(std::span<const std::uint8_t> bytes) { WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size())); }
};

// Base of the streams that keep their bytes in memory.
class TCustomMemoryStream : public TStream {
public:
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::uint8_t ReadU8() override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(View().size()); }
    virtual std::span<const std::uint8_t> View() const = 0;
    void SaveToStream(TStream& dest);
    void SaveToFile(const AnsiString& fileName);

protected:
    std::int64_t position_ = 0;
};

// A growable stream that owns its bytes.
class TMemoryStream : public TCustomMemoryStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    std::int64_t Write(const void* buffer, std::int64_t count) override;
    void SetSize(std::int64_t newSize) override;
    std::span<const std::uint8_t> View() const override { return bytes_; }

    // Room for a size of bytes, so that writing up to it does not move them.
    void Reserve(std::int64_t size);
    std::uint8_t* Memory() { return bytes_.data(); }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::vector<std::uint8_t> TakeBytes();
    void Clear();
    void LoadFromStream(TStream& source);
    void LoadFromFile(const AnsiString& fileName);

private:
    std::vector<std::uint8_t> bytes_;
};

// A read-only stream over bytes that someone else owns (a resource, a part of a file image).
// Writing transfers nothing, so WriteBuffer raises EWriteError.
class TReadOnlyStream : public TCustomMemoryStream {
public:
    explicit TReadOnlyStream(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::int64_t Write(const void*, std::int64_t) override { return 0; }
    void SetSize(std::int64_t newSize) override;
    std::span<const std::uint8_t> View() const override { return bytes_; }

private:
    std::span<const std::uint8_t> bytes_;
};

enum class TFileMode { fmOpenRead, fmOpenWrite, fmOpenReadWrite, fmCreate };

// A stream over an open file; the file is closed when the stream is destroyed.
// Opening raises EFOpenError, creating EFCreateError, with the file name and the system's reason.
class TFileStream : public TStream {
public:
    TFileStream(const AnsiString& fileName, TFileMode mode);
    ~TFileStream() override;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t newSize) override;
    const AnsiString& FileName() const { return fileName_; }
    // The open file, for positioned reads and copies between files; owned by the stream.
    int Handle() const { return fd_; }

private:
    AnsiString fileName_;
    int fd_ = -1;
};

}  // namespace rtl
