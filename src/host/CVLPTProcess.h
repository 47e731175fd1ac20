#pragma once
// The process adaptor: one per inserted instance. It owns the plug-in object,
// turns the host library's calls (render, controls, settings chunk, stream
// format) into calls of the plug-in object, and serves the plug-in object as
// its PluginPlatform (default-settings files, error boxes, host name,
// parameter changes passed on to host controls).
//
// Host controls: index 1 is the master bypass ('bypa'); index 2 onwards are
// the description's parameters in index order (parameter index + 2), with ids
// from ControlIdForIndex.
//
// Threads: RenderAudio on the host's real-time thread; it does not allocate,
// lock or throw (channels the host did not supply are replaced by buffers
// sized whenever the block size changes). Everything else runs on the main
// thread: controls and the settings chunk also while a render call is
// running (the bypass switch is an atomic read once per host call; parameter
// changes are only queued for the plug-in's UI thread; the plug-in object
// saves and loads its settings beside its running analysis), the stream
// format and everything else never while one runs.

#include "core/PluginCore.h"
#include "core/PluginPlatform.h"
#include "core/CVLPluginMetaClass.h"
#include "hostlib/CEffectProcess.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class CVLPTProcess : public virtual CEffectProcess, public PluginPlatform
{
public:
    static constexpr std::int32_t kMasterBypassControlIndex = 1;
    static constexpr std::int32_t kFirstParameterControlIndex = 2;
    static constexpr FourCharCode kMasterBypassId = FourCC("bypa");
    static constexpr const char* kMasterBypassNames = "Master Bypass\nMstr Byp\nMByp\nByp";
    // Registry key whose default value names the default-settings directory.
    static constexpr const char* kDefaultSettingsKey = "Software\\Corvanel Sound\\Default Settings";
    static constexpr const char* kErrorCaptionPrefix = "Corvanel Sound: ";

    CVLPTProcess();
    ~CVLPTProcess() override;

    // Creates the plug-in object for the type's channels and the controls.
    void EffectInit() override;

    // Null before EffectInit.
    PluginCore* GetPlugin() const { return mPlugin.get(); }
    bool IsBypassed() const { return mBypassed.load(std::memory_order_relaxed); }

    // --- PluginPlatform (main thread) ---
    bool LoadDefaultSettings(const std::string& name, std::string& text) override;
    bool SaveDefaultSettings(const std::string& name, const std::string& text) override;
    void OnPluginParameterChanged(std::int32_t parameterIndex, float value) override;
    bool IsParameterChangeAllowed(std::int32_t parameterIndex) override;
    void ShowError(const std::string& title, const std::string& message, std::int32_t code,
                   std::int32_t severity) override;
    std::string GetHostName() const override { return mHostName; }
    std::int32_t GetPrerollLength() const override { return 0; }
    // True while render calls arrive: the last one less than
    // kAudioRunningMilliseconds ago.
    bool IsAudioRunning() const override;
    static constexpr std::uint32_t kAudioRunningMilliseconds = 250;

    // --- settings chunk: the plug-in's chunk id; other ids go to the library ---
    // kEffectErrFailed when the plug-in object could not write its settings.
    HostLib::EffectStatus GetChunkSize(FourCharCode id, std::int32_t& size) override;
    HostLib::EffectStatus GetChunk(FourCharCode id, std::span<char> chunk) override;
    HostLib::EffectStatus SetChunk(FourCharCode id, std::span<const char> chunk) override;

    // The message box text for an error report: the title, then the message
    // on the next line; a non-zero code follows as " (code)" without a message
    // and as "message : code" with one.
    static std::string ErrorText(const std::string& title, const std::string& message, std::int32_t code);

private:
    // The tick count of the last render call, and whether there was one.
    std::atomic<std::uint32_t> mLastRenderTick{0};
    std::atomic<bool> mRendered{false};

protected:
    void RenderAudio(const float* const* inputs, float* const* outputs, std::int32_t frames) noexcept override;
    void SampleRateChanged() override;
    void BlockSizeChanged() override;
    void UpdateControlValueInAlgorithm(std::int32_t index) override;
    // The editor's view (CVLPTPluginViewBridge); none before EffectInit.
    std::unique_ptr<CPlugInView> CreateCPlugInView() override;

    // Channel pointers with the process's own zero input and scratch outputs
    // in place of those the host did not supply (frames up to the block size).
    void SubstituteChannels(const float* const* inputs, float* const* outputs, const float** in,
                            float** out) noexcept;
    std::int32_t ProcessMode() const noexcept { return IsBypassed() ? 1 : 0; }

    DescriptionUse mDescription;
    std::unique_ptr<PluginCore> mPlugin;

private:
    // The plug-in's settings text; false when it could not be made.
    bool CurrentChunkText(std::string_view& text);

    bool mHasChunk = false;
    FourCharCode mChunkId = 0;
    std::string mHostName;
    std::vector<float> mZeroInput;
    std::vector<std::vector<float>> mScratchOutputs;
    std::atomic<bool> mBypassed{false};
    // The control the process itself is setting for the plug-in; its update
    // is not handed back to the plug-in.
    std::int32_t mControlBeingSet = 0;
};

// The offline variant (whole selections in passes with a pre-roll).
class CVLPTProcessAS : public CVLPTProcess, public CEffectProcessAS
{
public:
    std::int32_t GetPrerollLength() const override { return GetPrerollFrames(); }

protected:
    void OfflinePassBegins() override;
    std::int32_t RenderOffline(const float* const* inputs, float* const* outputs,
                               std::int32_t frames) override;
};

// The process-creation entries of the types.
CEffectProcess* CreateCVLPTProcess();
CEffectProcess* CreateCVLPTProcessAS();
