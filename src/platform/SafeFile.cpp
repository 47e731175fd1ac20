#include "platform/SafeFile.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform
{
namespace
{

ssize_t RealWrite(int fd, const void* data, std::size_t size)
{
    return ::write(fd, data, size);
}

const FileSystemCalls kRealCalls{&RealWrite, &::fsync, &::close, &::rename};
FileSystemCalls gCalls = kRealCalls;

// Temporary files in progress, for the signal handler. A slot's path is
// complete whenever its state reads kReady.
constexpr int kFree = 0;
constexpr int kFilling = 1;
constexpr int kReady = 2;
struct PendingSlot
{
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};
std::array<PendingSlot, 16> gPending;

int ClaimPendingSlot(const std::filesystem::path& path) noexcept
{
    const std::string& text = path.native();
    if (text.size() >= PATH_MAX)
        return -1;
    for (std::size_t i = 0; i < gPending.size(); ++i)
    {
        int expected = kFree;
        if (gPending[i].state.compare_exchange_strong(expected, kFilling))
        {
            std::memcpy(gPending[i].path, text.c_str(), text.size() + 1);
            gPending[i].state.store(kReady);
            return static_cast<int>(i);
        }
    }
    // Without a slot the write still works; only a signal could leave it behind.
    return -1;
}

void ReleasePendingSlot(int& slot) noexcept
{
    if (slot < 0)
        return;
    gPending[static_cast<std::size_t>(slot)].state.store(kFilling);
    gPending[static_cast<std::size_t>(slot)].state.store(kFree);
    slot = -1;
}

std::string ErrnoText(int error)
{
    return std::strerror(error);
}

std::atomic<unsigned> gTemporaryCounter{0};

} // namespace

FileSystemCalls SetFileSystemCallsForTesting(const FileSystemCalls* calls)
{
    const FileSystemCalls previous = gCalls;
    gCalls = calls ? *calls : kRealCalls;
    return previous;
}

bool ResolveWriteTarget(const std::filesystem::path& path, std::filesystem::path& target, std::string& error)
{
    std::filesystem::path current = path;
    // As many links as the kernel follows before it reports a loop.
    for (int hops = 0; hops < 40; ++hops)
    {
        struct stat info{};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        {
            target = current;
            return true;
        }
        std::array<char, PATH_MAX> link{};
        const ssize_t length = ::readlink(current.c_str(), link.data(), link.size() - 1);
        if (length < 0)
        {
            error = ErrnoText(errno);
            return false;
        }
        const std::filesystem::path next(std::string(link.data(), static_cast<std::size_t>(length)));
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    error = ErrnoText(ELOOP);
    return false;
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    struct stat first{};
    struct stat second{};
    const bool firstExists = ::stat(a.c_str(), &first) == 0;
    const bool secondExists = ::stat(b.c_str(), &second) == 0;
    if (firstExists && secondExists)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    if (firstExists != secondExists)
        return false;
    std::filesystem::path firstTarget;
    std::filesystem::path secondTarget;
    std::string ignored;
    if (!ResolveWriteTarget(a, firstTarget, ignored) || !ResolveWriteTarget(b, secondTarget, ignored))
        return false;
    std::error_code error;
    return std::filesystem::weakly_canonical(std::filesystem::absolute(firstTarget), error) ==
           std::filesystem::weakly_canonical(std::filesystem::absolute(secondTarget), error);
}

SafeFileWriter::~SafeFileWriter()
{
    Abandon();
}

bool SafeFileWriter::Fail(std::string reason)
{
    Abandon();
    mError = std::move(reason);
    return false;
}

bool SafeFileWriter::Open(const std::filesystem::path& path)
{
    Abandon();
    mError.clear();
    if (path.empty())
        return Fail("no file name");
    std::string error;
    if (!ResolveWriteTarget(path, mTarget, error))
        return Fail(error);

    struct stat existing{};
    const bool exists = ::stat(mTarget.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        return Fail(S_ISDIR(existing.st_mode) ? "it is a directory" : "it is not a regular file");
    if (exists && existing.st_nlink > 1)
        return Fail("it has other hard links, which replacing it would separate from it");
    if (mTarget.filename().empty())
        return Fail("no file name");

    for (int attempt = 0; attempt < 100; ++attempt)
    {
        std::string name(".");
        name.append(mTarget.filename().string());
        name.append(".tmp-");
        name.append(std::to_string(::getpid()));
        name.push_back('-');
        name.append(std::to_string(gTemporaryCounter.fetch_add(1)));
        mTemporary = mTarget.parent_path() / name;
        // 0666 less the umask: what a new file would get from any editor.
        mFd = ::open(mTemporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (mFd >= 0 || errno != EEXIST)
            break;
    }
    if (mFd < 0)
    {
        const int openError = errno;
        mTemporary.clear();
        return Fail(ErrnoText(openError));
    }
    mPendingSlot = ClaimPendingSlot(mTemporary);
    if (exists)
    {
        if (::fchmod(mFd, existing.st_mode & 07777) != 0)
            return Fail(ErrnoText(errno));
        // Only a privileged process can give the file back to its owner; for
        // anyone else the owner is already right.
        if (::geteuid() == 0)
            (void)::fchown(mFd, existing.st_uid, existing.st_gid);
    }
    return true;
}

bool SafeFileWriter::Write(const void* data, std::size_t size)
{
    if (mFd < 0)
        return Fail(mError.empty() ? "the file is not open" : mError);
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0)
    {
        const ssize_t written = gCalls.write(mFd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return Fail(ErrnoText(errno));
        if (written == 0)
            return Fail(ErrnoText(ENOSPC));
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool SafeFileWriter::Finish()
{
    if (mFd < 0)
        return Fail(mError.empty() ? "the file is not open" : mError);
    if (gCalls.fsync(mFd) != 0)
        return Fail(ErrnoText(errno));
    const int fd = mFd;
    mFd = -1;
    if (gCalls.close(fd) != 0)
        return Fail(ErrnoText(errno));
    mFinished = true;
    return true;
}

bool SafeFileWriter::Commit()
{
    if (!mFinished && !Finish())
        return false;
    if (mTemporary.empty())
        return Fail(mError.empty() ? "the file is not open" : mError);
    if (gCalls.rename(mTemporary.c_str(), mTarget.c_str()) != 0)
        return Fail(ErrnoText(errno));
    ReleasePendingSlot(mPendingSlot);
    mTemporary.clear();
    mFinished = false;
    // The rename itself reaches the disk with its directory.
    const std::filesystem::path directory = mTarget.has_parent_path() ? mTarget.parent_path() : ".";
    const int directoryFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directoryFd >= 0)
    {
        (void)::fsync(directoryFd);
        ::close(directoryFd);
    }
    return true;
}

void SafeFileWriter::Abandon() noexcept
{
    mFinished = false;
    if (mFd >= 0)
    {
        ::close(mFd);
        mFd = -1;
    }
    if (!mTemporary.empty())
    {
        ::unlink(mTemporary.c_str());
        mTemporary.clear();
    }
    ReleasePendingSlot(mPendingSlot);
}

bool SafeWriteFile(const std::filesystem::path& path, std::string_view bytes, std::string* error)
{
    SafeFileWriter writer;
    const bool written = writer.Open(path) && writer.Write(bytes) && writer.Commit();
    if (!written && error)
        *error = writer.GetError();
    return written;
}

void RemovePendingTemporaryFiles() noexcept
{
    for (PendingSlot& slot : gPending)
    {
        if (slot.state.load() == kReady)
            ::unlink(slot.path);
    }
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& text, std::string& error,
                   std::size_t maxBytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
    {
        error = ErrnoText(errno);
        return false;
    }
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info{};
    if (::fstat(fd, &info) != 0)
    {
        error = ErrnoText(errno);
        return false;
    }
    if (S_ISDIR(info.st_mode))
    {
        error = "it is a directory";
        return false;
    }
    std::string content;
    std::array<char, 65536> buffer{};
    for (;;)
    {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
        {
            error = ErrnoText(errno);
            return false;
        }
        if (got == 0)
            break;
        if (content.size() + static_cast<std::size_t>(got) > maxBytes)
        {
            error = "it is larger than " + std::to_string(maxBytes) + " bytes";
            return false;
        }
        content.append(buffer.data(), static_cast<std::size_t>(got));
    }
    text = std::move(content);
    return true;
}

} // namespace Platform
