#pragma once
// Failures that leave an event handler and reach the error display. The core raises them;
// only the window's application object shows them.
#include <stdexcept>
#include <string>

namespace Tormvale {

class Exception : public std::runtime_error {
public:
    explicit Exception(std::u16string message);
    const std::u16string& Message() const noexcept { return message_; }

private:
    std::u16string message_;
};

// The clipboard could not be reopened in the middle of a write.
class EClipboardException : public Exception {
public:
    using Exception::Exception;
};

// The system refused the written clipboard data.
class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

// Settings file: cannot be opened, cannot be created, or a write failed part-way.
class FileOpenError : public Exception {
public:
    using Exception::Exception;
};
class FileCreateError : public Exception {
public:
    using Exception::Exception;
};
class StreamWriteError : public Exception {
public:
    using Exception::Exception;
};

// A list control refused a row.
class ListInsertError : public Exception {
public:
    using Exception::Exception;
};

// The text the error box shows: a "." is appended when the last unit's code lies above U+002E.
std::u16string ErrorDisplayText(const std::u16string& message);

// The system's text for an error number (GetLastError's on Windows, errno's elsewhere), with
// trailing units below 33 and trailing full stops removed.
std::u16string SystemErrorText(int errnum);

// Trailing units below 33 and trailing "." removed, in any mix.
std::u16string TrimSystemText(std::u16string text);

}  // namespace Tormvale
