// SPDX-License-Identifier: GPL-3.0-or-later
// Errors the user reads. Every failure of a command is one ZarnError whose
// text is exactly what the error box shows.
//
//   ZarnError                 the one exception type
//   FileError                 a ZarnError with the errno value and the path
//   FileErrorText             the runtime's English text for an errno value
//   RaiseFileError            throw the file error for an errno value and path
//   FloatingPointCheck        clears the IEEE flags; Raise() throws on a fault
//   FloatingPointFlagsKept    restores the thread's IEEE flags on leaving a scope
//
// Floating-point faults: the arithmetic runs with the IEEE exceptions masked,
// and the driver checks the sticky flags after each step. An invalid
// operation, a division by zero or an overflow then ends the calculation
// with "Invalid floating point operation", "Floating point division by zero"
// or "Floating point overflow", so no non-finite value is ever kept as a
// result. Underflow and inexact results pass silently.
#pragma once

#include <cfenv>
#include <stdexcept>
#include <string>
#include <utility>

namespace zarn {

class ZarnError : public std::runtime_error {
public:
    explicit ZarnError(const std::string& text) : std::runtime_error(Printable(text)) {}

private:
    // A NUL byte (a token of a UTF-16 file, say) would end the message where
    // it is shown: it is written as "\0".
    static std::string Printable(const std::string& text) {
        if (text.find('\0') == std::string::npos) return text;
        std::string out;
        for (char c : text) out += c == '\0' ? std::string("\\0") : std::string(1, c);
        return out;
    }
};

// A file the system refused: the text shown is the runtime's; the errno value
// and the path go with it for a caller that words it itself.
class FileError : public ZarnError {
public:
    FileError(const std::string& text, int code, std::string path)
        : ZarnError(text), Code(code), Path(std::move(path)) {}
    int Code;
    std::string Path;
};

extern const char* const kInvalidOperationText;   // "Invalid floating point operation"
extern const char* const kDivisionByZeroText;     // "Floating point division by zero"
extern const char* const kOverflowText;           // "Floating point overflow"
extern const char* const kInvalidNumericText;     // "Invalid numeric input"
extern const char* const kReadBeyondEndText;      // "Read beyond end of file"

// The runtime's text for errno value `code` met on `path`: "File not found",
// "Invalid filename" (a folder of the path does not exist), "File access
// denied", "Too many open files", "Disk full", or "I/O error N".
std::string FileErrorText(int code, const std::string& path);
[[noreturn]] void RaiseFileError(int code, const std::string& path);

// Clears the IEEE exception flags on construction. Raise() throws the text of
// the first fault flagged since then (division by zero before overflow before
// invalid operation: a division by zero or an overflow produces an infinity
// that later operations may turn into an invalid one, never the reverse).
class FloatingPointCheck {
public:
    FloatingPointCheck();
    // Throws ZarnError when a fault is flagged; clears the flags otherwise.
    void Raise() const;
    // Throws ZarnError when a fault is flagged since the flags were last
    // cleared; leaves the flags as they are otherwise.
    static void RaiseIfFaulted();
    // True when a fault is flagged.
    static bool Faulted();
    static void Clear();
};

// Saves the thread's IEEE flags and restores them on leaving the scope: the
// simulations settle their own faults, which never reach the caller.
class FloatingPointFlagsKept {
public:
    FloatingPointFlagsKept() { std::fegetexceptflag(&saved_, FE_ALL_EXCEPT); }
    ~FloatingPointFlagsKept() { std::fesetexceptflag(&saved_, FE_ALL_EXCEPT); }
    FloatingPointFlagsKept(const FloatingPointFlagsKept&) = delete;
    FloatingPointFlagsKept& operator=(const FloatingPointFlagsKept&) = delete;

private:
    std::fexcept_t saved_;
};

}  // namespace zarn
