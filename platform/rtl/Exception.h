#pragma once
// Exception: the common base of every error the program raises, and the run time's own error
// classes. An exception carries its message as 8-bit text in the interface code page. Messages
// that are numbered strings are fetched with LoadResString when the exception is created, so
// they speak the language installed at that moment.

#include <exception>
#include <initializer_list>

#include "platform/rtl/Format.h"
#include "platform/rtl/ResString.h"

namespace rtl {

class Exception : public std::exception {
public:
    // Tags that pick how the message is made: Exception(CreateRes, SSomeMessage) or
    // Exception(CreateResFmt, SSomeMessage, {arg, ...}).
    static constexpr struct CreateResTag {} CreateRes{};
    static constexpr struct CreateResFmtTag {} CreateResFmt{};
    static constexpr struct CreateFmtTag {} CreateFmt{};

    explicit Exception(AnsiString message) : message_(std::move(message)) {}
    Exception(CreateResTag, const TResStringRec& rec) : message_(LoadResString(rec)) {}
    Exception(CreateResFmtTag, const TResStringRec& rec, std::initializer_list<FormatArg> args)
        : message_(Format(LoadResString(rec), args)) {}
    Exception(CreateFmtTag, const AnsiString& pattern, std::initializer_list<FormatArg> args)
        : message_(Format(pattern, args)) {}

    const AnsiString& Message() const noexcept { return message_; }
    void SetMessage(AnsiString message) { message_ = std::move(message); }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    AnsiString message_;
};

// Declares an exception class that derives from `base` and takes the same constructors.
#define VLMRK_DECLARE_EXCEPTION(name, base) \
    class name : public base {              \
        using BaseClass = base;             \
                                            \
    public:                                 \
        using BaseClass::BaseClass;         \
    }

VLMRK_DECLARE_EXCEPTION(EListError, Exception);
VLMRK_DECLARE_EXCEPTION(EConvertError, Exception);
VLMRK_DECLARE_EXCEPTION(EStreamError, Exception);
VLMRK_DECLARE_EXCEPTION(EReadError, EStreamError);   // also the form reader's error
VLMRK_DECLARE_EXCEPTION(EWriteError, EStreamError);
VLMRK_DECLARE_EXCEPTION(EFOpenError, EStreamError);
VLMRK_DECLARE_EXCEPTION(EFCreateError, EStreamError);
VLMRK_DECLARE_EXCEPTION(EOutOfMemory, Exception);

// Raises the list index error "List index out of bounds (%d)".
[[noreturn]] void RaiseListIndexError(long long index);

}  // namespace rtl
