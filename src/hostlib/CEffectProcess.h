#pragma once
// Process objects: one per inserted instance of a process type. The library
// creates them through their type's creation entry, sets them up (type,
// group, sample rate 44100, block size 1024) and calls EffectInit, where a
// process builds its controls and whatever it renders with. The engine then
// forwards the host's calls to them.
//
// Threads: RenderAudio on the host's real-time thread (no allocation, lock,
// exception or I/O). Everything else on the main thread. Controls and chunks
// may be set and fetched while a render call of the same process runs, so
// whatever they change that RenderAudio reads must be safe to share (an
// atomic, a try-lock); stream format, window, set-up and destruction never
// overlap a render call.

#include "hostlib/CEffectType.h"
#include "hostlib/CPlugInView.h"
#include "hostlib/CPluginControl.h"
#include "hostlib/EffectEngine.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class CEffectGroup;

class CEffectProcess
{
public:
    static constexpr std::int32_t kMaxChannels = 8;
    static constexpr double kDefaultSampleRate = 44100.0;
    static constexpr std::int32_t kDefaultBlockSize = 1024;

    CEffectProcess() = default;
    virtual ~CEffectProcess();
    CEffectProcess(const CEffectProcess&) = delete;
    CEffectProcess& operator=(const CEffectProcess&) = delete;

    // --- set-up (library) ---
    // Called once by the library right after creation, before EffectInit.
    void SetupProcess(const CEffectType& type, CEffectGroup& group);
    // The process's own initialisation; a throw makes the insertion fail.
    virtual void EffectInit() {}

    // --- what a process may ask ---
    const CEffectType& GetType() const { return *mType; }
    HostLib::FourCharCode GetProcessType() const { return mType->GetTypeId(); }
    std::int32_t GetNumInputs() const { return mType->GetNumInputs(); }
    std::int32_t GetNumOutputs() const { return mType->GetNumOutputs(); }
    CEffectGroup& GetGroup() const { return *mGroup; }
    double GetSampleRate() const { return mSampleRate; }
    std::int32_t GetBlockSize() const { return mBlockSize; }
    // Frames rendered since the instance was created (real-time thread).
    std::int64_t GetSamplePosition() const noexcept { return mSamplePosition; }
    // True when the process runs on a DSP accelerator engine. This library
    // renders natively only.
    bool RunsOnDSPEngine() const { return false; }
    // Shows a message box through the host that created the process, the
    // group's host at that time (standard error without a host). Another host
    // given to the group later never receives this process's boxes.
    void ShowMessageBox(const HostLib::EffectMessageBox& box) const;

    // --- stream format (library) ---
    // All or nothing: the process's hook sees the new value through
    // GetSampleRate/GetBlockSize; when it throws, the old value is put back
    // and kEffectErrFailed returned, and the process must have left its own
    // state as it was (whatever the new value needs is had before anything
    // is replaced).
    HostLib::EffectStatus SetSampleRate(double rate);
    HostLib::EffectStatus SetBlockSize(std::int32_t frames);

    // --- rendering ---
    // Library: hands RenderAudio pieces of at most the block size, each with
    // its channel pointers advanced, and counts the sample position.
    void Render(const float* const* inputs, float* const* outputs, std::int32_t frames) noexcept;
    // Inside RenderAudio: where the current piece starts in the host's render
    // call, 0 for its first piece. Whatever happens once per host call (a
    // bypass switch taking effect) happens on the piece at 0.
    std::int32_t GetRenderCallOffset() const noexcept { return mRenderCallOffset; }

    // --- controls (1-based indices) ---
    // Takes ownership; returns the control's index.
    std::int32_t AddControl(std::unique_ptr<CPluginControl> control);
    void DefineMasterBypassControlIndex(std::int32_t index) { mMasterBypassIndex = index; }
    std::int32_t GetMasterBypassControlIndex() const { return mMasterBypassIndex; }
    std::int32_t GetNumControls() const { return static_cast<std::int32_t>(mControls.size()); }
    // Null for an index out of range.
    CPluginControl* GetControl(std::int32_t index) const;
    double GetControlValue(std::int32_t index) const;
    // Stores the constrained value, then lets the process take it into its
    // algorithm (UpdateControlValueInAlgorithm).
    HostLib::EffectStatus SetControlValue(std::int32_t index, double value);

    // --- chunks ---
    void DefineChunk(HostLib::FourCharCode id, std::string name);
    std::vector<HostLib::EffectChunkInfo> GetChunks() const { return mChunks; }
    bool HasChunk(HostLib::FourCharCode id) const;
    // The process's chunk handling. size counts the 56-byte header. `chunk`
    // is the whole chunk buffer: the process writes the header's size field
    // and its data after the header; kEffectErrChunkTooSmall (with the size
    // needed in the header's size field when the header fits) when its data
    // does not fit. For SetChunk the library has checked that the header's
    // size lies within the buffer. The library's own handling knows no chunks.
    virtual HostLib::EffectStatus GetChunkSize(HostLib::FourCharCode id, std::int32_t& size);
    virtual HostLib::EffectStatus GetChunk(HostLib::FourCharCode id, std::span<char> chunk);
    virtual HostLib::EffectStatus SetChunk(HostLib::FourCharCode id, std::span<const char> chunk);

    // --- window (library) ---
    // window: a HostLib::HostWindow (see CPlugInView::AttachToWindow).
    HostLib::EffectStatus OpenWindow(void* window, std::int32_t x, std::int32_t y);
    HostLib::EffectStatus CloseWindow();
    bool IsWindowOpen() const { return mView != nullptr; }
    // The host's view events, passed to the open view; kEffectErrNoView
    // while none is open. rect: view coordinates.
    HostLib::EffectStatus DrawWindow(const HostLib::HostRect& rect);
    HostLib::EffectStatus IdleWindow();
    HostLib::EffectStatus MouseDownInWindow(std::int32_t x, std::int32_t y);
    // kEffectErrBadIndex for an index that names no control.
    HostLib::EffectStatus SetControlHighlight(std::int32_t index, bool on, std::int32_t color);
    // The open view's size; before a window opens, the size of a view made
    // just to answer (a host sizes its window first).
    HostLib::EffectStatus GetWindowSize(std::int32_t& width, std::int32_t& height);

    // --- automation gestures ---
    // The process's view tells the library when the user takes hold of a
    // control in the view (touch) and lets go (release); the host asks.
    void TouchControl(std::int32_t index);
    void ReleaseControl(std::int32_t index);
    bool IsControlTouched(std::int32_t index) const;

protected:
    // Real-time thread; frames is at most the block size. inputs and outputs
    // hold one pointer per channel of the type, null where the host supplied
    // no buffer.
    virtual void RenderAudio(const float* const* inputs, float* const* outputs,
                             std::int32_t frames) noexcept = 0;
    // After the stream format changed (main thread); a throw refuses the
    // change (see SetSampleRate).
    virtual void SampleRateChanged() {}
    virtual void BlockSizeChanged() {}
    // After the host (or the process itself) set a control's value.
    virtual void UpdateControlValueInAlgorithm(std::int32_t) {}
    // The view for the host's window; null when the process has none.
    virtual std::unique_ptr<CPlugInView> CreateCPlugInView() { return nullptr; }

private:
    const CEffectType* mType = nullptr;
    CEffectGroup* mGroup = nullptr;
    HostLib::EffectHost* mHost = nullptr;
    double mSampleRate = kDefaultSampleRate;
    std::int32_t mBlockSize = kDefaultBlockSize;
    std::int64_t mSamplePosition = 0;
    std::int32_t mRenderCallOffset = 0; // real-time thread only
    std::vector<std::unique_ptr<CPluginControl>> mControls;
    std::int32_t mMasterBypassIndex = 0;
    std::vector<HostLib::EffectChunkInfo> mChunks;
    std::unique_ptr<CPlugInView> mView;
};

// The offline variant: the host feeds whole selections in passes, each
// starting with a pre-roll whose output it discards.
class CEffectProcessAS : public virtual CEffectProcess
{
public:
    // Library: starts a pass.
    void BeginOfflinePass(std::int32_t prerollFrames);
    std::int32_t GetPrerollFrames() const { return mPrerollFrames; }
    // Library: one block of a pass; returns the frames written to outputs.
    // Pieces of at most the block size, like Render.
    std::int32_t ProcessOffline(const float* const* inputs, float* const* outputs,
                                std::int32_t frames);

protected:
    virtual void OfflinePassBegins() {}
    // Returns the frames written to outputs (main or offline thread).
    virtual std::int32_t RenderOffline(const float* const* inputs, float* const* outputs,
                                       std::int32_t frames) = 0;
private:
    std::int32_t mPrerollFrames = 0;
};
