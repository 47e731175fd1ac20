#pragma once
// quarvix-host run as a user runs it, with this build's module, in a temporary folder
// whose config directory holds the default settings; status and both streams captured.

#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

struct RunResult
{
    int status = -1;
    std::string out, err;
};

class HostProgramFixture : public TestFiles::TempDirTest
{
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        std::filesystem::create_directories(mDir / "config");
        // The instances load default settings through the registry in here.
        ::setenv("XDG_CONFIG_HOME", (mDir / "config").c_str(), 1);
    }

    RunResult Run(const std::string& arguments)
    {
        const std::filesystem::path out = mDir / "stdout.txt", err = mDir / "stderr.txt";
        const std::string command = std::string("'") + QUARVIX_HOST_PROGRAM + "' --module '" + QUARVIX_MODULE_PATH +
                                    "' " + arguments + " >'" + out.string() + "' 2>'" + err.string() + "'";
        const int raw = std::system(command.c_str());
        RunResult result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, TestFiles::ReadFile(out), TestFiles::ReadFile(err)};
        std::filesystem::remove(out);
        std::filesystem::remove(err);
        return result;
    }
};
