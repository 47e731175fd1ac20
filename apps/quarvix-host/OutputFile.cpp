#include "OutputFile.h"

#include "HostError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>

OutputFile::OutputFile(std::string path) : mPath(std::move(path))
{
    const std::filesystem::path target(mPath);
    std::string name(".");
    name.append(target.filename().string());
    name.append(".quarvix-host-");
    name.append(std::to_string(::getpid()));
    name.append(".tmp");
    mTemporaryPath = (target.parent_path() / name).string();
}

OutputFile::~OutputFile()
{
    if (!mCommitted)
        std::remove(mTemporaryPath.c_str());
}

void OutputFile::WriteAll(const std::string& bytes)
{
    std::FILE* file = std::fopen(mTemporaryPath.c_str(), "wb");
    if (!file)
        throw HostError("cannot write '" + mPath + "': " + std::strerror(errno));
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int savedErrno = errno;
    if (std::fclose(file) != 0 || !written)
        throw HostError("cannot write '" + mPath + "': " + std::strerror(written ? errno : savedErrno));
}

void OutputFile::Commit()
{
    if (std::rename(mTemporaryPath.c_str(), mPath.c_str()) != 0)
        throw HostError("cannot write '" + mPath + "': " + std::strerror(errno));
    mCommitted = true;
}
