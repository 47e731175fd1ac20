#pragma once
// Every file the plug-in or its host program writes goes through SafeFileWriter,
// so that nothing a user owns is lost or damaged by a save:
// - the bytes go to a temporary file beside the target and replace it only
//   when written whole, flushed to disk (fsync) and closed without error;
// - a symbolic link is followed: its target is replaced, the link stays;
// - only a regular file with one name (or a new path) is replaced; a device,
//   a directory, a pipe or a file with other hard links is refused, since
//   replacing it would cut it off from its other names or destroy it;
// - the replaced file keeps its permission bits (and owner, where allowed);
// - short writes are continued, and every failed write, fsync, close or
//   rename is an error that leaves the target as it was.
// A temporary file still pending when the process receives SIGINT or SIGTERM
// is removed by RemovePendingTemporaryFiles, which a signal handler may call.
//
// Threads: any thread but the real-time one (file I/O). One writer per thread.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace Platform
{

class SafeFileWriter
{
public:
    SafeFileWriter() = default;
    // Removes the temporary file of a write that was never committed.
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    // Checks the target and creates the temporary file. False, with the
    // reason in GetError(), when the target may not be replaced or the
    // temporary file cannot be created.
    bool Open(const std::filesystem::path& path);
    // Appends bytes; false (and the writer unusable) on any failure.
    bool Write(const void* data, std::size_t size);
    bool Write(std::string_view text) { return Write(text.data(), text.size()); }
    // Flushes the temporary file to disk and closes it; after that only
    // Commit or Abandon. Lets a caller with several outputs have them all
    // safely written before the first one replaces anything.
    bool Finish();
    // Finishes (when not done yet) and moves the temporary file over the target.
    bool Commit();
    // Drops the temporary file; the target stays as it was.
    void Abandon() noexcept;

    // The descriptor of the open temporary file, for writers that need one
    // (libsndfile); -1 when not open. Bytes written through it directly are
    // committed like the others.
    int GetDescriptor() const { return mFd; }
    // The file that Commit replaces (a symbolic link resolved).
    const std::filesystem::path& GetTarget() const { return mTarget; }
    const std::filesystem::path& GetTemporaryPath() const { return mTemporary; }
    // Why the last call failed: a short reason such as "No space left on device".
    const std::string& GetError() const { return mError; }

private:
    bool Fail(std::string reason);

    std::filesystem::path mTarget;
    std::filesystem::path mTemporary;
    std::string mError;
    int mFd = -1;
    bool mFinished = false;
    int mPendingSlot = -1;
};

// Writes bytes as the whole file through a SafeFileWriter. False, with the
// reason in *error when given, when anything failed; the target is then as it was.
bool SafeWriteFile(const std::filesystem::path& path, std::string_view bytes, std::string* error = nullptr);

// The file a write to path replaces: path with its symbolic links followed (to
// a path that may not exist yet). False with a reason for a link loop.
bool ResolveWriteTarget(const std::filesystem::path& path, std::filesystem::path& target, std::string& error);

// True when a and b name the same file: the same device and inode when both
// exist, else the same resolved path.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// Removes every temporary file of a write still in progress. Async-signal-safe.
void RemovePendingTemporaryFiles() noexcept;

// Reads the whole of an open, regular file into text through one descriptor,
// so a file replaced while it is read is read either whole before or whole
// after. False with a reason (a directory, a read error, more than maxBytes).
bool ReadWholeFile(const std::filesystem::path& path, std::string& text, std::string& error,
                   std::size_t maxBytes);

// The system calls the writer makes, replaceable so that tests can inject
// short writes and failures of write, fsync and close.
struct FileSystemCalls
{
    ssize_t (*write)(int fd, const void* data, std::size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
};
// Installs calls (the real ones when null) and returns the previous set.
FileSystemCalls SetFileSystemCallsForTesting(const FileSystemCalls* calls);

} // namespace Platform
