#include "Commands.h"

#include "AudioFile.h"
#include "HostError.h"
#include "HostSession.h"
#include "PluginModule.h"
#include "RenderLoop.h"

#include "platform/SafeFile.h"

#include <cstdio>
#include <cstring>
#include <optional>
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
    CheckBlockSize(options.blockSize);
    // OUT may be IN (the input stays whole until OUT's temporary file moves
    // over it at the end), but the settings file may be neither.
    if (options.saveSettings)
    {
        for (const std::string* other : {&options.input, &options.output})
        {
            if (Platform::SameFile(*options.saveSettings, *other))
                throw HostError("the settings file '" + *options.saveSettings + "' is the same file as '" +
                                *other + "'");
        }
    }

    AudioReader input(options.input);
    std::string settings;
    if (options.loadSettings)
        settings = ReadSettingsFile(*options.loadSettings);

    PluginModule module(options.modulePath);
    EffectEngine& engine = module.GetEngine();
    EffectTypeInfo typeInfo;
    InstanceHolder holder{engine, CreateRealtimeInstance(engine, input.GetChannelCount(), input.GetSampleRate(),
                                                         options.blockSize, typeInfo)};
    const EffectTypeInfo* type = &typeInfo;
    EffectInstance& instance = *holder.instance;
    if (options.loadSettings)
        SetSettingsText(instance, module.GetHost(), settings, "file '" + *options.loadSettings + "'");
    const std::int32_t bypassIndex = instance.GetMasterBypassIndex();
    if (options.bypass)
    {
        if (bypassIndex == 0 || instance.SetControlValue(bypassIndex, 1.0) != kEffectOK)
            throw HostError("the plug-in has no master bypass");
    }

    // Outputs are opened before the long work, so a target that may not be
    // replaced is refused at once; they move into place only at the end.
    Platform::SafeFileWriter outputFile;
    OpenOutput(outputFile, options.output);
    Platform::SafeFileWriter settingsFile;
    if (options.saveSettings)
        OpenOutput(settingsFile, *options.saveSettings);

    // The file streams through in stretches of whole blocks, so the blocks the
    // plug-in sees do not depend on the stretch length.
    const auto channelCount = static_cast<std::size_t>(input.GetChannelCount());
    const std::int64_t stretch =
        static_cast<std::int64_t>(options.blockSize) * std::max(1, kStreamFrames / options.blockSize);
    ChannelBuffers inputs(channelCount, std::vector<float>(static_cast<std::size_t>(stretch)));
    ChannelBuffers outputs(channelCount, std::vector<float>(static_cast<std::size_t>(stretch)));
    std::int64_t frames = 0;
    struct
    {
        std::int64_t blocks = 0;
        double seconds = 0.0;
    } rendered;
    std::int64_t differing = 0;
    std::int64_t firstDifference = -1;
    {
        AudioWriter writer(outputFile, options.output, input.GetFormat(), input.GetSampleRate(),
                           input.GetChannelCount());
        RenderThread renderer(instance, options.blockSize, input.GetSampleRate(), options.realtime);
        for (;;)
        {
            const std::int64_t got = input.Read(inputs, stretch);
            if (got == 0)
                break;
            renderer.Render(inputs, outputs, got);
            for (std::size_t c = 0; c < channelCount; ++c)
            {
                for (std::size_t i = 0; i < static_cast<std::size_t>(got); ++i)
                {
                    // Bit patterns, so that a NaN passed through counts as unchanged.
                    if (std::memcmp(&outputs[c][i], &inputs[c][i], sizeof(float)) != 0)
                    {
                        const std::int64_t at = frames + static_cast<std::int64_t>(i);
                        if (firstDifference < 0 || at < firstDifference)
                            firstDifference = at;
                        ++differing;
                    }
                }
            }
            writer.Write(outputs, got);
            frames += got;
        }
        writer.Close();
        rendered.blocks = renderer.GetBlocks();
        rendered.seconds = renderer.GetSeconds();
    }
    if (differing != 0)
        throw HostError("the audio did not pass unchanged: " + std::to_string(differing) +
                        " samples differ, the first at frame " + std::to_string(firstDifference));

    std::string savedSettings;
    if (options.saveSettings)
    {
        savedSettings = GetSettingsText(instance);
        if (!settingsFile.Write(savedSettings))
            throw HostError("cannot write '" + *options.saveSettings + "': " + settingsFile.GetError());
    }
    // Everything is written and on disk before the first output moves into
    // place, so a failure leaves neither behind.
    if (!outputFile.Finish())
        throw HostError("cannot write '" + options.output + "': " + outputFile.GetError());
    if (options.saveSettings && !settingsFile.Finish())
        throw HostError("cannot write '" + *options.saveSettings + "': " + settingsFile.GetError());
    if (!outputFile.Commit())
        throw HostError("cannot write '" + options.output + "': " + outputFile.GetError());
    if (options.saveSettings && !settingsFile.Commit())
        throw HostError("cannot write '" + *options.saveSettings + "': " + settingsFile.GetError());

    std::printf("processed %lld frames of %d channel(s) at %d Hz through %s in %lld blocks of up to %d "
                "frames (%s%s, %.3f s)\n",
                static_cast<long long>(frames), input.GetChannelCount(), input.GetSampleRate(),
                FourCharText(type->typeId).c_str(), static_cast<long long>(rendered.blocks), options.blockSize,
                options.bypass ? "bypassed" : "analysing", options.realtime ? ", real time" : "", rendered.seconds);
    std::printf("audio passed unchanged: %lld samples compared, none differ\n",
                static_cast<long long>(frames) * input.GetChannelCount());
    std::printf("wrote %s (%s)\n", options.output.c_str(), DescribeFormat(input.GetFormat()).c_str());
    if (options.loadSettings)
        std::printf("loaded settings from %s\n", options.loadSettings->c_str());
    if (options.saveSettings)
        std::printf("saved settings to %s (%zu bytes)\n", options.saveSettings->c_str(), savedSettings.size());
    return 0;
}
