#pragma once
// Errors as values: every reader and writer returns what went wrong, the caller decides
// what (if anything) the user sees. Plain C++ so the format code builds without Qt.

#include <cassert>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace kavio {

class [[nodiscard]] Status {
public:
    enum class Code {
        Ok,
        NotFound,      // nothing at the path
        Corrupt,       // bytes that do not form a valid document
        LimitExceeded, // valid-looking input beyond what the readers accept
        Unsupported,   // a feature deliberately rejected (DTD subset, entity, ...)
        IOError,       // the system refused a read, write, sync or rename
        AlreadyExists, // something is already at the path a write or move would take
        Cancelled,     // stopped on request; nothing was changed
        Busy,          // another writer held the folder too long; nothing was changed
    };

    Status() = default;
    static Status ok() { return {}; }
    static Status notFound(std::string m) { return {Code::NotFound, std::move(m)}; }
    static Status corrupt(std::string m) { return {Code::Corrupt, std::move(m)}; }
    static Status limitExceeded(std::string m) { return {Code::LimitExceeded, std::move(m)}; }
    static Status unsupported(std::string m) { return {Code::Unsupported, std::move(m)}; }
    static Status ioError(std::string m) { return {Code::IOError, std::move(m)}; }
    static Status alreadyExists(std::string m) { return {Code::AlreadyExists, std::move(m)}; }
    static Status cancelled(std::string m) { return {Code::Cancelled, std::move(m)}; }
    static Status busy(std::string m) { return {Code::Busy, std::move(m)}; }

    bool isOk() const { return code_ == Code::Ok; }
    explicit operator bool() const { return isOk(); }
    Code code() const { return code_; }
    const std::string& message() const { return message_; }
    std::string toString() const;

private:
    Status(Code c, std::string m) : code_(c), message_(std::move(m)) {}
    Code code_ = Code::Ok;
    std::string message_;
};

// A value or the Status that explains its absence.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::move(value)) {}
    Result(Status error) : state_(std::move(error)) { assert(!std::get<Status>(state_).isOk()); }

    bool isOk() const { return std::holds_alternative<T>(state_); }
    explicit operator bool() const { return isOk(); }

    const T& value() const& { return std::get<T>(state_); }
    T& value() & { return std::get<T>(state_); }
    T&& value() && { return std::get<T>(std::move(state_)); }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }

    Status status() const { return isOk() ? Status::ok() : std::get<Status>(state_); }

private:
    std::variant<T, Status> state_;
};

inline std::string Status::toString() const
{
    const char* name = "OK";
    switch (code_) {
    case Code::Ok: return "OK";
    case Code::NotFound: name = "not found"; break;
    case Code::Corrupt: name = "corrupt"; break;
    case Code::LimitExceeded: name = "limit exceeded"; break;
    case Code::Unsupported: name = "unsupported"; break;
    case Code::IOError: name = "I/O error"; break;
    case Code::AlreadyExists: name = "already exists"; break;
    case Code::Cancelled: name = "cancelled"; break;
    case Code::Busy: name = "busy"; break;
    }
    return message_.empty() ? std::string(name) : std::string(name) + ": " + message_;
}

} // namespace kavio
