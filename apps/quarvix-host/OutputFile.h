#pragma once
// A file written under a temporary name beside its final path and moved there
// only by Commit, so a run that fails half way leaves no partial file behind:
// the destructor removes the temporary file of an output never committed.
//
// Threads: main thread.

#include <string>

class OutputFile
{
public:
    explicit OutputFile(std::string path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    const std::string& GetPath() const { return mPath; }
    const std::string& GetTemporaryPath() const { return mTemporaryPath; }
    // Writes bytes as the whole temporary file; throws HostError when it cannot.
    void WriteAll(const std::string& bytes);
    // Moves the temporary file to the final path; throws HostError when it cannot.
    void Commit();

private:
    std::string mPath;
    std::string mTemporaryPath;
    bool mCommitted = false;
};
