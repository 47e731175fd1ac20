#pragma once
// The analyzer's configuration: which view is shown, the display and analysis
// options of each view, three memory slots per view, the colours, the
// spectrogram colour maps and levels, and the band-level ranges.
//
// Every change goes through a setter, which stores the clamped value and, when
// asked to, sends one message on the class 'main' (codes in
// QVXSpecConfigMessages) so that every display and service can follow.
// Reading an archive, importing a view and changing the view send whole bursts
// of messages, in a fixed order, so that every subscriber refreshes
// everything it shows.
//
// Threads: UI thread only, except GetSpectrumView and GetAnaEnabled, which the
// third-octave service reads on the real-time thread (single atomic words,
// real-time safe). Nothing else here is real-time safe.

#include "base/FourCC.h"
#include "core/MessagePublisher.h"
#include "core/MessageSubscriber.h"
#include "model/CentralController.h"
#include "base/ColorSpec.h"
#include "serialization/Serializable.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

class PluginCore;

namespace QVXSpecConfigMessages
{
inline constexpr std::int32_t kClass = FourCCValue("main");

inline constexpr std::int32_t kAnaEnabled = FourCCValue("1/0 ");
inline constexpr std::int32_t kSpectrumView = FourCCValue("spVw");
inline constexpr std::int32_t kAnalysisChannel = FourCCValue("anCh");
inline constexpr std::int32_t kLevelRange = FourCCValue("lvRg");
inline constexpr std::int32_t kFreqZoom = FourCCValue("frZm");
inline constexpr std::int32_t kPeakHold = FourCCValue("pkon");
inline constexpr std::int32_t kPeakHoldTime = FourCCValue("pkTm");
inline constexpr std::int32_t kPeakDecay = FourCCValue("pkDm");
inline constexpr std::int32_t kInstantaneous = FourCCValue("shpk");
inline constexpr std::int32_t kInstantaneousDecayTime = FourCCValue("pkDy");
inline constexpr std::int32_t kShowAverage = FourCCValue("avSh");
inline constexpr std::int32_t kAveragingTime = FourCCValue("avTm");
inline constexpr std::int32_t kLogScale = FourCCValue("fscl");
inline constexpr std::int32_t kAmpScale = FourCCValue("ampS");
inline constexpr std::int32_t kSpecWeighting = FourCCValue("swgt");
inline constexpr std::int32_t kFftSize = FourCCValue("ffts");
inline constexpr std::int32_t kWinType = FourCCValue("fftw");
inline constexpr std::int32_t kActiveMemory = FourCCValue("amsc");
inline constexpr std::int32_t kMemSlotData = FourCCValue("msdc");     // p1: slot
inline constexpr std::int32_t kMemSlotVisible = FourCCValue("memV");  // p1: slot
inline constexpr std::int32_t kDisplaySwitch = FourCCValue("pvop");   // p1: switch, -1 all
inline constexpr std::int32_t kColor = FourCCValue("colr");           // p1: colour role
inline constexpr std::int32_t kColorMap = FourCCValue("cmap");        // p1: channel
inline constexpr std::int32_t kThirdOctBarView = FourCCValue("3bar");
inline constexpr std::int32_t kSpecGain = FourCCValue("sgGn");
inline constexpr std::int32_t kSpecFloor = FourCCValue("sgFl");
inline constexpr std::int32_t kBandLevelRange = FourCCValue("brng");
inline constexpr std::int32_t kRequestInstantStore = FourCCValue("rqM1");
inline constexpr std::int32_t kRequestAverageStore = FourCCValue("rqM2");
inline constexpr std::int32_t kRequestPeakHoldStore = FourCCValue("rqM3");
} // namespace QVXSpecConfigMessages

class QVXSpecConfig : public MessagePublisher,
                      public MessageSubscriber<QVXSpecConfig>,
                      public Serialization::Serializable
{
public:
    // Views.
    static constexpr std::int32_t kAnaFFT = 0;
    static constexpr std::int32_t kAnaSpectrogram = 1;
    static constexpr std::int32_t kAna3rdOct = 2;
    static constexpr std::int32_t kViewCount = 3;
    // Analysis channels.
    static constexpr std::int32_t kChLeft = 0;
    static constexpr std::int32_t kChRight = 1;
    static constexpr std::int32_t kChBoth = 2;
    static constexpr std::int32_t kChSum = 3;
    // Memory slot data types.
    static constexpr std::int32_t kDtInstant = 0;
    static constexpr std::int32_t kDtAverage = 1;
    static constexpr std::int32_t kDtPeakHold = 2;
    // Colour sets (by view), roles, memory slots, display switches, colour maps.
    static constexpr std::int32_t kColorSetCount = 3;
    static constexpr std::int32_t kColorRoleCount = 22;
    static constexpr std::int32_t kMemSlotCount = 3;
    static constexpr std::int32_t kDisplaySwitchCount = 4;
    static constexpr std::int32_t kColorMapChannelCount = 2;
    static constexpr std::int32_t kColorMapCount = 16;
    static constexpr std::int32_t kDefaultColorMap = 2;
    static constexpr std::int32_t kDefaultFftSize = 2048;

    // The display and analysis options of one view.
    class SpectrumViewOptions : public Serialization::Serializable
    {
    public:
        // The initial options of a view.
        static SpectrumViewOptions ForView(std::int32_t view);

        std::string_view GetTypeName() const override { return "QVXSpecConfig.SpectrumViewOptions"; }
        void Save(Serialization::Archive& archive) override;
        // Reads every key with the current value as the default, and keeps the
        // ranges the setters keep. The values no setter limits (level range,
        // decay rate) take only finite floats; anything else keeps the current value.
        void Load(Serialization::Archive& archive) override;

        std::int32_t mAnalysisChannel = kChSum;
        float mLevelRangeMin = -90.0f;
        float mLevelRangeMax = 0.0f;
        bool mFreqZoom = false;
        float mFreqZoomRangeMin = 200.0f;
        float mFreqZoomRangeMax = 5000.0f;
        float mDecayRateDbPerSec = 120.0f;
        bool mPeakHold = true;
        float mPeakHoldTime = 3.0f;
        float mPeakDecay = 10.0f; // not archived
        bool mInstantaneous = true;
        float mInstantaneousDecayTime = 0.5f;
        bool mShowAverage = true;
        float mAveragingTime = 2.0f;
        std::int32_t mSpecWeighting = 0;
        bool mLogScale = true;
        std::int32_t mFftSize = kDefaultFftSize;
        std::int32_t mWinType = 1;
        std::array<std::int32_t, kDisplaySwitchCount> mDisplaySwitches{1, 1, 1, 1}; // not archived
    };

    // One stored curve.
    class MemSlotData : public Serialization::Serializable
    {
    public:
        std::string_view GetTypeName() const override { return "QVXSpecConfig.MemSlotData"; }
        void Save(Serialization::Archive& archive) override;
        // Missing keys read as the defaults below (the text fields as
        // "unknown"); unknown texts fall back as the From*Name functions say.
        // Window and weighting are not stored and keep their values. Curve
        // values that are not finite floats read as kNoLevelDb.
        void Load(Serialization::Archive& archive) override;

        bool HasData() const noexcept { return !mChannels.empty(); }

        // Text forms: other values are written as "unknown".
        static std::string_view DataTypeName(std::int32_t type) noexcept;
        static std::string_view ViewName(std::int32_t view) noexcept;
        static std::string_view ChannelName(std::int32_t channel) noexcept;
        // Unknown texts read as kDtInstant, kAnaFFT and kChSum.
        static std::int32_t DataTypeFromName(std::string_view name) noexcept;
        static std::int32_t ViewFromName(std::string_view name) noexcept;
        static std::int32_t ChannelFromName(std::string_view name) noexcept;

        // More channels than an instance can have only come from a damaged
        // archive; reading stops there instead of allocating for them.
        static constexpr std::int32_t kMaxChannels = 8;
        // The level of a curve point where nothing was measured (dB).
        static constexpr float kNoLevelDb = -1000.0f;

        bool mVisible = false;
        std::int32_t mType = kDtInstant;
        std::int32_t mBands = 0; // values per channel
        std::int32_t mFs = 0;    // sample rate, Hz
        std::int32_t mWindow = 0;
        std::int32_t mWeighting = 0;
        std::int32_t mView = kAnaFFT;
        std::int32_t mAnalysisChannel = kChSum;
        std::vector<std::vector<float>> mChannels;
    };

    using ColorSet = std::array<CVLCanvas::ColorSpec, kColorRoleCount>;

    // Built for one plug-in core, whose services carry the messages. The
    // default colours are parsed from their constant documents here.
    explicit QVXSpecConfig(PluginCore* core);
    ~QVXSpecConfig() override;

    PluginCore* GetCore() const noexcept { return mCore; }

    // --- names ---
    static std::string_view ViewName(std::int32_t view) noexcept { return MemSlotData::ViewName(view); }
    static std::string_view ColorRoleName(std::int32_t role) noexcept; // "" beyond the roles
    static std::string_view WeightingName(std::int32_t weighting) noexcept;
    static std::string_view WindowName(std::int32_t window) noexcept;
    // The FFT size a request turns into: itself when it is 512, 1024, 2048,
    // 4096 or 8192, else 2048.
    static std::int32_t ValidFftSize(std::int32_t size) noexcept;

    // --- view and enable flag (real-time readable) ---
    std::int32_t GetSpectrumView() const noexcept { return mSpectrumView.load(std::memory_order_relaxed); }
    bool GetAnaEnabled() const noexcept { return mAnaEnabled.load(std::memory_order_relaxed); }
    // Views outside 0 ... 2 are clamped to it. With notify, the view-change burst.
    void SetSpectrumView(std::int32_t view, bool notify = true);

    // --- options of the current view ---
    const SpectrumViewOptions& GetViewOptions(std::int32_t view) const;
    const SpectrumViewOptions& GetCurrentViewOptions() const { return GetViewOptions(GetSpectrumView()); }

    // chLeft on a mono instance, whatever is stored.
    std::int32_t GetAnalysisChannel() const;
    void SetAnalysisChannel(std::int32_t channel, bool notify = true);
    float GetLevelRangeMin() const { return GetCurrentViewOptions().mLevelRangeMin; }
    float GetLevelRangeMax() const { return GetCurrentViewOptions().mLevelRangeMax; }
    bool GetFreqZoom() const { return GetCurrentViewOptions().mFreqZoom; }
    void SetFreqZoom(bool on, bool notify = true);
    std::pair<float, float> GetFreqZoomRange() const;
    // Each end clamped to 10 ... 96000 Hz; stored only when the range is at
    // least 1 Hz wide. Sends 'frZm' either way.
    void SetFreqZoomRange(float minimum, float maximum, bool notify = true);
    float GetDecayRateDbPerSec() const { return GetCurrentViewOptions().mDecayRateDbPerSec; }
    bool GetPeakHold() const { return GetCurrentViewOptions().mPeakHold; }
    void SetPeakHold(bool on, bool notify = true);
    float GetPeakHoldTime() const { return GetCurrentViewOptions().mPeakHoldTime; }
    void SetPeakHoldTime(float seconds, bool notify = true); // -1 ... 10
    float GetPeakDecay() const { return GetCurrentViewOptions().mPeakDecay; }
    void SetPeakDecay(float decay, bool notify = true); // 1 ... 30
    bool GetInstantaneous() const { return GetCurrentViewOptions().mInstantaneous; }
    void SetInstantaneous(bool on, bool notify = true);
    float GetInstantaneousDecayTime() const { return GetCurrentViewOptions().mInstantaneousDecayTime; }
    void SetInstantaneousDecayTime(float seconds, bool notify = true); // 0.01 ... 10
    bool GetShowAverage() const { return GetCurrentViewOptions().mShowAverage; }
    void SetShowAverage(bool on, bool notify = true);
    float GetAveragingTime() const { return GetCurrentViewOptions().mAveragingTime; }
    void SetAveragingTime(float seconds, bool notify = true); // 0.1 ... 20
    bool GetLogScale() const { return GetCurrentViewOptions().mLogScale; }
    void SetLogScale(bool on, bool notify = true);
    std::int32_t GetSpecWeighting() const { return GetCurrentViewOptions().mSpecWeighting; }
    void SetSpecWeighting(std::int32_t weighting, bool notify = true);
    std::int32_t GetFftSize() const { return GetCurrentViewOptions().mFftSize; }
    // Nothing happens for the stored size; other sizes become ValidFftSize.
    void SetFftSize(std::int32_t size, bool notify = true);
    std::int32_t GetWinType() const { return GetCurrentViewOptions().mWinType; }
    void SetWinType(std::int32_t window, bool notify = true);
    // Switch 0 ... 3; other indices are ignored (and read as 0).
    std::int32_t GetDisplaySwitch(std::int32_t index) const;
    void SetDisplaySwitch(std::int32_t index, bool on, bool notify = true);

    // --- per-view values ---
    std::int32_t GetAmpScale() const;
    void SetAmpScale(std::int32_t scale, bool notify = true); // 0 ... 2
    std::pair<std::int32_t, std::int32_t> GetBandLevelRange() const;
    // first = min(first, second), second as given; in the third-octave view
    // both ends are first clamped to the ISO band numbers 13 ... 43. Ranges
    // read from settings are kept the same way.
    void SetBandLevelRange(std::int32_t first, std::int32_t second, bool notify = true);
    std::int32_t GetActiveMemory() const;

    // --- memory slots of the current view (slots 0 ... 2; others ignored,
    // and refused by the getters with AppFrame::BadParameter) ---
    const MemSlotData& GetMemSlotData(std::int32_t slot) const;
    bool GetMemSlotVisible(std::int32_t slot) const { return GetMemSlotData(slot).mVisible; }
    void SetMemSlotVisible(std::int32_t slot, bool visible, bool notify = true);
    // Copies the curve but keeps the slot's visible flag.
    void SetMemSlotData(std::int32_t slot, const MemSlotData& data, bool notify = true);
    void ClearMemSlot(std::int32_t slot, bool notify = true);
    // Ask the plot to store a curve; refused while the view's active memory is -1.
    void RequestInstantStore();
    void RequestAverageStore();
    void RequestPeakHoldStore();
    CentralController& GetInstantSaveLocation() const { return *mInstantSaveLocationController; }
    CentralController& GetPeakHoldSaveLocation() const { return *mPeakHoldSaveLocationController; }
    CentralController& GetAverageSaveLocation() const { return *mAverageSaveLocationController; }

    // --- colours (set 0 FFT, 1 spectrogram, 2 third-octave; roles 0 ... 21;
    // others ignored by the setter, refused by the getters) ---
    const CVLCanvas::ColorSpec& GetColor(std::int32_t set, std::int32_t role) const;
    const ColorSet& GetColorSet(std::int32_t set) const;
    void SetColor(std::int32_t set, std::int32_t role, const CVLCanvas::ColorSpec& color, bool notify = true);
    // The current view's defaults: the colour document of views 0 and 2, the
    // default colour maps of view 1.
    void ResetColors(bool notify = true);
    // Channel 0 or 1; index clamped to 0 ... 15; nothing happens if unchanged.
    std::int32_t GetSpectrogramColorMap(std::int32_t channel) const;
    void SetSpectrogramColorMap(std::int32_t channel, std::int32_t index, bool notify = true);

    // --- global values ---
    std::int32_t GetThirdOctBarView() const noexcept { return mThirdOctBarView; }
    void SetThirdOctBarView(std::int32_t mode, bool notify = true);
    float GetSpecGain() const noexcept { return mSpecGain; }
    void SetSpecGain(float gain, bool notify = true); // 0 ... 40 dB
    float GetSpecFloor() const noexcept { return mSpecFloor; }
    void SetSpecFloor(float floor, bool notify = true); // -100 ... -6 dB

    // --- archive ---
    std::string_view GetTypeName() const override { return "QVXSpecConfig"; }
    void Save(Serialization::Archive& archive) override;
    // Every key and object read with the current value as the default and
    // kept within the range its setter keeps, then the after-read burst.
    void Load(Serialization::Archive& archive) override;
    // Reads the current view's part of a configuration object (the archive's
    // scope is inside it), then the view-import burst.
    void ReadViewSettings(Serialization::Archive& archive);
    // Reads the current view's colours (views 0 and 2) or colour maps (view 1)
    // when the scope holds them, and announces them.
    void ImportColors(Serialization::Archive& archive);

private:
    SpectrumViewOptions& CurrentOptions();
    void Notify(bool notify, std::int32_t what, std::int32_t p1 = 0);
    void SendColorMessages();
    void SendColorMapMessages();
    void SendViewChangeBurst();
    void SendAfterReadBurst();
    void SendViewImportBurst();
    // The part of the after-read and view-import bursts from 'anCh' on.
    void SendViewStateMessages();

    void LoadDefaultColors(std::int32_t set);
    void ReadMemSlots(Serialization::Archive& archive, std::int32_t view);
    void ReadColorSet(Serialization::Archive& archive, std::int32_t set);
    // Fills the colour maps from the sequence element by element.
    void ReadColorMaps(Serialization::Archive& archive);
    void ReadBandLevelRange(Serialization::Archive& archive, std::int32_t view);
    // "mSpecGain" and "mSpecFloor", clamped as their setters clamp.
    void ReadSpectrogramLevels(Serialization::Archive& archive);

    PluginCore* mCore; // not owned
    std::atomic<bool> mAnaEnabled{true};
    std::atomic<std::int32_t> mSpectrumView{kAnaFFT};
    std::array<SpectrumViewOptions, kViewCount> mViewOptions;
    std::array<std::array<MemSlotData, kMemSlotCount>, kViewCount> mMemSlots;
    std::array<std::int32_t, kViewCount> mActiveMemory{};
    std::array<std::int32_t, kColorMapChannelCount> mSpectrogramChannelColorMap{};
    std::array<ColorSet, kColorSetCount> mColorSets{};
    std::int32_t mThirdOctBarView = 0;
    float mSpecGain = 0.0f;
    float mSpecFloor = -100.0f;
    std::array<std::pair<std::int32_t, std::int32_t>, kViewCount> mBandLevelRanges{};
    std::array<std::int32_t, kViewCount> mAmpScale{};
    std::unique_ptr<CentralController> mInstantSaveLocationController;
    std::unique_ptr<CentralController> mPeakHoldSaveLocationController;
    std::unique_ptr<CentralController> mAverageSaveLocationController;
};
