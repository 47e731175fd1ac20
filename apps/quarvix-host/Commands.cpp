#include "Commands.h"

#include "AudioFile.h"
#include "HostError.h"
#include "OutputFile.h"
#include "PluginModule.h"
#include "RenderLoop.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace
{

using namespace HostLib;

// "A\nB\nC" as "A | B | C".
std::string NameList(const std::string& names)
{
    std::string text;
    for (char c : names)
        text += c == '\n' ? std::string(" | ") : std::string(1, c);
    return text;
}

std::string FirstName(const std::string& names)
{
    return names.substr(0, names.find('\n'));
}

const char* KindText(EffectControlKind kind)
{
    switch (kind)
    {
    case EffectControlKind::OnOff:
        return "on/off";
    case EffectControlKind::Continuous:
        return "continuous";
    case EffectControlKind::Discrete:
        break;
    }
    return "discrete";
}

std::string Number(double value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

// Value texts of a control: every value of a discrete one, the ends of a
// continuous one.
std::string ValueTexts(const EffectInstance& instance, std::int32_t index, const EffectControlInfo& info)
{
    std::string text;
    auto add = [&](double value) {
        if (!text.empty())
            text += ", ";
        text += Number(value) + " = \"" + instance.GetControlValueText(index, value, -1) + "\"";
    };
    if (info.steps > 0 && info.steps <= 64)
    {
        for (std::int32_t step = 0; step < info.steps; ++step)
            add(info.minimum + step);
    }
    else
    {
        add(info.minimum);
        add(info.maximum);
    }
    return text;
}

// Removes an instance when the command ends, however it ends.
struct InstanceHolder
{
    EffectEngine& engine;
    EffectInstance* instance;
    ~InstanceHolder()
    {
        if (instance)
            engine.DestroyInstance(instance);
    }
};

std::string ReadWholeFile(const std::string& path, const char* what)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw HostError(std::string("cannot read ") + what + " '" + path + "': " + std::strerror(errno));
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw HostError(std::string("cannot read ") + what + " '" + path + "'");
    return bytes;
}

const EffectChunkInfo& SettingsChunk(const EffectInstance& instance, std::vector<EffectChunkInfo>& chunks)
{
    chunks = instance.GetChunks();
    if (chunks.empty())
        throw HostError("the plug-in keeps no settings chunk");
    return chunks.front();
}

} // namespace

int RunDescribe(const DescribeOptions& options)
{
    PluginModule module(options.modulePath);
    EffectEngine& engine = module.GetEngine();
    const EffectGroupInfo group = engine.GetGroupInfo();
    const std::vector<EffectTypeInfo> types = engine.GetTypes();

    std::printf("Plug-in        %s\n", FirstName(group.productNames).c_str());
    std::printf("  names        %s\n", NameList(group.productNames).c_str());
    std::printf("  product id   %s\n", FourCharText(group.productId).c_str());
    std::printf("Manufacturer   %s (%s)\n", NameList(group.manufacturerNames).c_str(),
                FourCharText(group.manufacturerId).c_str());
    std::printf("Process types\n");
    for (const EffectTypeInfo& type : types)
        std::printf("  %s  %s, %d in / %d out, %g to %g Hz: %s\n", FourCharText(type.typeId).c_str(),
                    type.offline ? "offline" : "real-time", type.inputs, type.outputs, type.minSampleRate,
                    type.maxSampleRate, NameList(type.names).c_str());
    if (types.empty())
        throw HostError("the plug-in registers no process type");

    InstanceHolder holder{engine, engine.CreateInstance(types.front().typeId)};
    if (!holder.instance)
        throw HostError("the plug-in could not create an instance of " + FourCharText(types.front().typeId));
    const EffectInstance& instance = *holder.instance;
    std::printf("Controls (of an instance of %s)\n", FourCharText(types.front().typeId).c_str());
    for (std::int32_t index = 1; index <= instance.GetControlCount(); ++index)
    {
        EffectControlInfo info;
        if (instance.GetControlInfo(index, info) != kEffectOK)
            continue;
        std::printf("  %d  %s  %s%s\n", index, FourCharText(info.id).c_str(), NameList(info.names).c_str(),
                    index == instance.GetMasterBypassIndex() ? "  (master bypass)" : "");
        std::printf("       %s, default %s: %s\n", KindText(info.kind), Number(info.defaultValue).c_str(),
                    ValueTexts(instance, index, info).c_str());
    }
    for (const EffectChunkInfo& chunk : instance.GetChunks())
        std::printf("Settings chunk %s \"%s\"\n", FourCharText(chunk.id).c_str(), chunk.name.c_str());
    std::printf("Description    %s\n", group.descriptionText.c_str());
    return 0;
}

int RunProcess(const ProcessOptions& options)
{
    if (options.blockSize < kMinBlockSize || options.blockSize > kMaxBlockSize)
        throw HostError("the block size must be from " + std::to_string(kMinBlockSize) + " to " +
                        std::to_string(kMaxBlockSize) + " frames");

    const AudioFile audio = ReadAudioFile(options.input);
    std::string settings;
    if (options.loadSettings)
        settings = ReadWholeFile(*options.loadSettings, "the settings file");

    PluginModule module(options.modulePath);
    EffectEngine& engine = module.GetEngine();
    const EffectTypeInfo* type = nullptr;
    const std::vector<EffectTypeInfo> types = engine.GetTypes();
    for (const EffectTypeInfo& candidate : types)
    {
        if (!candidate.offline && candidate.inputs == audio.channelCount && candidate.outputs == audio.channelCount)
        {
            type = &candidate;
            break;
        }
    }
    if (!type)
        throw HostError("the plug-in has no real-time process type for " + std::to_string(audio.channelCount) +
                        " channel(s)");

    InstanceHolder holder{engine, engine.CreateInstance(type->typeId)};
    if (!holder.instance)
        throw HostError("the plug-in could not create an instance of " + FourCharText(type->typeId));
    EffectInstance& instance = *holder.instance;
    if (instance.SetSampleRate(audio.sampleRate) != kEffectOK)
        throw HostError("the plug-in does not run at " + std::to_string(audio.sampleRate) + " Hz (it takes " +
                        Number(type->minSampleRate) + " to " + Number(type->maxSampleRate) + " Hz)");
    if (instance.SetBlockSize(options.blockSize) != kEffectOK)
        throw HostError("the plug-in refused the block size " + std::to_string(options.blockSize));

    std::vector<EffectChunkInfo> chunks;
    if (options.loadSettings)
    {
        const EffectChunkInfo& chunkInfo = SettingsChunk(instance, chunks);
        std::vector<char> chunk(sizeof(CEffectChunkHeader) + settings.size());
        CEffectChunkHeader header;
        header.size = static_cast<std::int32_t>(chunk.size());
        header.chunkId = chunkInfo.id;
        WriteChunkHeader(chunk, header);
        std::memcpy(chunk.data() + sizeof header, settings.data(), settings.size());
        const int boxesBefore = module.GetHost().GetBoxCount();
        const EffectStatus status = instance.SetChunk(chunkInfo.id, chunk);
        if (status != kEffectOK || module.GetHost().GetBoxCount() != boxesBefore)
            throw HostError("the plug-in refused the settings file '" + *options.loadSettings + "'");
    }
    const std::int32_t bypassIndex = instance.GetMasterBypassIndex();
    if (options.bypass)
    {
        if (bypassIndex == 0 || instance.SetControlValue(bypassIndex, 1.0) != kEffectOK)
            throw HostError("the plug-in has no master bypass");
    }

    std::vector<std::vector<float>> outputs(audio.channels.size(),
                                            std::vector<float>(static_cast<std::size_t>(audio.frames)));
    RenderJob job;
    job.instance = &instance;
    job.inputs = &audio.channels;
    job.outputs = &outputs;
    job.frames = audio.frames;
    job.blockSize = options.blockSize;
    job.sampleRate = audio.sampleRate;
    job.paced = options.realtime;
    const RenderResult rendered = RenderOnThread(job);

    std::int64_t differing = 0;
    std::int64_t firstDifference = -1;
    for (std::size_t c = 0; c < outputs.size(); ++c)
    {
        for (std::size_t i = 0; i < outputs[c].size(); ++i)
        {
            // Bit patterns, so that a NaN passed through counts as unchanged.
            if (std::memcmp(&outputs[c][i], &audio.channels[c][i], sizeof(float)) != 0)
            {
                if (firstDifference < 0)
                    firstDifference = static_cast<std::int64_t>(i);
                ++differing;
            }
        }
    }
    if (differing != 0)
        throw HostError("the audio did not pass unchanged: " + std::to_string(differing) +
                        " samples differ, the first at frame " + std::to_string(firstDifference));

    // Everything that can fail is done before any file is moved into place.
    std::string savedSettings;
    if (options.saveSettings)
    {
        const EffectChunkInfo& chunkInfo = SettingsChunk(instance, chunks);
        std::vector<char> chunk;
        if (instance.GetChunk(chunkInfo.id, chunk) != kEffectOK || chunk.size() <= sizeof(CEffectChunkHeader))
            throw HostError("the plug-in gave no settings to save");
        savedSettings.assign(chunk.begin() + sizeof(CEffectChunkHeader), chunk.end());
    }
    OutputFile output(options.output);
    WriteAudioFile(output, audio.format, audio.sampleRate, outputs, audio.frames);
    std::optional<OutputFile> settingsOutput;
    if (options.saveSettings)
    {
        settingsOutput.emplace(*options.saveSettings);
        settingsOutput->WriteAll(savedSettings);
    }
    output.Commit();
    if (settingsOutput)
        settingsOutput->Commit();

    std::printf("processed %lld frames of %d channel(s) at %d Hz through %s in %lld blocks of up to %d "
                "frames (%s%s, %.3f s)\n",
                static_cast<long long>(audio.frames), audio.channelCount, audio.sampleRate,
                FourCharText(type->typeId).c_str(), static_cast<long long>(rendered.blocks), options.blockSize,
                options.bypass ? "bypassed" : "analysing", options.realtime ? ", real time" : "", rendered.seconds);
    std::printf("audio passed unchanged: %lld samples compared, none differ\n",
                static_cast<long long>(audio.frames) * audio.channelCount);
    std::printf("wrote %s (%s)\n", options.output.c_str(), DescribeFormat(audio.format).c_str());
    if (options.loadSettings)
        std::printf("loaded settings from %s\n", options.loadSettings->c_str());
    if (options.saveSettings)
        std::printf("saved settings to %s (%zu bytes)\n", options.saveSettings->c_str(), savedSettings.size());
    return 0;
}
