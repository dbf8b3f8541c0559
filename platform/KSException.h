// KSException.h -- the general exception class the engine's own exceptions derive from.
//
// `Message` is UTF-8 so that it can be printed as it is; wide names that go into a message are
// converted by whoever formats it.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace ks {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }

    std::string Message;
};

// Raised by streams: a read that cannot deliver the requested bytes, a failed write or seek,
// a file that cannot be opened or created.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// Raised where the operating system refuses a call that has no other way to fail: Code is the
// system's error number, the message its text.
class EOSError : public Exception {
public:
    EOSError(std::string message, unsigned long code) : Exception(std::move(message)), Code(code) {}

    unsigned long Code;
};

} // namespace ks
