#pragma once
// The two families of failures.
//
// AppFrame::Exception and its kin carry no text. Constructing one records the
// throwing source file (its name without folder and extension, e.g.
// "PluginServices") and line in a process-wide pair, which is all the
// diagnostics a caller gets. Each class takes the location as a defaulted
// argument so that a plain `throw X();` records the line of the throw.
//
// Cvn::Exception is a std::runtime_error whose text is the message, a line
// feed, and a diagnostic naming the failed condition and its source location.

#include <atomic>
#include <source_location>
#include <stdexcept>
#include <string>
#include <string_view>

namespace AppFrame
{

struct ErrorLocation
{
    std::string file; // base name without extension; empty when nothing was recorded
    int line = 0;
};

namespace detail
{
inline std::atomic<const char*> gLastErrorFile{nullptr};
inline std::atomic<int> gLastErrorLine{0};
} // namespace detail

inline void RecordErrorLocation(const char* file, int line) noexcept
{
    detail::gLastErrorFile.store(file, std::memory_order_relaxed);
    detail::gLastErrorLine.store(line, std::memory_order_relaxed);
}

inline void RecordErrorLocation(const std::source_location& where) noexcept
{
    RecordErrorLocation(where.file_name(), static_cast<int>(where.line()));
}

// A location given by hand, for failures whose reported place is fixed. The
// file text must have static storage.
struct FixedErrorLocation
{
    const char* file;
    int line;
};

inline std::string SourceFileStem(std::string_view path)
{
    const auto slash = path.find_last_of("/\\");
    if (slash != std::string_view::npos)
        path.remove_prefix(slash + 1);
    const auto dot = path.find('.');
    if (dot != std::string_view::npos)
        path = path.substr(0, dot);
    return std::string(path);
}

// The location recorded by the most recent AppFrame exception of the process.
inline ErrorLocation LastErrorLocation()
{
    const char* file = detail::gLastErrorFile.load(std::memory_order_relaxed);
    return {file ? SourceFileStem(file) : std::string(), detail::gLastErrorLine.load(std::memory_order_relaxed)};
}

class Exception : public std::exception
{
public:
    explicit Exception(const std::source_location& where = std::source_location::current()) noexcept
    {
        RecordErrorLocation(where);
    }
    const char* what() const noexcept override { return "AppFrame::Exception"; }
};

class BadParameter : public Exception
{
public:
    explicit BadParameter(const std::source_location& where = std::source_location::current()) noexcept
        : Exception(where)
    {
    }
    explicit BadParameter(const FixedErrorLocation& where) noexcept { RecordErrorLocation(where.file, where.line); }
    const char* what() const noexcept override { return "AppFrame::BadParameter"; }
};

class DuplicateEntry : public Exception
{
public:
    explicit DuplicateEntry(const std::source_location& where = std::source_location::current()) noexcept
        : Exception(where)
    {
    }
    explicit DuplicateEntry(const FixedErrorLocation& where) noexcept { RecordErrorLocation(where.file, where.line); }
    const char* what() const noexcept override { return "AppFrame::DuplicateEntry"; }
};

class ResAlloc : public Exception
{
public:
    explicit ResAlloc(const std::source_location& where = std::source_location::current()) noexcept
        : Exception(where)
    {
    }
    explicit ResAlloc(const FixedErrorLocation& where) noexcept { RecordErrorLocation(where.file, where.line); }
    const char* what() const noexcept override { return "AppFrame::ResAlloc"; }
};

} // namespace AppFrame

namespace Cvn
{

class Exception : public std::runtime_error
{
public:
    // message: the text a user may see; condition: the check that failed.
    Exception(const std::string& message, std::string_view condition,
              const std::source_location& where = std::source_location::current())
        : std::runtime_error(message + "\n" + Diagnostic(condition, where))
    {
    }

    static std::string Diagnostic(std::string_view condition, const std::source_location& where)
    {
        return "failed: " + std::string(condition) + " (" + AppFrame::SourceFileStem(where.file_name()) +
               ", line " + std::to_string(where.line()) + ")";
    }
};

} // namespace Cvn

// Throws Cvn::Exception (or a class derived from it with the same constructor)
// with `message` unless `condition` holds.
#define CVN_REQUIRE(condition, message) CVN_REQUIRE_AS(::Cvn::Exception, condition, message)
#define CVN_REQUIRE_AS(ExceptionClass, condition, message)                                         \
    do                                                                                             \
    {                                                                                              \
        if (!(condition))                                                                          \
            throw ExceptionClass((message), #condition);                                           \
    } while (false)
