// The safe writer against the targets a user or a host may hand it, and
// against every failing system call it makes. The targets the host program
// refuses with the writer's reasons (a pipe, a device, a file with a second
// name), and private files and links it keeps, are tested with the host program.

#include "platform/SafeFile.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;
using Platform::SafeWriteFile;
using TestFiles::ReadFile;
using TestFiles::WriteFile;
using SafeFileTest = TestFiles::TempDirTest;

std::size_t EntryCount(const fs::path& directory)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(directory), fs::directory_iterator()));
}

TEST_F(SafeFileTest, ReplacesOnlyRegularFilesThroughTheirLinksKeepingTheirMode)
{
    // A link is followed, also a dangling one, which creates its target.
    fs::create_symlink(mDir / "later.txt", mDir / "dangling");
    ASSERT_TRUE(SafeWriteFile(mDir / "dangling", "created"));
    EXPECT_EQ(ReadFile(mDir / "later.txt"), "created");
    EXPECT_TRUE(fs::is_symlink(mDir / "dangling"));

    // A private file stays private; a new file gets what the umask allows.
    WriteFile(mDir / "private", "old");
    fs::permissions(mDir / "private", fs::perms(0600));
    ASSERT_TRUE(SafeWriteFile(mDir / "private", "new"));
    EXPECT_EQ(std::pair(ReadFile(mDir / "private"), fs::status(mDir / "private").permissions()),
              std::pair(std::string("new"), fs::perms(0600)));
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(SafeWriteFile(mDir / "fresh", "x"));
    ::umask(mask);
    EXPECT_EQ(fs::status(mDir / "fresh").permissions(), fs::perms(0644));

    // A directory and a link loop are refused and left alone.
    fs::create_directory(mDir / "dir");
    fs::create_symlink("loop-b", mDir / "loop-a");
    fs::create_symlink("loop-a", mDir / "loop-b");
    const std::size_t entries = EntryCount(mDir);
    for (const fs::path& target : {mDir / "dir", mDir / "loop-a"})
    {
        std::string error;
        EXPECT_FALSE(SafeWriteFile(target, "lost?", &error)) << target;
        EXPECT_FALSE(error.empty()) << target;
    }
    EXPECT_TRUE(fs::is_directory(mDir / "dir"));
    EXPECT_EQ(EntryCount(mDir), entries); // no temporary file left anywhere
}

// Fakes of the system calls the writer makes; each test picks its failure.
int gFailingCall = 0; // 1 write, 2 fsync, 3 close, 4 rename, 0 none
int gError = 0;

int Fail(int call, int result)
{
    if (gFailingCall != call)
        return result;
    errno = gError;
    return -1;
}
// Never more than three bytes at a time: the writer must continue.
ssize_t ShortOrFailingWrite(int fd, const void* data, std::size_t size)
{
    return gFailingCall == 1 ? Fail(1, 0) : ::write(fd, data, std::min<std::size_t>(size, 3));
}
int FailingFsync(int fd) { return gFailingCall == 2 ? Fail(2, 0) : ::fsync(fd); }
int FailingClose(int fd) { return Fail(3, ::close(fd)); }
int FailingRename(const char* from, const char* to) { return gFailingCall == 4 ? Fail(4, 0) : ::rename(from, to); }

TEST_F(SafeFileTest, ShortWritesAreContinuedAndEveryFailedCallKeepsTheOldFile)
{
    const Platform::FileSystemCalls fakes{&ShortOrFailingWrite, &FailingFsync, &FailingClose, &FailingRename};
    const Platform::FileSystemCalls saved = Platform::SetFileSystemCallsForTesting(&fakes);
    const fs::path file = mDir / "out.wav";
    gFailingCall = 0;
    const std::string text = "written three bytes at a time";
    ASSERT_TRUE(SafeWriteFile(file, text));
    EXPECT_EQ(ReadFile(file), text);
    for (const auto& [call, error] : {std::pair{1, ENOSPC}, {1, EIO}, {2, EIO}, {3, EDQUOT}, {4, EXDEV}})
    {
        gFailingCall = call;
        gError = error;
        std::string message;
        EXPECT_FALSE(SafeWriteFile(file, "replacement", &message)) << call;
        EXPECT_EQ(message, std::strerror(error)) << call;
        EXPECT_EQ(ReadFile(file), text) << call;
        EXPECT_EQ(EntryCount(mDir), 1u) << call;
    }
    gFailingCall = 0;
    Platform::SetFileSystemCallsForTesting(&saved);
}

TEST_F(SafeFileTest, PendingTemporaryFilesAreRemovedOnRequestAndCommittedOnesKept)
{
    Platform::SafeFileWriter first, second;
    ASSERT_TRUE(first.Open(mDir / "a") && first.Write("a"));
    ASSERT_TRUE(second.Open(mDir / "b") && second.Write("b") && second.Commit());
    EXPECT_TRUE(fs::exists(first.GetTemporaryPath()));
    Platform::RemovePendingTemporaryFiles();
    EXPECT_FALSE(fs::exists(first.GetTemporaryPath()));
    EXPECT_EQ(ReadFile(mDir / "b"), "b");
}

TEST_F(SafeFileTest, SameFileComparesFilesNotSpellings)
{
    WriteFile(mDir / "in.wav", "x");
    WriteFile(mDir / "other.wav", "x");
    fs::create_hard_link(mDir / "in.wav", mDir / "hard.wav");
    fs::create_symlink(mDir / "in.wav", mDir / "soft.wav");
    EXPECT_TRUE(Platform::SameFile(mDir / "in.wav", mDir / "." / "hard.wav"));
    EXPECT_TRUE(Platform::SameFile(mDir / "soft.wav", mDir / "in.wav"));
    EXPECT_FALSE(Platform::SameFile(mDir / "in.wav", mDir / "other.wav"));
    // Paths that do not exist yet are the same when they would be one file.
    EXPECT_TRUE(Platform::SameFile(mDir / "new.quarvix", mDir / "dir" / ".." / "new.quarvix"));
    EXPECT_FALSE(Platform::SameFile(mDir / "new.quarvix", mDir / "in.wav"));
}

TEST_F(SafeFileTest, ReadWholeFileReportsDirectoriesAndOversizedFiles)
{
    std::string text = "kept";
    std::string error;
    WriteFile(mDir / "big", std::string(101, 'b'));
    for (const auto& [path, reason] : {std::pair{mDir, std::string("it is a directory")},
                                       {mDir / "big", std::string("it is larger than 100 bytes")},
                                       {mDir / "missing", std::string(std::strerror(ENOENT))}})
    {
        EXPECT_FALSE(Platform::ReadWholeFile(path, text, error, 100));
        EXPECT_EQ(error, reason);
    }
    EXPECT_EQ(text, "kept");
    ASSERT_TRUE(Platform::ReadWholeFile(mDir / "big", text, error, 101));
    EXPECT_EQ(text.size(), 101u);
}

} // namespace
