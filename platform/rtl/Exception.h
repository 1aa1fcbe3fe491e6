#pragma once
// Exception: the common base of every error the program raises, and the run time's own error
// classes. An exception carries its message as 8-bit text in the interface code page. Messages
// that are numbered strings are fetched with LoadResString when the exception is created, so
// they speak the language installed at that moment.
//
// An error raised by a reader of outside bytes also carries a code: a short, stable ASCII name
// of the check that refused the input (`bmp.masks.overlap`, `lzk.header.magic`). Codes are not
// translated and never shown in the windows; the tool prints them after the message, and tests
// assert them, so a test proves which check refused a file. Give one where the error is raised:
//     throw EFoo(EFoo::CreateRes, SSomeMessage).WithCode("fmt.part.what");

#include <exception>
#include <initializer_list>
#include <string_view>
#include <utility>

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

    // The code, empty when none. A code names static text (a literal), so carrying it costs a
    // pointer and a length, and copies of the exception share it.
    std::string_view Code() const noexcept { return code_; }
    bool HasCode() const noexcept { return !code_.empty(); }
    void SetCode(std::string_view code) noexcept { code_ = code; }
    // For errors raised below a reader (a stream read cut short): the reader's code for them,
    // kept when a more precise one is already there.
    void SetCodeIfNone(std::string_view code) noexcept {
        if (code_.empty()) code_ = code;
    }
    Exception&& WithCode(std::string_view code) && noexcept {
        code_ = code;
        return std::move(*this);
    }

private:
    AnsiString message_;
    std::string_view code_;
};

// Runs read() and gives a stream read error raised below it that has no code yet the caller's
// code for it: a stream cut short inside a language file's header becomes `lng.header.short`.
template <class F>
decltype(auto) WithReadErrorCode(std::string_view code, F&& read);

// Declares an exception class that derives from `base` and takes the same constructors.
// WithCode answers the class itself, so `throw EFoo(...).WithCode("...")` raises an EFoo.
#define VLMRK_DECLARE_EXCEPTION(name, base)                     \
    class name : public base {                                  \
        using BaseClass = base;                                 \
                                                                \
    public:                                                     \
        using BaseClass::BaseClass;                             \
        name&& WithCode(std::string_view code) && noexcept {    \
            this->SetCode(code);                                \
            return std::move(*this);                            \
        }                                                       \
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

template <class F>
decltype(auto) WithReadErrorCode(std::string_view code, F&& read) {
    try {
        return std::forward<F>(read)();
    } catch (EReadError& e) {
        e.SetCodeIfNone(code);
        throw;
    }
}

}  // namespace rtl
