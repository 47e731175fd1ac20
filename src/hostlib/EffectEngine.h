#pragma once
// The host side of our host plug-in library: what a host program drives.
//
// Getting at it: the module exports three functions with C linkage
// (host/module/ModuleEntry.h):
//
//   std::uint16_t NewPlugIn(void* hostContext);   // an EffectHostContext*
//   std::int32_t  WinPlugInOpen(std::int32_t key); // 73, else -1
//   void          WinPlugInClose();
//
// A host calls WinPlugInOpen(73), then NewPlugIn with an EffectHostContext
// whose `host` it fills in; NewPlugIn returns 0 and leaves in `engine` the
// engine of that host. Every host has an engine of its own (the same one for
// every call with the same `host`), and the instances of an engine report to
// their own host only, so several hosts can share the loaded module. The
// engine and everything it hands out stay valid until the last WinPlugInClose,
// which destroys every engine and every instance still alive; `host` must stay
// valid while its engine's instances are in use. Any other status from
// NewPlugIn means there is no engine.
//
// Binary interface: abstract classes with virtual functions and standard
// library types. Host program and module must come from the same build
// (compiler and standard library). Nothing here keeps static state; the
// module keeps its own, and the host never reaches it except through these
// objects.
//
// Threads and real time:
// - Render runs on the host's real-time thread: no allocation, no lock, no
//   exception, no I/O. One render thread per instance at a time.
// - Everything else is for the host's main thread. Controls (set, read,
//   described) and chunks (size, get, set) may come while Render of the same
//   instance is running, as a host automates and saves during playback; the
//   stream format, offline passes, windows, creation and destruction never
//   overlap a Render of the same instance.
// - EffectHost's callbacks come on the main thread, from inside the engine
//   call that caused them.

#include "hostlib/HostWindow.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace HostLib
{

using FourCharCode = std::uint32_t;

// The library's convention for four-character codes: the first character in
// the most significant byte, so 'ctaa' is 0x63746161.
inline constexpr bool kFourCharCodesBigEndian = true;

// Results of engine calls: 0 is success, negative values are failures.
using EffectStatus = std::int32_t;
inline constexpr EffectStatus kEffectOK = 0;
inline constexpr EffectStatus kEffectErrUnknownType = -1;
inline constexpr EffectStatus kEffectErrBadIndex = -2;
inline constexpr EffectStatus kEffectErrBadValue = -3;
inline constexpr EffectStatus kEffectErrUnknownChunk = -4;
inline constexpr EffectStatus kEffectErrBadChunk = -5;
inline constexpr EffectStatus kEffectErrChunkTooSmall = -6;
inline constexpr EffectStatus kEffectErrNoView = -7;
inline constexpr EffectStatus kEffectErrWindowOpen = -8;
inline constexpr EffectStatus kEffectErrNotOffline = -9;
inline constexpr EffectStatus kEffectErrFailed = -10;

// Statuses of NewPlugIn besides 0.
inline constexpr std::uint16_t kGroupErrNoMemory = 0xE4A5;
inline constexpr std::uint16_t kGroupErrInitFailed = 0xE4A0;
// The group declared no manufacturer, no product or no process type.
inline constexpr std::uint16_t kGroupErrIncomplete = 0xE4A1;
// The host context is too small for this library (a host from another build).
inline constexpr std::uint16_t kGroupErrBadContext = 0xE4A2;

// The 56-byte header in front of every chunk's data. `size` counts the whole
// chunk, header included. Stored in the byte order of the machine.
struct CEffectChunkHeader
{
    std::int32_t size = 0;
    std::int32_t version = 0;
    FourCharCode manufacturerId = 0;
    FourCharCode productId = 0;
    FourCharCode typeId = 0;
    FourCharCode chunkId = 0;
    char name[32] = {}; // NUL-terminated unless all 32 bytes are used
};
static_assert(sizeof(CEffectChunkHeader) == 56);
inline constexpr std::int32_t kChunkHeaderSize = static_cast<std::int32_t>(sizeof(CEffectChunkHeader));
inline constexpr std::int32_t kChunkVersion = 1;

// Chunk buffers are plain bytes without alignment; these copy the header out
// and in.
inline CEffectChunkHeader ReadChunkHeader(std::span<const char> chunk)
{
    CEffectChunkHeader header;
    if (chunk.size() >= sizeof header)
        std::memcpy(&header, chunk.data(), sizeof header);
    return header;
}
inline void WriteChunkHeader(std::span<char> chunk, const CEffectChunkHeader& header)
{
    if (chunk.size() >= sizeof header)
        std::memcpy(chunk.data(), &header, sizeof header);
}

enum class EffectMessageIcon : std::int32_t
{
    Exclamation,
    Information,
    Error,
};

// A message box the plug-in wants shown. The host decides how; it returns
// once the box is dismissed.
struct EffectMessageBox
{
    std::string caption;
    std::string text;
    EffectMessageIcon icon = EffectMessageIcon::Error;
    bool hasOwnerWindow = false;
    bool systemModal = false;
    bool foreground = false;
    bool topmost = false;
};

// Services of the host program, called by the module (main thread).
class EffectHost
{
public:
    virtual ~EffectHost() = default;
    virtual void ShowMessageBox(const EffectMessageBox& box) = 0;
};

// What NewPlugIn takes. `size` guards against a host built from another
// version of this header.
struct EffectHostContext
{
    std::uint32_t size = sizeof(EffectHostContext);
    class EffectHost* host = nullptr;    // in, may be null (boxes go to standard error)
    class EffectEngine* engine = nullptr; // out
    // in, optional (a host may pass a context that ends before it): the
    // millisecond clock the module's editor timers and displays run on, for a
    // host that runs in its own time (faster than real time, say). Null: the
    // system's clock. Called from every thread, the render thread too, so it
    // must be real-time safe.
    std::uint32_t (*tickCount)() = nullptr;
};
// The size of a context without the optional clock.
inline constexpr std::uint32_t kEffectHostContextMinSize = offsetof(EffectHostContext, tickCount);

struct EffectGroupInfo
{
    std::string manufacturerNames; // alternatives separated by line feeds, longest first
    FourCharCode manufacturerId = 0;
    std::string productNames;
    FourCharCode productId = 0;
    std::vector<std::int32_t> capabilities;
    std::string descriptionText; // the plug-in's own one-line description
};

struct EffectTypeInfo
{
    FourCharCode typeId = 0;
    std::int32_t inputs = 0;
    std::int32_t outputs = 0;
    bool offline = false;
    std::string names;
    std::string pageTables;
    double minSampleRate = 0.0;
    double maxSampleRate = 0.0;
};

enum class EffectControlKind : std::int32_t
{
    Discrete,   // whole values from minimum to maximum
    OnOff,      // 0 or 1
    Continuous, // any value from minimum to maximum
};

struct EffectControlInfo
{
    FourCharCode id = 0;
    std::string names;
    EffectControlKind kind = EffectControlKind::Discrete;
    double minimum = 0.0;
    double maximum = 0.0;
    double defaultValue = 0.0;
    std::int32_t steps = 0;       // number of values of a discrete control; 0 continuous
    std::int32_t displayKind = 0; // how a host display should show it (0: plain)
};

struct EffectChunkInfo
{
    FourCharCode id = 0;
    std::string name;
};

// One inserted instance of a process type.
class EffectInstance
{
public:
    virtual EffectTypeInfo GetType() const = 0;

    // Stream format, before rendering or between renders. Rates outside the
    // type's range and block sizes below 1 are refused (kEffectErrBadValue); a
    // format the instance cannot take on (no memory for it) is refused with
    // kEffectErrFailed and leaves the instance in the format it had.
    virtual EffectStatus SetSampleRate(double rate) = 0;
    virtual double GetSampleRate() const = 0;
    virtual EffectStatus SetBlockSize(std::int32_t frames) = 0;
    virtual std::int32_t GetBlockSize() const = 0;

    // Real-time thread. inputs and outputs hold GetType().inputs and .outputs
    // channel pointers; a null pointer (or a null array) stands for a channel
    // the host does not supply. Any frame count: the library hands the
    // process blocks of at most the block size and counts the sample position.
    virtual void Render(const float* const* inputs, float* const* outputs,
                        std::int32_t frames) noexcept = 0;

    // Offline types only (kEffectErrNotOffline / 0 otherwise): a pass starts
    // with BeginOfflinePass; RenderOffline returns the frames written to the
    // outputs, fewer than given while the pre-roll is consumed.
    virtual EffectStatus BeginOfflinePass(std::int32_t prerollFrames) = 0;
    virtual std::int32_t RenderOffline(const float* const* inputs, float* const* outputs,
                                       std::int32_t frames) = 0;

    // Controls are numbered from 1.
    virtual std::int32_t GetControlCount() const = 0;
    virtual EffectStatus GetControlInfo(std::int32_t index, EffectControlInfo& info) const = 0;
    // 0 when the process has no master bypass.
    virtual std::int32_t GetMasterBypassIndex() const = 0;
    virtual double GetControlValue(std::int32_t index) const = 0;
    // The value is brought into the control's range (and to a whole value for
    // discrete controls) before the plug-in sees it.
    virtual EffectStatus SetControlValue(std::int32_t index, double value) = 0;
    // maxChars -1: no limit.
    virtual std::string GetControlValueText(std::int32_t index, double value,
                                            std::int32_t maxChars) const = 0;

    virtual std::vector<EffectChunkInfo> GetChunks() const = 0;
    // Size of the chunk, header included; negative status on failure
    // (kEffectErrFailed when the plug-in could not write its state: there is
    // no chunk to save then, not an empty one).
    virtual std::int32_t GetChunkSize(FourCharCode chunkId) = 0;
    // The whole chunk, header included, its header filled in.
    virtual EffectStatus GetChunk(FourCharCode chunkId, std::vector<char>& chunk) = 0;
    // chunk: a whole chunk as GetChunk gives it. Refused (kEffectErrBadChunk)
    // when the header's size is below the header or beyond the bytes given.
    virtual EffectStatus SetChunk(FourCharCode chunkId, std::span<const char> chunk) = 0;

    // The plug-in's window inside a host window: parentWindow is the host's
    // HostWindow (HostWindow.h), which must outlive the open window; x, y
    // place the view in it. kEffectErrFailed when the plug-in cannot open its
    // window there (it then leaves nothing in the host window).
    virtual EffectStatus OpenWindow(void* parentWindow, std::int32_t x, std::int32_t y) = 0;
    virtual EffectStatus CloseWindow() = 0;
    virtual bool IsWindowOpen() const = 0;
    // The view's size, also before a window opens, so the host can make its
    // window to fit.
    virtual EffectStatus GetWindowSize(std::int32_t& width, std::int32_t& height) = 0;
    // The host's view events for the open window (kEffectErrNoView without
    // one): draw a part of the view (view coordinates), idle time (the host
    // gives it often; the plug-in's window also keeps its own timer), a press
    // the host forwards (view coordinates). The plug-in's child windows get
    // the pointer and keys from the host window itself.
    virtual EffectStatus DrawWindow(const HostRect& rect) = 0;
    virtual EffectStatus IdleWindow() = 0;
    virtual EffectStatus MouseDownInWindow(std::int32_t x, std::int32_t y) = 0;
    // Shows (on) or stops showing which parts of the window belong to
    // control `index`, in the host's colour code (1, 2 and 3 are its three
    // highlight colours; any other code its default one).
    virtual EffectStatus SetControlHighlight(std::int32_t index, bool on, std::int32_t color) = 0;
    // True while the user holds the control in the plug-in's window (an
    // automation gesture the host would record).
    virtual bool IsControlTouched(std::int32_t index) const = 0;

protected:
    // Instances are destroyed through EffectEngine::DestroyInstance.
    ~EffectInstance() = default;
};

class EffectEngine
{
public:
    virtual EffectGroupInfo GetGroupInfo() const = 0;
    virtual std::vector<EffectTypeInfo> GetTypes() const = 0;
    // Sample rate 44100 and block size 1024 until the host sets them. Null
    // when the type is unknown or the process could not be set up.
    virtual EffectInstance* CreateInstance(FourCharCode typeId) = 0;
    virtual void DestroyInstance(EffectInstance* instance) = 0;

protected:
    // The engine lives until the last WinPlugInClose.
    ~EffectEngine() = default;
};

} // namespace HostLib
