#include "HostSession.h"

#include "Commands.h"
#include "HostError.h"

#include <cstring>
#include <sstream>
#include <vector>

using namespace HostLib;

namespace
{
const EffectChunkInfo& SettingsChunk(const EffectInstance& instance, std::vector<EffectChunkInfo>& chunks)
{
    chunks = instance.GetChunks();
    if (chunks.empty())
        throw HostError("the plug-in keeps no settings chunk");
    return chunks.front();
}
} // namespace

std::string Number(double value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

void CheckBlockSize(int blockSize)
{
    if (blockSize < kMinBlockSize || blockSize > kMaxBlockSize)
        throw HostError("the block size must be from " + std::to_string(kMinBlockSize) + " to " +
                        std::to_string(kMaxBlockSize) + " frames");
}

EffectInstance* CreateRealtimeInstance(EffectEngine& engine, int channels, int sampleRate, int blockSize,
                                       EffectTypeInfo& type)
{
    CheckBlockSize(blockSize);
    const std::vector<EffectTypeInfo> types = engine.GetTypes();
    const EffectTypeInfo* chosen = nullptr;
    for (const EffectTypeInfo& candidate : types)
    {
        if (!candidate.offline && candidate.inputs == channels && candidate.outputs == channels)
        {
            chosen = &candidate;
            break;
        }
    }
    if (!chosen)
        throw HostError("the plug-in has no real-time process type for " + std::to_string(channels) +
                        " channel(s)");
    type = *chosen;
    EffectInstance* instance = engine.CreateInstance(type.typeId);
    if (!instance)
        throw HostError("the plug-in could not create an instance of " + FourCharText(type.typeId));
    InstanceHolder holder{engine, instance};
    if (instance->SetSampleRate(sampleRate) != kEffectOK)
        throw HostError("the plug-in does not run at " + std::to_string(sampleRate) + " Hz (it takes " +
                        Number(type.minSampleRate) + " to " + Number(type.maxSampleRate) + " Hz)");
    if (instance->SetBlockSize(blockSize) != kEffectOK)
        throw HostError("the plug-in refused the block size " + std::to_string(blockSize));
    holder.instance = nullptr;
    return instance;
}

std::string ReadSettingsFile(const std::string& path)
{
    std::string text;
    std::string error;
    if (!Platform::ReadWholeFile(path, text, error, kMaxSettingsFileBytes))
        throw HostError("cannot read the settings file '" + path + "': " + error);
    if (text.empty())
        throw HostError("cannot read the settings file '" + path + "': it is empty");
    return text;
}

std::string GetSettingsText(EffectInstance& instance)
{
    std::vector<EffectChunkInfo> chunks;
    const EffectChunkInfo& info = SettingsChunk(instance, chunks);
    std::vector<char> chunk;
    if (instance.GetChunk(info.id, chunk) != kEffectOK || chunk.size() <= sizeof(CEffectChunkHeader))
        throw HostError("the plug-in gave no settings");
    return std::string(chunk.begin() + sizeof(CEffectChunkHeader), chunk.end());
}

void SetSettingsText(EffectInstance& instance, const StandardErrorHost& host, const std::string& text,
                     const std::string& source)
{
    std::vector<EffectChunkInfo> chunks;
    const EffectChunkInfo& info = SettingsChunk(instance, chunks);
    std::vector<char> chunk(sizeof(CEffectChunkHeader) + text.size());
    CEffectChunkHeader header;
    header.size = static_cast<std::int32_t>(chunk.size());
    header.chunkId = info.id;
    WriteChunkHeader(chunk, header);
    std::memcpy(chunk.data() + sizeof header, text.data(), text.size());
    const int boxesBefore = host.GetBoxCount();
    const EffectStatus status = instance.SetChunk(info.id, chunk);
    if (status != kEffectOK || host.GetBoxCount() != boxesBefore)
        throw HostError("the plug-in refused the settings " + source);
}

void OpenOutput(Platform::SafeFileWriter& writer, const std::string& path)
{
    if (!writer.Open(path))
        throw HostError("cannot write '" + path + "': " + writer.GetError());
}
