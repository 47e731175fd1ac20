// The safe writer against the targets a user or a host may hand it, and
// against every failing system call it makes.

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
using Platform::SafeFileWriter;
using Platform::SafeWriteFile;
using TestFiles::ReadFile;
using TestFiles::WriteFile;

using SafeFileTest = TestFiles::TempDirTest;

std::size_t EntryCount(const fs::path& directory)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(directory), fs::directory_iterator()));
}

mode_t ModeOf(const fs::path& path)
{
    struct stat info{};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0);
    return info.st_mode;
}

TEST_F(SafeFileTest, ReplacesOnlyRegularFilesThroughTheirLinksKeepingTheirMode)
{
    // A private file stays private.
    const fs::path file = mDir / "settings.quarvix";
    WriteFile(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    ASSERT_TRUE(SafeWriteFile(file, "new"));
    EXPECT_EQ(ReadFile(file), "new");
    EXPECT_EQ(ModeOf(file) & 07777, 0600u);

    // A link is followed: its target changes, the link stays a link.
    const fs::path link = mDir / "link.quarvix";
    fs::create_symlink("settings.quarvix", link);
    ASSERT_TRUE(SafeWriteFile(link, "through the link"));
    EXPECT_TRUE(S_ISLNK(ModeOf(link)));
    EXPECT_EQ(ReadFile(file), "through the link");
    // ...also a dangling one, which creates its target.
    fs::create_symlink(mDir / "later.txt", mDir / "dangling");
    ASSERT_TRUE(SafeWriteFile(mDir / "dangling", "created"));
    EXPECT_EQ(ReadFile(mDir / "later.txt"), "created");

    // A new file gets what the umask allows.
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(SafeWriteFile(mDir / "fresh", "x"));
    ::umask(mask);
    EXPECT_EQ(ModeOf(mDir / "fresh") & 07777, 0644u);

    // Anything else is refused and left alone: a pipe, a directory, a file
    // with a second name, a device, a link loop.
    ASSERT_EQ(::mkfifo((mDir / "pipe").c_str(), 0600), 0);
    fs::create_directory(mDir / "dir");
    fs::create_hard_link(file, mDir / "second-name");
    fs::create_symlink("loop-b", mDir / "loop-a");
    fs::create_symlink("loop-a", mDir / "loop-b");
    const std::size_t entries = EntryCount(mDir);
    for (const fs::path& target : {mDir / "pipe", mDir / "dir", mDir / "second-name", file,
                                   fs::path("/dev/null"), mDir / "loop-a"})
    {
        std::string error;
        EXPECT_FALSE(SafeWriteFile(target, "lost?", &error)) << target;
        EXPECT_FALSE(error.empty()) << target;
    }
    EXPECT_TRUE(S_ISFIFO(ModeOf(mDir / "pipe")));
    EXPECT_TRUE(S_ISCHR(ModeOf("/dev/null")));
    EXPECT_EQ(ReadFile(mDir / "second-name"), "through the link");
    EXPECT_EQ(EntryCount(mDir), entries); // no temporary file left anywhere
}

// Fakes of the system calls the writer makes; each test picks its failure.
int gFailingCall = 0; // 1 write, 2 fsync, 3 close, 4 rename, 0 none
int gError = 0;

ssize_t ShortOrFailingWrite(int fd, const void* data, std::size_t size)
{
    if (gFailingCall == 1)
    {
        errno = gError;
        return -1;
    }
    // Never more than three bytes at a time: the writer must continue.
    return ::write(fd, data, std::min<std::size_t>(size, 3));
}
int FailingFsync(int fd)
{
    if (gFailingCall == 2)
    {
        errno = gError;
        return -1;
    }
    return ::fsync(fd);
}
int FailingClose(int fd)
{
    const int result = ::close(fd);
    if (gFailingCall == 3)
    {
        errno = gError;
        return -1;
    }
    return result;
}
int FailingRename(const char* from, const char* to)
{
    if (gFailingCall == 4)
    {
        errno = gError;
        return -1;
    }
    return ::rename(from, to);
}

class InjectedFailureTest : public SafeFileTest
{
protected:
    void SetUp() override
    {
        SafeFileTest::SetUp();
        const Platform::FileSystemCalls fakes{&ShortOrFailingWrite, &FailingFsync, &FailingClose, &FailingRename};
        mSaved = Platform::SetFileSystemCallsForTesting(&fakes);
    }
    void TearDown() override
    {
        Platform::SetFileSystemCallsForTesting(&mSaved);
        SafeFileTest::TearDown();
    }
    Platform::FileSystemCalls mSaved{};
};

TEST_F(InjectedFailureTest, ShortWritesAreContinuedAndEveryFailedCallKeepsTheOldFile)
{
    const fs::path file = mDir / "out.wav";
    gFailingCall = 0;
    const std::string text = "written three bytes at a time";
    ASSERT_TRUE(SafeWriteFile(file, text));
    EXPECT_EQ(ReadFile(file), text);

    const struct
    {
        int call;
        int error;
    } failures[] = {{1, ENOSPC}, {1, EIO}, {2, EIO}, {3, EDQUOT}, {4, EXDEV}};
    for (const auto& failure : failures)
    {
        gFailingCall = failure.call;
        gError = failure.error;
        std::string error;
        EXPECT_FALSE(SafeWriteFile(file, "replacement", &error)) << failure.call;
        EXPECT_EQ(error, std::strerror(failure.error)) << failure.call;
        EXPECT_EQ(ReadFile(file), text) << failure.call;
        EXPECT_EQ(EntryCount(mDir), 1u) << failure.call;
    }
    gFailingCall = 0;
}

TEST_F(SafeFileTest, PendingTemporaryFilesAreRemovedOnRequestAndCommittedOnesKept)
{
    SafeFileWriter first;
    SafeFileWriter second;
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
    EXPECT_FALSE(Platform::ReadWholeFile(mDir, text, error, 100));
    EXPECT_EQ(error, "it is a directory");
    WriteFile(mDir / "big", std::string(101, 'b'));
    EXPECT_FALSE(Platform::ReadWholeFile(mDir / "big", text, error, 100));
    EXPECT_EQ(error, "it is larger than 100 bytes");
    EXPECT_FALSE(Platform::ReadWholeFile(mDir / "missing", text, error, 100));
    EXPECT_EQ(error, std::strerror(ENOENT));
    EXPECT_EQ(text, "kept");
    ASSERT_TRUE(Platform::ReadWholeFile(mDir / "big", text, error, 101));
    EXPECT_EQ(text.size(), 101u);
}

} // namespace
