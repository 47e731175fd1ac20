#pragma once
// The framework's plug-in object: one per inserted instance. The host
// adaptation creates it and drives it; it owns the instance's services
// (timers, messages), the parameter values, the programs, the channel
// configuration, the bypass state machine and the pass-through of audio.
//
// Threads: Process, ContinueProcess, PassThrough and ProcessBlock run on the
// host's real-time thread and never allocate, lock or throw. Everything else
// runs on the UI (main) thread: settings, chunks and host parameter changes
// also while Process runs, the stream format never. Host parameter changes
// are only queued where they arrive and delivered on the UI thread by
// FlushHostParameterChanges.

#include "base/FourCC.h"
#include "core/MessagePublisher.h"
#include "core/PluginCoreTypes.h"
#include "core/PluginServices.h"

#include <array>
#include <atomic>
#include <iosfwd>
#include <cstdint>
#include <string>
#include <vector>

class CVLPluginMetaClass;
class ParameterDescriptor;
class PluginPlatform;
// The editor's framework lives above the core; the core only hands its frames on.
class Frame;
class PluginUIRoot;
namespace Serialization
{
class Archive;
}

namespace PluginSettingsMessages
{
inline constexpr const char* kUnableToLoad = "Unable to load settings.";
inline constexpr const char* kCorrupted = "These are not valid settings or the settings have been corrupted.  ";
inline constexpr const char* kCarriageReturns =
    "These are not valid settings or the settings have been corrupted.  (Contains illegal carriage returns.)";
inline constexpr const char* kNoHeader =
    "These are not valid settings or the settings have been corrupted.  (Unable to find the header.)";
inline constexpr const char* kNoMemoryToSave = "There is insufficient memory available to save settings.";
inline constexpr const char* kNoMemory = "There is insufficient memory available.";
inline constexpr const char* kCantLoadDefaults = "Can't load default settings.";
inline constexpr const char* kDefaultsSaved = "Default settings saved.";
inline constexpr const char* kCantSaveDefaults = "Can't save default settings.";
inline constexpr const char* kUnableToSave = "Unable to save settings";
inline constexpr const char* kCannotCreateFile = "The selected file could not be opened or created.";
// Settings files carry this extension.
inline constexpr const char* kSettingsFileExtension = ".quarvix";
} // namespace PluginSettingsMessages

// What the core needs of the editor's UI root while an editor is open.
class PluginUIRootLink
{
public:
    virtual ~PluginUIRootLink() = default;
    virtual bool CanShowError() const = 0;
    virtual void ShowErrorFrame(const std::string& title, const std::string& message,
                                std::int32_t code, std::int32_t severity) = 0;
};

namespace PluginCoreMessages
{
// Stream format changes: 'srte' after a sample-rate change, 'blok' after a
// block-size change.
inline constexpr std::int32_t kConfigClass = FourCCValue("cfg ");
inline constexpr std::int32_t kSampleRateChanged = FourCCValue("srte");
inline constexpr std::int32_t kBlockSizeChanged = FourCCValue("blok");
// Clip indicators: 'clcl' asks every clip light to clear.
inline constexpr std::int32_t kClipClass = FourCCValue("clip");
inline constexpr std::int32_t kClearClip = FourCCValue("clcl");
} // namespace PluginCoreMessages

class PluginCore : public PluginServices, public MessagePublisher
{
public:
    // Processing modes of Process: 0 normal, any other value bypass, and 2
    // pass-through only (no analysis, no state change).
    static constexpr std::int32_t kModePassThroughOnly = 2;
    // Largest channel count an instance can have.
    static constexpr std::int32_t kMaxChannels = 8;

    PluginCore(PluginPlatform& platform, const ChannelConfig& channels);
    ~PluginCore() override;
    PluginCore(const PluginCore&) = delete;
    PluginCore& operator=(const PluginCore&) = delete;

    // The instance's own services (the publisher part reaches the same ones).
    using PluginServices::GetMessagingServer;
    using PluginServices::GetTimerManager;

    PluginPlatform& GetPlatform() const { return mPlatform; }
    const CVLPluginMetaClass& GetDescription() const { return *mDescription; }

    // --- programs ---
    virtual void SetProgramName(const char* name);
    virtual std::string GetProgramName(std::int32_t index) const;
    virtual std::string GetCurrentProgramName() const;
    virtual std::int32_t GetCurrentProgram() const;
    virtual void SetCurrentProgram(std::int32_t index);
    std::int32_t GetProgramCount() const { return static_cast<std::int32_t>(mProgramNames.size()); }

    // --- settings (UI thread) ---
    // One settings archive of the current state: the metadata object, then
    // the satellites.
    virtual void WriteSettings(std::ostream& out);
    // Reads one settings archive; every failure throws.
    virtual void ReadSettingsOrThrow(const std::string& text);
    // As ReadSettingsOrThrow, but failures are reported and the state read
    // before them is put back as it was. Returns whether the text was loaded.
    virtual bool ReadSettings(const std::string& text);
    // The current state as settings text.
    std::string CaptureSettingsText();
    // Default settings stored by the platform under a product name.
    virtual bool LoadDefaultSettings(const std::string& name);
    virtual bool SaveDefaultSettings(const std::string& name);
    // The text LoadDefaultSettings last had from the platform, loadable or
    // not; empty while none was found. Resetting colours goes back to it.
    const std::string& GetDefaultSettingsText() const { return mDefaultSettingsText; }

    // What the editor's Load and Save buttons do, with their reports: with
    // Shift held they use the default settings, otherwise a settings file
    // the user chose (a settings text ended by a NUL).
    bool LoadDefaultSettingsCommand(const std::string& name);
    bool SaveDefaultSettingsCommand(const std::string& name);
    bool ReadSettingsFile(const std::string& path);
    bool WriteSettingsFile(const std::string& path);

    // The settings text of the current state (currentProgramOnly) or of every
    // program as one programs text, copied into a buffer the core owns until
    // the next call (NUL-terminated, GetChunkLength bytes of text). Null when
    // the state could not be written.
    virtual const char* GetChunk(bool currentProgramOnly);
    std::size_t GetChunkLength() const { return mChunkLength; }
    // Loads settings handed back by the host. Refused texts are reported once
    // per instance through ReportError and otherwise ignored.
    virtual void SetChunk(const char* data, std::int32_t length, bool currentProgramOnly);
    const std::string& GetProgramText(std::int32_t index) const;
    const std::string& GetCurrentText() const { return mCurrentText; }

    // --- audio (real-time thread) ---
    // One host call: inputs/outputs hold one pointer per channel of the
    // configuration. The bypass state advances once, by mode; a block longer
    // than the maximum block size is then processed in pieces in that state.
    void Process(const float* const* inputs, float* const* outputs, std::int32_t frames,
                 bool accumulate, std::int32_t mode) noexcept;
    // More frames of the host call the last Process began, for hosts whose
    // library hands a long call over in several parts: processed in the mode
    // and bypass state that call set, which stay as they are.
    void ContinueProcess(const float* const* inputs, float* const* outputs, std::int32_t frames,
                         bool accumulate) noexcept;
    void PassThrough(const float* const* inputs, float* const* outputs, std::int32_t frames) noexcept;
    void SetSamplePosition(std::int32_t position) noexcept { mSamplePosition = position; }
    std::int32_t GetSamplePosition() const noexcept { return mSamplePosition; }
    BypassState GetBypassState() const noexcept { return mBypassState; }

    // --- offline processing (UI or offline thread, not real-time) ---
    virtual void PrepareProcessing();
    // Returns the number of frames written to the real outputs.
    virtual std::int32_t ProcessWithPreroll(const float* const* inputs, float* const* outputs,
                                            std::int32_t frames, bool accumulate, std::int32_t mode);

    virtual void ResetAnalysis() {}
    // UI thread: whether the host streams audio through the instance now (the host adaptation knows).
    // Whether the host delivers audio now; the host adaptation answers.
    virtual bool IsAudioRunning() const;

    // --- stream format (UI thread, never while Process runs) ---
    float GetSampleRate() const { return mSampleRate; }
    std::int32_t GetMaxBlockSize() const { return mMaxBlockSize; }
    ChannelConfig GetChannelConfig() const { return mChannels; }
    // All or nothing: when the plug-in object's hooks or a listener of the
    // change throw, the old value is put back, the hooks are run again with
    // it (and the listeners told again once they heard of the new one), and
    // the exception leaves. The busy counter is lowered on every exit.
    virtual void SetSampleRate(float rate);
    virtual void SetMaxBlockSize(std::int32_t frames);

    // --- parameters ---
    virtual void OnHostParameterChange(const ParameterDescriptor& descriptor, float value);
    virtual void SetParameterById(FourCharCode id, float value);
    virtual float GetParameter(const ParameterDescriptor& descriptor) const;
    virtual float GetParameterById(FourCharCode id) const;
    virtual void SetForcedUpdate(bool on);
    virtual void ClearClipIndicators();
    virtual void SetParameter(FourCharCode id, float value, bool force = false);
    // UI thread, from the UI root's periodic tick.
    void FlushHostParameterChanges();
    // Forgets host changes not yet delivered (settings about to be replaced).
    void ClearPendingParameterChanges();
    std::int32_t GetBusyCount() const { return mBusyCount; }
    // The editor raises the busy count while it opens; never below 0.
    void EnterBusy() noexcept { ++mBusyCount; }
    void LeaveBusy() noexcept { Decrement(mBusyCount); }

    // --- editor (UI thread) ---
    // The page the editor shows, created as a child of the root's master
    // frame; null for a plug-in without an editor.
    virtual Frame* CreateEditorFrame(PluginUIRoot& /*root*/) { return nullptr; }
    // The about page, created under parent; null when there is none.
    virtual Frame* CreateAboutFrame(PluginUIRoot& /*root*/, Frame* /*parent*/) { return nullptr; }
    // The editor's size for this instance's channel layout.
    virtual void GetEditorSize(std::int32_t& width, std::int32_t& height) const
    {
        width = 0;
        height = 0;
    }
    std::int32_t GetForcedUpdateCount() const { return mForcedUpdateCount; }

    // --- editor and errors ---
    void SetCurrentUIRoot(PluginUIRootLink* root) { mUIRoot = root; }
    PluginUIRootLink* GetCurrentUIRoot() const { return mUIRoot; }
    // Shown inside the editor when one is open and can show it, else by the host.
    void ReportError(const std::string& title, const std::string& message, std::int32_t code,
                     std::int32_t severity);

protected:
    // What the plug-in object adds to its settings after the metadata.
    virtual void SaveSatellites(Serialization::Archive&) {}
    virtual void LoadSatellites(Serialization::Archive&) {}
    virtual bool AcceptHostParameterChange(const ParameterDescriptor& descriptor, float value);
    virtual void OnParameterChanged(const ParameterDescriptor& descriptor, float value);
    virtual void OnBeforeSampleRateChange(float) {}
    virtual void OnSampleRateChanged(float) {}
    virtual void OnAfterSampleRateNotified() {}
    virtual void OnMaxBlockSizeChanged(std::int32_t) {}
    virtual void OnAfterMaxBlockSizeNotified() {}
    // Real-time thread. The core's own version only passes the audio through.
    virtual void ProcessBlock(const float* const* inputs, float* const* outputs,
                              std::int32_t frames, BypassState state) noexcept;

private:
    struct HostParameterSlot
    {
        float lastDelivered = 0.0f;
        float latestHost = 0.0f;
    };

    // Counter that never goes below 0.
    static void Decrement(std::int32_t& counter) { counter = counter > 0 ? counter - 1 : 0; }
    // Raises the busy counter for a scope and lowers it on every way out.
    class BusyScope
    {
    public:
        explicit BusyScope(std::int32_t& counter) noexcept : mCounter(counter) { ++mCounter; }
        ~BusyScope() { Decrement(mCounter); }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        std::int32_t& mCounter;
    };
    // Puts a stream format back after a failed change: runs the hook again
    // with the old value and, when listeners heard of the new one, tells them
    // again. Best effort: the failure being reported is the first one.
    template <class Hook>
    void RestoreStreamFormat(Hook&& hook, std::int32_t announcement) noexcept;
    std::string BuildProgramsText(const std::string& currentState) const;
    // Reads a programs text into the program names and texts; false (after a
    // report) when it has no header of this plug-in. currentFilled tells
    // whether the text held the current program.
    bool ParseProgramsText(const std::string& text, bool* currentFilled = nullptr);
    void ReportChunkErrorOnce(const char* message);
    // Replaces the state with a settings text, after clearing host parameter
    // changes not yet delivered.
    void ApplySettingsText(const std::string& text);
    // Processes in the current bypass state, in pieces of at most the maximum
    // block size (or only passes the audio through in the pass-through mode).
    void ProcessInState(const float* const* inputs, float* const* outputs, std::int32_t frames,
                        bool accumulate) noexcept;
    void ProcessPiece(const float* const* inputs, float* const* outputs, std::int32_t frames,
                      bool accumulate) noexcept;

    PluginPlatform& mPlatform;
    CVLPluginMetaClass* mDescription;
    ChannelConfig mChannels;
    float mSampleRate = 44100.0f;
    std::int32_t mMaxBlockSize = 1024;
    std::int32_t mSamplePosition = 0;

    std::vector<float> mParameterValues;
    std::vector<HostParameterSlot> mHostSlots;
    std::int32_t mQueuedHostChanges = 0;
    std::int32_t mDeliveredHostChanges = 0;
    std::int64_t mParameterBeingSet = -1;

    std::vector<std::string> mProgramNames;
    std::vector<std::string> mProgramTexts;
    std::string mCurrentText;
    std::string mDefaultSettingsText;
    std::vector<char> mChunkBuffer;
    std::size_t mChunkLength = 0;
    bool mChunkErrorReported = false;
    std::int32_t mCurrentProgram = 0;

    BypassState mBypassState = BypassState::Active;
    std::int32_t mProcessMode = 0; // of the host call being processed (real-time thread)
    std::atomic<bool> mInsideProcess{false};
    std::vector<std::vector<float>> mScratch; // per output channel, for accumulate

    std::vector<std::vector<float>> mPrerollBuffers; // per output channel
    std::int32_t mPrerollLength = 0;
    std::int64_t mPrerollFramesFed = 0;

    std::int32_t mBusyCount = 0;
    std::int32_t mForcedUpdateCount = 0;

    PluginUIRootLink* mUIRoot = nullptr;
};
