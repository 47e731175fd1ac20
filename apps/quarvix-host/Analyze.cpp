// quarvix-host analyze: the audio through the plug-in's real-time path with
// its editor open on a host window in memory, the editor's clock following
// the audio, then what the analyzer shows written out.
//
// Time: every 30 ms of audio the host's clock moves 30 ms and the window's
// timer fires, as in a host playing the file; only the audio decides what
// the analyzer sees, so a run gives the same result every time, far faster
// than real time. The window paints only for the snapshot, except in the
// third-octave view, whose bars take their readings as they are drawn.

#include "Commands.h"

#include "AudioSource.h"
#include "HostError.h"
#include "HostSession.h"
#include "PluginModule.h"
#include "RenderLoop.h"
#include "SettingsText.h"

#include "editor/SkinLayout.h"
#include "gui/PixelBuffer.h"
#include "gui/PngImage.h"
#include "hostlib/OffscreenHostWindow.h"
#include "platform/SafeFile.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

using namespace HostLib;

namespace
{

constexpr std::uint32_t kTickMilliseconds = 30;
// Inputs shorter than this get no progress bar.
constexpr double kProgressFromSeconds = 30.0;

// The clock the module's editor runs on: the audio's own time.
std::atomic<std::uint32_t> gAudioMilliseconds{0};
std::uint32_t AudioClock()
{
    return gAudioMilliseconds.load(std::memory_order_relaxed);
}

// The settings a user reaches for, written into the plug-in's own settings
// text: the view's options object holds all but the view itself.
// view receives the view the settings show.
std::string ApplyOptions(const std::string& settings, const AnalyzeOptions& options, int& view)
{
    static const char* const kOptionsObjects[] = {"anaFFT.specOptions", "anaSpectrogram.specOptions",
                                                  "ana3rdOct.specOptions"};
    SettingsText text(settings);
    const char* const config[] = {"QVXGeneralSpecService", "QVXSpecConfig"};
    view = std::atoi(text.Get({config[0], config[1]}, "mSpectrumView").c_str());
    if (options.view)
    {
        view = *options.view;
        text.Set({config[0], config[1]}, "mSpectrumView", std::to_string(view));
    }
    const std::string_view object = kOptionsObjects[std::clamp(view, 0, 2)];
    const auto set = [&](std::string_view attribute, const std::string& value)
    { text.Set({config[0], config[1], object}, attribute, value); };
    if (options.fftSize)
        set("fftSize", std::to_string(*options.fftSize));
    if (options.window)
        set("winType", std::to_string(*options.window));
    if (options.weighting)
        set("specWeighting", std::to_string(*options.weighting));
    if (options.channelMode)
        set("analysisChannel", std::to_string(*options.channelMode));
    if (options.logScale)
        set("logScale", *options.logScale ? "true" : "false");
    if (options.averagingTime)
        set("averagingTime", Number(*options.averagingTime));
    if (options.peakHoldTime)
        set("peakHoldTime", Number(*options.peakHoldTime));
    return text.GetText();
}

// The middle of an analyzer control in the host window: the editor lies
// centred, its bottom on the window's.
void ClickControl(OffscreenHostWindow& window, std::int32_t editorWidth, std::int32_t editorHeight,
                  std::int32_t id, std::int32_t member = -1)
{
    const SkinLayout::Element* element = SkinLayout::FindControl(SkinLayout::Panel::Analyzer, id, member);
    if (!element)
        throw HostError("the editor has no control " + std::to_string(id));
    const std::int32_t left = (window.GetWidth() - editorWidth) / 2;
    const std::int32_t top = window.GetHeight() - editorHeight + SkinLayout::PanelRect(SkinLayout::Panel::Analyzer).top;
    const Rect& r = element->rect;
    window.Click(left + (r.left + r.right) / 2, top + (r.top + r.bottom) / 2);
}

class Progress
{
public:
    Progress(bool shown, double seconds) : mShown(shown), mSeconds(seconds) {}
    ~Progress()
    {
        if (mDrawn)
            std::fputc('\n', stderr);
    }
    void Update(double seconds)
    {
        if (!mShown)
            return;
        const int percent = static_cast<int>(100.0 * seconds / std::max(mSeconds, 1e-9));
        if (percent == mPercent)
            return;
        mPercent = percent;
        mDrawn = true;
        const int filled = percent * 30 / 100;
        std::fprintf(stderr, "\ranalysing [%.*s%.*s] %3d%%  %.1f / %.1f s", filled,
                     "##############################", 30 - filled, "                              ", percent,
                     seconds, mSeconds);
        std::fflush(stderr);
    }

private:
    const bool mShown;
    const double mSeconds;
    int mPercent = -1;
    bool mDrawn = false;
};

} // namespace

int RunAnalyze(const AnalyzeOptions& options)
{
    CheckBlockSize(options.blockSize);
    if (options.at && !(*options.at > 0.0))
        throw HostError("--at must be a time after the start, in seconds");
    if (!options.exportPath && !options.snapshotPath)
        throw HostError("nothing to write: give --export FILE, --snapshot FILE.png or both");
    if (options.exportPath && options.snapshotPath && Platform::SameFile(*options.exportPath, *options.snapshotPath))
        throw HostError("the export and the snapshot are the same file '" + *options.exportPath + "'");
    for (const std::optional<std::string>* output : {&options.exportPath, &options.snapshotPath})
    {
        if (*output && options.input && Platform::SameFile(**output, *options.input))
            throw HostError("'" + **output + "' is the input file");
    }

    AudioSource source(options.input);
    std::string loaded;
    if (options.loadSettings)
        loaded = ReadSettingsFile(*options.loadSettings);

    // Outputs are opened before the long work, so a target that may not be
    // replaced is refused at once; they move into place only at the end.
    Platform::SafeFileWriter exportFile;
    if (options.exportPath)
        OpenOutput(exportFile, *options.exportPath);
    Platform::SafeFileWriter snapshotFile;
    if (options.snapshotPath)
        OpenOutput(snapshotFile, *options.snapshotPath);

    gAudioMilliseconds.store(0);
    PluginModule module(options.modulePath, &AudioClock);
    EffectEngine& engine = module.GetEngine();
    EffectTypeInfo type;
    InstanceHolder holder{engine, CreateRealtimeInstance(engine, source.GetChannelCount(), source.GetSampleRate(),
                                                         options.blockSize, type)};
    EffectInstance& instance = *holder.instance;

    const std::string base = options.loadSettings ? loaded : GetSettingsText(instance);
    int view = 0;
    const std::string settings = ApplyOptions(base, options, view);
    if (options.loadSettings || settings != base)
        SetSettingsText(instance, module.GetHost(), settings,
                        options.loadSettings ? "file '" + *options.loadSettings + "'" : std::string("asked for"));

    // The editor on a host window of its own size.
    std::int32_t width = 0;
    std::int32_t height = 0;
    if (instance.GetWindowSize(width, height) != kEffectOK || width <= 0 || height <= 0)
        throw HostError("the plug-in has no editor to show");
    OffscreenHostWindow window(width, height);
    // The export command's save dialog is answered with a file of our own
    // beside the export, copied into place with the other outputs at the end.
    std::filesystem::path exportDraft;
    if (options.exportPath)
    {
        const std::filesystem::path target(*options.exportPath);
        std::string draft = ".";
        draft += target.filename().string();
        draft += ".analyze-";
        draft += std::to_string(::getpid());
        draft += ".txt";
        exportDraft = target.parent_path() / draft;
    }
    bool exportAsked = false;
    window.SetFileDialogHandler(
        [&](const HostFileDialog& dialog, std::string& path)
        {
            if (!dialog.save || exportDraft.empty())
                return false;
            exportAsked = true;
            path = exportDraft.string();
            return true;
        });
    struct WindowCloser
    {
        EffectInstance& instance;
        ~WindowCloser() { instance.CloseWindow(); }
    };
    if (instance.OpenWindow(&window, 0, 0) != kEffectOK)
        throw HostError("the plug-in's editor could not open");
    WindowCloser closer{instance};
    if (options.range)
        ClickControl(window, width, height, 39, *options.range);

    const int rate = source.GetSampleRate();
    const auto channels = static_cast<std::size_t>(source.GetChannelCount());
    const std::int64_t announced = source.GetFrames();
    const std::int64_t stopAt =
        options.at ? std::min(announced, static_cast<std::int64_t>(std::llround(*options.at * rate))) : announced;
    const std::int64_t tickFrames = static_cast<std::int64_t>(rate) * kTickMilliseconds / 1000 + 1;
    ChannelBuffers inputs(channels, std::vector<float>(static_cast<std::size_t>(tickFrames)));
    ChannelBuffers outputs(channels, std::vector<float>(static_cast<std::size_t>(tickFrames)));
    Progress progress(!options.quiet && ::isatty(STDERR_FILENO) && stopAt > kProgressFromSeconds * rate,
                      static_cast<double>(stopAt) / rate);
    std::int64_t frames = 0;
    RenderThread renderer(instance, options.blockSize, rate, options.realtime);
    for (std::int64_t tick = 1; frames < stopAt; ++tick)
    {
        // Exactly the audio of this tick, however the blocks fall.
        const std::int64_t target =
            std::min(stopAt, static_cast<std::int64_t>(tick) * rate * kTickMilliseconds / 1000);
        const std::int64_t got = source.Read(inputs, target - frames);
        if (got > 0)
            renderer.Render(inputs, outputs, got);
        frames += got;
        gAudioMilliseconds.store(static_cast<std::uint32_t>(tick * kTickMilliseconds));
        window.AdvanceTime(kTickMilliseconds);
        instance.IdleWindow();
        // The bars take their readings when they are drawn, as in a host
        // window on screen; the curves and the spectrogram need no drawing.
        if (view == 2)
            window.Paint();
        progress.Update(static_cast<double>(frames) / rate);
        if (got == 0)
            break; // the file ended before it said it would
    }

    // What the analyzer shows now.
    std::string exportText;
    if (options.exportPath)
    {
        ClickControl(window, width, height, 48);
        std::error_code ignored;
        std::string error;
        const bool read = exportAsked && Platform::ReadWholeFile(exportDraft.string(), exportText, error, 64u << 20);
        std::filesystem::remove(exportDraft, ignored);
        if (!read)
            throw HostError("the plug-in did not export its analysis" + (error.empty() ? "" : ": " + error));
        if (!exportFile.Write(exportText))
            throw HostError("cannot write '" + *options.exportPath + "': " + exportFile.GetError());
    }
    std::string png;
    if (options.snapshotPath)
    {
        instance.DrawWindow({0, 0, width, height});
        window.Paint();
        PixelBuffer image;
        image.Allocate(window.GetWidth(), window.GetHeight());
        image.pixels = window.ReadPixels();
        std::string error;
        if (!PngImage::Encode(image, png, &error))
            throw HostError("cannot make the snapshot: " + error);
        if (!snapshotFile.Write(png))
            throw HostError("cannot write '" + *options.snapshotPath + "': " + snapshotFile.GetError());
    }
    // Everything is on disk before the first output moves into place.
    for (auto [file, path] : {std::pair{&exportFile, &options.exportPath}, std::pair{&snapshotFile, &options.snapshotPath}})
    {
        if (*path && !file->Finish())
            throw HostError("cannot write '" + **path + "': " + file->GetError());
    }
    for (auto [file, path] : {std::pair{&exportFile, &options.exportPath}, std::pair{&snapshotFile, &options.snapshotPath}})
    {
        if (*path && !file->Commit())
            throw HostError("cannot write '" + **path + "': " + file->GetError());
    }

    static const char* const kViews[] = {"FFT", "spectrogram", "third-octave"};
    std::printf("analysed %.3f s of %d channel(s) at %d Hz from %s (%s view, blocks of %d frames%s)\n",
                static_cast<double>(frames) / rate, source.GetChannelCount(), rate,
                source.Describe().c_str(), kViews[std::clamp(view, 0, 2)], options.blockSize,
                options.realtime ? ", real time" : "");
    if (options.exportPath)
        std::printf("wrote %s (%zu lines of analysis data)\n", options.exportPath->c_str(),
                    static_cast<std::size_t>(std::count(exportText.begin(), exportText.end(), '\n')));
    if (options.snapshotPath)
        std::printf("wrote %s (%d x %d pixels)\n", options.snapshotPath->c_str(), width, height);
    return 0;
}
