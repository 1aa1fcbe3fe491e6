#include "platform/rtl/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#include "platform/rtl/Exception.h"
#include "platform/rtl/RtlConsts.h"

namespace rtl {

// ---- TStream ----------------------------------------------------------------------------

std::int64_t TStream::Size() {
    std::int64_t pos = Seek(0, TSeekOrigin::soCurrent);
    std::int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(pos, TSeekOrigin::soBeginning);
    return size;
}

std::int64_t TStream::Remaining() {
    std::int64_t left = Size() - Position();
    return left > 0 ? left : 0;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
    if (count < 0 || (count != 0 && Read(buffer, count) != count))
        throw EReadError(EReadError::CreateRes, SReadError);
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
    if (count < 0 || (count != 0 && Write(buffer, count) != count))
        throw EWriteError(EWriteError::CreateRes, SWriteError);
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    // A stream in memory is written from its own bytes, without a buffer between.
    if (auto* memory = dynamic_cast<TCustomMemoryStream*>(&source); memory && memory != this) {
        const std::int64_t at = memory->Position();
        if (count < 0 || count > memory->Size() - at) throw EReadError(EReadError::CreateRes, SReadError);
        WriteBuffer(memory->View().data() + at, count);
        memory->Seek(count, TSeekOrigin::soCurrent);
        return count;
    }
    std::vector<std::uint8_t> chunk(static_cast<std::size_t>(std::min<std::int64_t>(count, 64 * 1024)));
    std::int64_t left = count;
    while (left > 0) {
        std::int64_t n = std::min<std::int64_t>(left, static_cast<std::int64_t>(chunk.size()));
        source.ReadBuffer(chunk.data(), n);
        WriteBuffer(chunk.data(), n);
        left -= n;
    }
    return count;
}

std::uint8_t TStream::ReadU8() {
    std::uint8_t b;
    ReadBuffer(&b, 1);
    return b;
}

std::uint16_t TStream::ReadU16() {
    std::uint8_t b[2];
    ReadBuffer(b, 2);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t TStream::ReadU32() {
    std::uint8_t b[4];
    ReadBuffer(b, 4);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::uint64_t TStream::ReadU64() {
    std::uint64_t low = ReadU32();
    std::uint64_t high = ReadU32();
    return low | (high << 32);
}

void TStream::WriteU8(std::uint8_t v) { WriteBuffer(&v, 1); }

void TStream::WriteU16(std::uint16_t v) {
    std::uint8_t b[2] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
    WriteBuffer(b, 2);
}

void TStream::WriteU32(std::uint32_t v) {
    std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                         static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    WriteBuffer(b, 4);
}

void TStream::WriteU64(std::uint64_t v) {
    WriteU32(static_cast<std::uint32_t>(v));
    WriteU32(static_cast<std::uint32_t>(v >> 32));
}

std::vector<std::uint8_t> TStream::ReadBytes(std::int64_t count) {
    if (count < 0 || count > Remaining()) throw EReadError(EReadError::CreateRes, SReadError);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    ReadBuffer(bytes.data(), count);
    return bytes;
}

// ---- memory streams -----------------------------------------------------------------------

namespace {

// Runs a step that grows a memory stream's bytes; running out of memory (or past a vector's
// limit) is the stream's EOutOfMemory.
template <class F>
void Growing(F&& grow) {
    try {
        grow();
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory(EOutOfMemory::CreateRes, SMemoryStreamError);
    } catch (const std::length_error&) {
        throw EOutOfMemory(EOutOfMemory::CreateRes, SMemoryStreamError);
    }
}

}  // namespace

std::int64_t TCustomMemoryStream::Read(void* buffer, std::int64_t count) {
    auto view = View();
    std::int64_t size = static_cast<std::int64_t>(view.size());
    if (count <= 0 || position_ >= size) return 0;
    std::int64_t n = std::min(count, size - position_);
    std::memcpy(buffer, view.data() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

std::uint8_t TCustomMemoryStream::ReadU8() {
    const auto view = View();
    if (position_ >= static_cast<std::int64_t>(view.size())) throw EReadError(EReadError::CreateRes, SReadError);
    return view[static_cast<std::size_t>(position_++)];
}

std::int64_t TCustomMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    std::int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent) base = position_;
    if (origin == TSeekOrigin::soEnd) base = static_cast<std::int64_t>(View().size());
    position_ = std::max<std::int64_t>(0, base + offset);
    return position_;
}

void TCustomMemoryStream::SaveToStream(TStream& dest) {
    auto view = View();
    dest.WriteBuffer(view.data(), static_cast<std::int64_t>(view.size()));
}

void TCustomMemoryStream::SaveToFile(const AnsiString& fileName) {
    TFileStream file(fileName, TFileMode::fmCreate);
    SaveToStream(file);
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0) return 0;
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    // The gap after a seek past the end reads as zeros.
    if (position_ > static_cast<std::int64_t>(bytes_.size())) SetSize(position_);
    // Bytes that land on old ones are copied over them; the rest are appended, without first
    // growing the vector with zeros that the copy would overwrite.
    const std::int64_t over = std::min(count, static_cast<std::int64_t>(bytes_.size()) - position_);
    if (over > 0) std::memcpy(bytes_.data() + position_, bytes, static_cast<std::size_t>(over));
    if (over < count) Growing([&] { bytes_.insert(bytes_.end(), bytes + over, bytes + count); });
    position_ += count;
    return count;
}

void TMemoryStream::SetSize(std::int64_t newSize) {
    if (newSize < 0) newSize = 0;
    Growing([&] {
        if (static_cast<std::size_t>(newSize) > bytes_.capacity())
            bytes_.reserve(std::max<std::size_t>(static_cast<std::size_t>(newSize), bytes_.capacity() * 2));
        bytes_.resize(static_cast<std::size_t>(newSize));
    });
    if (position_ > newSize) position_ = newSize;
}

void TMemoryStream::Reserve(std::int64_t size) {
    Growing([&] {
        if (size > 0) bytes_.reserve(static_cast<std::size_t>(size));
    });
}

std::vector<std::uint8_t> TMemoryStream::TakeBytes() {
    position_ = 0;
    return std::exchange(bytes_, {});
}

void TMemoryStream::Clear() {
    bytes_.clear();
    bytes_.shrink_to_fit();
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
    source.SetPosition(0);
    std::int64_t size = source.Size();
    SetSize(size);
    position_ = 0;
    if (size > 0) source.ReadBuffer(bytes_.data(), size);
}

void TMemoryStream::LoadFromFile(const AnsiString& fileName) {
    TFileStream file(fileName, TFileMode::fmOpenRead);
    LoadFromStream(file);
}

void TReadOnlyStream::SetSize(std::int64_t) { throw EWriteError(EWriteError::CreateRes, SWriteError); }

// ---- file stream ------------------------------------------------------------------------------

TFileStream::TFileStream(const AnsiString& fileName, TFileMode mode) : fileName_(fileName) {
    int flags = O_CLOEXEC;
    switch (mode) {
        case TFileMode::fmOpenRead: flags |= O_RDONLY; break;
        case TFileMode::fmOpenWrite: flags |= O_WRONLY; break;
        case TFileMode::fmOpenReadWrite: flags |= O_RDWR; break;
        case TFileMode::fmCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    fd_ = ::open(fileName.c_str(), flags, 0666);
    if (fd_ >= 0) {
        struct stat st {};
        if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(fd_);
            fd_ = -1;
            errno = EISDIR;
        }
    }
    if (fd_ < 0) {
        AnsiString reason = std::strerror(errno);
        if (mode == TFileMode::fmCreate)
            throw EFCreateError(EFCreateError::CreateResFmt, SFCreateErrorEx, {fileName, reason});
        throw EFOpenError(EFOpenError::CreateResFmt, SFOpenErrorEx, {fileName, reason});
    }
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
    std::int64_t done = 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (done < count) {
        ssize_t n = ::read(fd_, out + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
    std::int64_t done = 0;
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    while (done < count) {
        ssize_t n = ::write(fd_, in + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
    off_t pos = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (pos < 0) pos = ::lseek(fd_, 0, whence == SEEK_SET ? SEEK_SET : SEEK_CUR);
    return pos < 0 ? 0 : static_cast<std::int64_t>(pos);
}

void TFileStream::SetSize(std::int64_t newSize) {
    std::int64_t pos = Position();
    if (::ftruncate(fd_, static_cast<off_t>(std::max<std::int64_t>(newSize, 0))) != 0)
        throw EWriteError(EWriteError::CreateRes, SWriteError);
    if (pos > newSize) Seek(newSize, TSeekOrigin::soBeginning);
}

}  // namespace rtl
