#pragma once
// Every value the analyzer configuration keeps in its settings: a setter of
// each away from its default, a snapshot of them all, and the messages a
// configuration sends when settings are read into it.

#include "model/QVXSpecConfig.h"
#include "support/MessageLog.h"

#include <tuple>
#include <utility>
#include <vector>

namespace SpecConfigState
{

// Everything the configuration stores in an archive.
struct ArchivedState
{
    bool anaEnabled;
    int view;
    std::vector<std::tuple<int, float, float, bool, float, float, float, bool, float, bool, float, bool, float, int,
                           bool, int, int>>
        options;
    std::vector<std::tuple<bool, int, int, int, int, int, std::vector<std::vector<float>>>> slots;
    std::vector<int> activeMemory;
    std::vector<int> colorMaps;
    std::vector<CVLCanvas::ColorSpec> colors;
    int barView;
    float gain, floor;
    std::vector<std::pair<int, int>> bandRanges;
    std::vector<int> saveLocations;
    friend bool operator==(const ArchivedState&, const ArchivedState&) = default;
};

inline ArchivedState StateOf(QVXSpecConfig& config)
{
    ArchivedState state{};
    const int current = config.GetSpectrumView();
    state.anaEnabled = config.GetAnaEnabled();
    state.view = current;
    for (int view = 0; view < 3; ++view)
    {
        const auto& o = config.GetViewOptions(view);
        state.options.emplace_back(o.mAnalysisChannel, o.mLevelRangeMin, o.mLevelRangeMax, o.mFreqZoom,
                                   o.mFreqZoomRangeMin, o.mFreqZoomRangeMax, o.mDecayRateDbPerSec, o.mPeakHold,
                                   o.mPeakHoldTime, o.mInstantaneous, o.mInstantaneousDecayTime, o.mShowAverage,
                                   o.mAveragingTime, o.mSpecWeighting, o.mLogScale, o.mFftSize, o.mWinType);
        config.SetSpectrumView(view, false);
        state.bandRanges.push_back(config.GetBandLevelRange());
        if (view == 1)
            continue;
        state.activeMemory.push_back(config.GetActiveMemory());
        for (int slot = 0; slot < 3; ++slot)
        {
            const auto& s = config.GetMemSlotData(slot);
            state.slots.emplace_back(s.mVisible, s.mType, s.mBands, s.mFs, s.mView, s.mAnalysisChannel, s.mChannels);
        }
        for (const auto& color : config.GetColorSet(view))
            state.colors.push_back(color);
    }
    config.SetSpectrumView(current, false);
    state.colorMaps = {config.GetSpectrogramColorMap(0), config.GetSpectrogramColorMap(1)};
    state.barView = config.GetThirdOctBarView();
    state.gain = config.GetSpecGain();
    state.floor = config.GetSpecFloor();
    state.saveLocations = {config.GetInstantSaveLocation().GetValue(), config.GetPeakHoldSaveLocation().GetValue(),
                           config.GetAverageSaveLocation().GetValue()};
    return state;
}

// Sets every archived value of the configuration away from its default.
inline void SetEverything(QVXSpecConfig& config)
{
    for (int view = 0; view < 3; ++view)
    {
        config.SetSpectrumView(view, false);
        config.SetAnalysisChannel(view, false);
        config.SetFreqZoom(true, false);
        config.SetFreqZoomRange(123.25f + view, 4321.5f, false);
        config.SetPeakHold(view == 1, false);
        config.SetPeakHoldTime(-0.75f, false);
        config.SetInstantaneous(false, false);
        config.SetInstantaneousDecayTime(0.37f, false);
        config.SetShowAverage(view != 0, false);
        config.SetAveragingTime(7.3f, false);
        config.SetSpecWeighting(view + 1, false);
        config.SetLogScale(false, false);
        config.SetFftSize(view == 2 ? 8192 : 512, false);
        config.SetWinType(3 - view, false);
        config.SetBandLevelRange(5 + view, 30 + view, false);
        for (int slot = 0; slot < 3; ++slot)
        {
            QVXSpecConfig::MemSlotData data;
            data.mType = (slot + 1) % 3;
            data.mBands = 4 + slot;
            data.mFs = 44100 + slot;
            data.mView = view;
            data.mAnalysisChannel = slot;
            data.mChannels.assign(static_cast<std::size_t>(slot + 1), {-12.345678f, 0.1f, -1000.0f, 3.3e-3f});
            config.SetMemSlotData(slot, data, false);
            config.SetMemSlotVisible(slot, slot != 1, false);
        }
        for (int role = 0; role < 22; ++role)
            config.SetColor(view, role,
                            {static_cast<std::uint16_t>(1000 * view + role), static_cast<std::uint16_t>(65535 - role),
                             static_cast<std::uint16_t>(role * 3)},
                            false);
    }
    config.SetSpectrogramColorMap(0, 7, false);
    config.SetSpectrogramColorMap(1, 15, false);
    config.SetThirdOctBarView(2, false);
    config.SetSpecGain(17.125f, false);
    config.SetSpecFloor(-55.5f, false);
    config.GetInstantSaveLocation().SetValue(2);
    config.GetPeakHoldSaveLocation().SetValue(1);
    config.GetAverageSaveLocation().SetValue(2);
    config.SetSpectrumView(2, false);
}

inline std::vector<LoggedMessage> ViewStateBurst(bool spectrogram)
{
    std::vector<LoggedMessage> burst{M("anCh"), M("lvRg"), M("frZm"), M("pkon"), M("pkTm"),
                                     M("shpk"), M("pkDy"), M("avSh"), M("avTm")};
    for (int role = 0; role < 22; ++role)
        burst.push_back(M("colr", role));
    if (spectrogram)
    {
        burst.push_back(M("cmap", 0));
        burst.push_back(M("cmap", 1));
    }
    for (const auto& m : {M("fscl"), M("ampS"), M("swgt"), M("ffts"), M("fftw"), M("amsc"), M("msdc", 0),
                          M("msdc", 1), M("msdc", 2), M("3bar"), M("sgGn"), M("sgFl"), M("brng")})
        burst.push_back(m);
    return burst;
}

inline std::vector<LoggedMessage> AfterReadBurst(bool spectrogram)
{
    std::vector<LoggedMessage> burst{M("1/0 "), M("spVw")};
    for (const auto& m : ViewStateBurst(spectrogram))
        burst.push_back(m);
    return burst;
}

} // namespace SpecConfigState
