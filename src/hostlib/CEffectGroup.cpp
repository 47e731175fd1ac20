#include "hostlib/CEffectGroup.h"

#include "hostlib/CEffectProcess.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace
{

using namespace HostLib;

// One inserted instance: the host's handle on a process object.
class Instance final : public EffectInstance
{
public:
    explicit Instance(std::unique_ptr<CEffectProcess> process) : mProcess(std::move(process)) {}
    ~Instance() = default;

    EffectTypeInfo GetType() const override { return mProcess->GetType().Describe(); }

    EffectStatus SetSampleRate(double rate) override { return Guard([&] { return mProcess->SetSampleRate(rate); }); }
    double GetSampleRate() const override { return mProcess->GetSampleRate(); }
    EffectStatus SetBlockSize(std::int32_t frames) override
    {
        return Guard([&] { return mProcess->SetBlockSize(frames); });
    }
    std::int32_t GetBlockSize() const override { return mProcess->GetBlockSize(); }

    void Render(const float* const* inputs, float* const* outputs, std::int32_t frames) noexcept override
    {
        mProcess->Render(inputs, outputs, frames);
    }

    EffectStatus BeginOfflinePass(std::int32_t prerollFrames) override
    {
        auto* offline = dynamic_cast<CEffectProcessAS*>(mProcess.get());
        if (!offline)
            return kEffectErrNotOffline;
        return Guard([&] {
            offline->BeginOfflinePass(prerollFrames);
            return kEffectOK;
        });
    }
    std::int32_t RenderOffline(const float* const* inputs, float* const* outputs,
                               std::int32_t frames) override
    {
        auto* offline = dynamic_cast<CEffectProcessAS*>(mProcess.get());
        if (!offline)
            return 0;
        try
        {
            return offline->ProcessOffline(inputs, outputs, frames);
        }
        catch (...)
        {
            return 0;
        }
    }

    std::int32_t GetControlCount() const override { return mProcess->GetNumControls(); }
    EffectStatus GetControlInfo(std::int32_t index, EffectControlInfo& info) const override
    {
        const CPluginControl* control = mProcess->GetControl(index);
        if (!control)
            return kEffectErrBadIndex;
        info = control->Describe();
        return kEffectOK;
    }
    std::int32_t GetMasterBypassIndex() const override { return mProcess->GetMasterBypassControlIndex(); }
    double GetControlValue(std::int32_t index) const override { return mProcess->GetControlValue(index); }
    EffectStatus SetControlValue(std::int32_t index, double value) override
    {
        return Guard([&] { return mProcess->SetControlValue(index, value); });
    }
    std::string GetControlValueText(std::int32_t index, double value, std::int32_t maxChars) const override
    {
        const CPluginControl* control = mProcess->GetControl(index);
        if (!control)
            return std::string();
        try
        {
            return control->GetValueString(value, maxChars);
        }
        catch (...)
        {
            return std::string();
        }
    }

    std::vector<EffectChunkInfo> GetChunks() const override { return mProcess->GetChunks(); }

    std::int32_t GetChunkSize(FourCharCode chunkId) override
    {
        std::int32_t size = 0;
        const EffectStatus status = Guard([&] { return mProcess->GetChunkSize(chunkId, size); });
        if (status != kEffectOK)
            return status;
        return size >= kChunkHeaderSize ? size : kEffectErrFailed;
    }

    EffectStatus GetChunk(FourCharCode chunkId, std::vector<char>& chunk) override
    {
        // The process may need more room than it asked for a moment ago (its
        // state can change between the two questions); it then says how much.
        std::int32_t size = GetChunkSize(chunkId);
        if (size < 0)
            return size;
        for (int attempt = 0; attempt < 4; ++attempt)
        {
            chunk.assign(static_cast<std::size_t>(size), '\0');
            const EffectStatus status = Guard([&] { return mProcess->GetChunk(chunkId, chunk); });
            CEffectChunkHeader header = ReadChunkHeader(chunk);
            if (status == kEffectErrChunkTooSmall && header.size > size)
            {
                size = header.size;
                continue;
            }
            if (status != kEffectOK)
                return status;
            if (header.size < kChunkHeaderSize || header.size > size)
                return kEffectErrFailed;
            chunk.resize(static_cast<std::size_t>(header.size));
            header.version = kChunkVersion;
            header.manufacturerId = mProcess->GetGroup().GetInfo().manufacturerId;
            header.productId = mProcess->GetType().GetProductId();
            header.typeId = mProcess->GetProcessType();
            header.chunkId = chunkId;
            std::memset(header.name, 0, sizeof header.name);
            for (const EffectChunkInfo& info : mProcess->GetChunks())
            {
                if (info.id == chunkId)
                    std::memcpy(header.name, info.name.data(), std::min(info.name.size(), sizeof header.name));
            }
            WriteChunkHeader(chunk, header);
            return kEffectOK;
        }
        return kEffectErrFailed;
    }

    EffectStatus SetChunk(FourCharCode chunkId, std::span<const char> chunk) override
    {
        const CEffectChunkHeader header = ReadChunkHeader(chunk);
        if (chunk.size() < sizeof header || header.size < kChunkHeaderSize ||
            static_cast<std::size_t>(header.size) > chunk.size())
            return kEffectErrBadChunk;
        return Guard([&] {
            return mProcess->SetChunk(chunkId, chunk.first(static_cast<std::size_t>(header.size)));
        });
    }

    EffectStatus OpenWindow(void* parentWindow, std::int32_t x, std::int32_t y) override
    {
        return Guard([&] { return mProcess->OpenWindow(parentWindow, x, y); });
    }
    EffectStatus CloseWindow() override { return Guard([&] { return mProcess->CloseWindow(); }); }
    bool IsWindowOpen() const override { return mProcess->IsWindowOpen(); }
    EffectStatus GetWindowSize(std::int32_t& width, std::int32_t& height) override
    {
        return Guard([&] { return mProcess->GetWindowSize(width, height); });
    }
    EffectStatus DrawWindow(const HostRect& rect) override { return Guard([&] { return mProcess->DrawWindow(rect); }); }
    EffectStatus IdleWindow() override { return Guard([&] { return mProcess->IdleWindow(); }); }
    EffectStatus MouseDownInWindow(std::int32_t x, std::int32_t y) override
    {
        return Guard([&] { return mProcess->MouseDownInWindow(x, y); });
    }
    EffectStatus SetControlHighlight(std::int32_t index, bool on, std::int32_t color) override
    {
        return Guard([&] { return mProcess->SetControlHighlight(index, on, color); });
    }
    bool IsControlTouched(std::int32_t index) const override { return mProcess->IsControlTouched(index); }

    CEffectProcess& GetProcess() const { return *mProcess; }

private:
    // Nothing the process throws reaches the host.
    template <class Call>
    static EffectStatus Guard(Call&& call)
    {
        try
        {
            return call();
        }
        catch (...)
        {
            return kEffectErrFailed;
        }
    }

    std::unique_ptr<CEffectProcess> mProcess;
};

} // namespace

class CEffectGroup::Engine final : public EffectEngine
{
public:
    explicit Engine(CEffectGroup& group) : mGroup(group) {}
    ~Engine()
    {
        // Newest first, as a host removing its inserts would.
        while (!mInstances.empty())
            mInstances.pop_back();
    }

    EffectGroupInfo GetGroupInfo() const override { return mGroup.GetInfo(); }

    std::vector<EffectTypeInfo> GetTypes() const override
    {
        std::vector<EffectTypeInfo> types;
        for (const auto& type : mGroup.GetTypes())
            types.push_back(type->Describe());
        return types;
    }

    EffectInstance* CreateInstance(FourCharCode typeId) override
    {
        const CEffectType* type = mGroup.FindType(typeId);
        if (!type || !type->GetCreator())
            return nullptr;
        try
        {
            std::unique_ptr<CEffectProcess> process(type->GetCreator()());
            if (!process)
                return nullptr;
            process->SetupProcess(*type, mGroup);
            process->EffectInit();
            mInstances.push_back(std::make_unique<Instance>(std::move(process)));
            return mInstances.back().get();
        }
        catch (...)
        {
            return nullptr;
        }
    }

    void DestroyInstance(EffectInstance* instance) override
    {
        auto found = std::find_if(mInstances.begin(), mInstances.end(),
                                  [instance](const auto& owned) { return owned.get() == instance; });
        if (found != mInstances.end())
            mInstances.erase(found);
    }

    std::size_t GetInstanceCount() const { return mInstances.size(); }

    CEffectProcess* FindProcess(const EffectInstance* instance) const
    {
        for (const auto& owned : mInstances)
        {
            if (owned.get() == instance)
                return &owned->GetProcess();
        }
        return nullptr;
    }

private:
    CEffectGroup& mGroup;
    std::vector<std::unique_ptr<Instance>> mInstances;
};

CEffectGroup::CEffectGroup() : mEngine(std::make_unique<Engine>(*this)) {}

CEffectGroup::~CEffectGroup()
{
    // Processes go before the types and declarations they point at.
    mEngine.reset();
}

std::uint16_t CEffectGroup::Initialize()
{
    try
    {
        CreateEffectTypes();
    }
    catch (const std::bad_alloc&)
    {
        return kGroupErrNoMemory;
    }
    catch (...)
    {
        return kGroupErrInitFailed;
    }
    if (mInfo.manufacturerId == 0 || mInfo.productId == 0 || mTypes.empty())
        return kGroupErrIncomplete;
    return 0;
}

void CEffectGroup::DefineManufacturerNamesAndID(std::string names, HostLib::FourCharCode id)
{
    mInfo.manufacturerNames = std::move(names);
    mInfo.manufacturerId = id;
}

void CEffectGroup::DefinePlugInNamesAndID(std::string names, HostLib::FourCharCode productId)
{
    mInfo.productNames = std::move(names);
    mInfo.productId = productId;
}

void CEffectGroup::AddEffectType(std::unique_ptr<CEffectType> type)
{
    mTypes.push_back(std::move(type));
}

const CEffectType* CEffectGroup::FindType(HostLib::FourCharCode typeId) const
{
    for (const auto& type : mTypes)
    {
        if (type->GetTypeId() == typeId)
            return type.get();
    }
    return nullptr;
}

void ShowEffectMessageBox(HostLib::EffectHost* host, const HostLib::EffectMessageBox& box)
{
    if (host)
    {
        host->ShowMessageBox(box);
        return;
    }
    std::fprintf(stderr, "%s\n%s\n", box.caption.c_str(), box.text.c_str());
}

void CEffectGroup::ShowMessageBox(const HostLib::EffectMessageBox& box) const
{
    ShowEffectMessageBox(mHost, box);
}

HostLib::EffectEngine& CEffectGroup::GetEngine()
{
    return *mEngine;
}

std::size_t CEffectGroup::GetInstanceCount() const
{
    return mEngine->GetInstanceCount();
}

CEffectProcess* CEffectGroup::GetProcess(const HostLib::EffectInstance* instance) const
{
    return mEngine->FindProcess(instance);
}
