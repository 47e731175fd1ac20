// The module as a host sees it: loaded with dlopen, reached through its three
// exported entry points only.

#include "hostlib/EffectEngine.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>
#include <utility>
#include <vector>

namespace
{

using namespace HostLib;

class ModuleEntryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto config = std::filesystem::temp_directory_path() / ("quarvix-module-" + std::to_string(::getpid()));
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        mHandle = ::dlopen(QUARVIX_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(mHandle, nullptr) << ::dlerror();
        mNewPlugIn = reinterpret_cast<std::uint16_t (*)(void*)>(::dlsym(mHandle, "NewPlugIn"));
        mOpen = reinterpret_cast<std::int32_t (*)(std::int32_t)>(::dlsym(mHandle, "WinPlugInOpen"));
        mClose = reinterpret_cast<void (*)()>(::dlsym(mHandle, "WinPlugInClose"));
        ASSERT_TRUE(mNewPlugIn && mOpen && mClose);
    }
    void TearDown() override
    {
        if (mHandle)
            ::dlclose(mHandle);
    }

    void* mHandle = nullptr;
    std::uint16_t (*mNewPlugIn)(void*) = nullptr;
    std::int32_t (*mOpen)(std::int32_t) = nullptr;
    void (*mClose)() = nullptr;
};

TEST_F(ModuleEntryTest, ExportsOnlyTheEntryPointsAndOpenAcceptsOnlySeventyThree)
{
    EXPECT_EQ(::dlsym(mHandle, "_Z18AcquireDescriptionv"), nullptr);
    EXPECT_EQ(::dlsym(mHandle, "_ZN12CEffectGroup10InitializeEv"), nullptr);
    EXPECT_EQ((std::vector<std::int32_t>{mOpen(72), mOpen(0), mOpen(-73), mOpen(73)}), (std::vector<std::int32_t>{-1, -1, -1, 0}));
    mClose();
    mClose(); // more closes than opens do nothing
}

// A host gets the same engine on every call; its instances keep working and reporting to it
// alone after another host closes, until the last close takes every group down with them.
TEST_F(ModuleEntryTest, EngineLastsUntilTheLastCloseAndEachHostHearsOnlyItsOwnInstances)
{
    struct RecordingHost : EffectHost
    {
        int boxes = 0;
        void ShowMessageBox(const EffectMessageBox&) override { ++boxes; }
    } first, second;
    EffectHostContext tooSmall, firstContext, secondContext, again;
    tooSmall.size = 4;
    EXPECT_EQ(mNewPlugIn(&tooSmall), kGroupErrBadContext);
    EXPECT_EQ(tooSmall.engine, nullptr);
    // A settings chunk without the maker's name: refused with a message box.
    std::vector<char> foreign(56 + 8, 'x');
    CEffectChunkHeader header;
    header.size = static_cast<std::int32_t>(foreign.size());
    WriteChunkHeader(foreign, header);
    const auto insert = [](EffectEngine& engine) {
        EffectInstance* instance = engine.CreateInstance(engine.GetTypes().at(0).typeId);
        EXPECT_NE(instance, nullptr);
        return instance;
    };

    ASSERT_EQ(mOpen(73), 0);
    firstContext.host = &first;
    ASSERT_EQ(mNewPlugIn(&firstContext), 0);
    ASSERT_NE(firstContext.engine, nullptr);
    ASSERT_EQ(firstContext.engine->GetTypes().size(), 2u);
    EffectInstance* before = insert(*firstContext.engine);
    const FourCharCode chunkId = before->GetChunks().at(0).id;

    // A second host loads the same module, works with it, and closes.
    ASSERT_EQ(mOpen(73), 0);
    secondContext.host = &second;
    ASSERT_EQ(mNewPlugIn(&secondContext), 0);
    EffectInstance* theirs = insert(*secondContext.engine);
    EXPECT_EQ(theirs->SetChunk(chunkId, foreign), kEffectOK);
    secondContext.engine->DestroyInstance(theirs);
    mClose();

    // The first host's instances, old and new, still work and report to the first host only.
    EffectInstance* after = insert(*firstContext.engine);
    std::vector<char> chunk;
    ASSERT_EQ(before->GetChunk(chunkId, chunk), kEffectOK);
    EXPECT_GT(chunk.size(), 56u);
    EXPECT_EQ(before->SetChunk(chunkId, foreign), kEffectOK);
    EXPECT_EQ(after->SetChunk(chunkId, foreign), kEffectOK);
    EXPECT_EQ(std::pair(first.boxes, second.boxes), std::pair(2, 1));
    again.host = &first;
    ASSERT_EQ(mNewPlugIn(&again), 0);
    EXPECT_EQ(again.engine, firstContext.engine);
    mClose(); // the last close destroys the group with the instances still in it
}

} // namespace
