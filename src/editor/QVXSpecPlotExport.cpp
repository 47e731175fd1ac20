// The plot's analysis data as tab-separated text: what the export command
// writes to a file.
//
// The document: a header naming the plug-in and the view; for the FFT view the
// real-time curves bin by bin and every visible FFT memory slot; for the
// third-octave view the band values band by band and every visible
// third-octave memory slot; for the spectrogram the header alone. Lines end
// with a line feed alone, columns are separated by one tab, levels have one
// decimal and counts none. Numbers are written through FormattedNumber, so a
// host that set a locale of its own for the process (a decimal comma, digit
// groups) still gets the "C" forms that spreadsheets and scripts read.
//
// Which data a column takes follows the channel mode: left takes channel 0,
// right channel 1, both channel 0 then channel 1; the mix is channel 1 of the
// FFT curves (they carry it in the second slot) and channel 0 of the
// third-octave bands (the filter bank analyses it on its first channel). The
// column names of a memory section follow the current channel mode while its
// values follow the mode the slot was stored in, so the two can differ in
// count; the text says what the analyzer shows and the data holds.

#include "editor/QVXSpecPlotFrame.h"

#include "analysis/ThirdOctaveBands.h"
#include "core/CVLPluginMetaClass.h"
#include "core/PluginCore.h"
#include "serialization/NumberText.h"

#include <algorithm>
#include <ostream>
#include <string_view>
#include <vector>

namespace
{
using Serialization::FormattedNumber;
using Config = QVXSpecConfig;

constexpr std::string_view kSeparator = "-----------------------------------------------------------";
static_assert(kSeparator.size() == 59);
constexpr std::int32_t kFirstIsoBand = ThirdOctaveBands::kFirstBand;
// A value the data does not hold (a damaged slot, a view without bands) is
// written as the level that means nothing was measured.
constexpr float kMissing = Config::MemSlotData::kNoLevelDb;

// Column names of one curve by channel.
struct ColumnNames
{
    std::string_view left, right, mix;
};

// The curves of a real-time section, in column order.
struct CurveKind
{
    std::int32_t type; // Config::kDtInstant, kDtPeakHold, kDtAverage
    ColumnNames names;
};
constexpr CurveKind kCurves[] = {
    {Config::kDtInstant, {"L Peak (dB)", "R Peak (dB)", "LR Mix Peak (dB)"}},
    {Config::kDtPeakHold, {"L Peak Hold (dB)", "R Peak Hold (dB)", "LR Mix Peak Hold (dB)"}},
    {Config::kDtAverage, {"L Average (dB)", "R Average (dB)", "LR Mix Average (dB)"}},
};
constexpr ColumnNames kMemoryNames{"L (dB)", "R (dB)", "LR Mix (dB)"};

std::ostream& Line(std::ostream& out, std::string_view text)
{
    return out.write(text.data(), static_cast<std::streamsize>(text.size())).put('\n');
}

std::ostream& Level(std::ostream& out, float level)
{
    return out << '\t' << FormattedNumber::Fixed(level, 1);
}

// The channels a column group takes, in column order.
std::vector<std::int32_t> ChannelsTaken(std::int32_t mode, std::int32_t view)
{
    switch (mode)
    {
    case Config::kChLeft:
        return {0};
    case Config::kChRight:
        return {1};
    case Config::kChBoth:
        return {0, 1};
    default:
        return {view == Config::kAna3rdOct ? 0 : 1};
    }
}

// A tab and a name for each channel a mode takes.
void WriteColumnNames(std::ostream& out, std::int32_t mode, const ColumnNames& names)
{
    switch (mode)
    {
    case Config::kChLeft:
        out << '\t' << names.left;
        break;
    case Config::kChRight:
        out << '\t' << names.right;
        break;
    case Config::kChBoth:
        out << '\t' << names.left << '\t' << names.right;
        break;
    default:
        out << '\t' << names.mix;
        break;
    }
}

std::string_view DataTypeLabel(std::int32_t type)
{
    switch (type)
    {
    case Config::kDtInstant:
        return "Peak";
    case Config::kDtAverage:
        return "Average";
    case Config::kDtPeakHold:
        return "Peak Hold";
    default:
        return "";
    }
}

bool IsShown(const Config& config, std::int32_t type)
{
    switch (type)
    {
    case Config::kDtPeakHold:
        return config.GetPeakHold();
    case Config::kDtAverage:
        return config.GetShowAverage();
    default:
        return config.GetInstantaneous();
    }
}

const std::vector<float>& CurveOf(const QVXSpecPlotCurves& curves, std::int32_t type)
{
    switch (type)
    {
    case Config::kDtPeakHold:
        return curves.GetPeakHold();
    case Config::kDtAverage:
        return curves.GetAverage();
    default:
        return curves.GetLive();
    }
}

float At(const std::vector<float>& values, std::int64_t i)
{
    return i >= 0 && static_cast<std::size_t>(i) < values.size() ? values[static_cast<std::size_t>(i)]
                                                                  : kMissing;
}

// Frequency i / n x fs, cut to whole hertz.
std::int64_t BinFrequency(std::int64_t i, std::int64_t n, double sampleRate)
{
    return static_cast<std::int64_t>(static_cast<double>(i) / static_cast<double>(n) * sampleRate);
}

bool HoldsData(const Config::MemSlotData& slot)
{
    return std::any_of(slot.mChannels.begin(), slot.mChannels.end(),
                       [](const std::vector<float>& channel) { return !channel.empty(); });
}

// The rows of a slot: as many as its bands say, but never beyond the values
// it holds, so a damaged settings file cannot make the text endless.
std::int64_t SlotRows(const Config::MemSlotData& slot, std::int64_t rows)
{
    std::size_t held = 0;
    for (const std::vector<float>& channel : slot.mChannels)
        held = std::max(held, channel.size());
    return std::clamp<std::int64_t>(rows, 0, static_cast<std::int64_t>(held));
}

// The section lines a memory slot opens with, up to its column header.
void MemoryHeader(std::ostream& out, std::int32_t index, const Config::MemSlotData& slot)
{
    Line(out, kSeparator);
    out << "memory " << FormattedNumber::Integer(index + 1) << '\n';
    out << "data type: " << DataTypeLabel(slot.mType) << '\n';
    out << "Fs: " << FormattedNumber::Integer(slot.mFs) << '\n';
    out << "Bands: " << FormattedNumber::Integer(slot.mBands) << '\n';
    out << "Weighting: " << Config::WeightingName(slot.mWeighting) << '\n';
    Line(out, kSeparator);
}

// The values of a slot's row i in the given channels.
void MemoryValues(std::ostream& out, const Config::MemSlotData& slot,
                  const std::vector<std::int32_t>& channels, std::int64_t i)
{
    for (const std::int32_t channel : channels)
    {
        const auto c = static_cast<std::size_t>(channel);
        Level(out, c < slot.mChannels.size() ? At(slot.mChannels[c], i) : kMissing);
    }
}
} // namespace

void QVXSpecPlotFrame::ExportText(std::ostream& out) const
{
    const std::int32_t view = GetView();
    const CVLPluginMetaClass& description = mCore->GetDescription();

    Line(out, kSeparator);
    out << description.GetName() << ' ' << description.GetVersion() << ", "
        << description.GetNotice() << '\n';
    if (view == QVXSpecConfig::kAnaFFT)
        Line(out, "FFT Analysis Data Export");
    else if (view == QVXSpecConfig::kAna3rdOct)
        Line(out, "Third Octave Analysis Data Export");
    Line(out, kSeparator);
    out << '\n';

    if (!mConfig || (view != QVXSpecConfig::kAnaFFT && view != QVXSpecConfig::kAna3rdOct))
        return;
    const QVXSpecConfig& config = *mConfig;
    const std::int32_t mode = config.GetAnalysisChannel();
    const std::vector<std::int32_t> taken = ChannelsTaken(mode, view);
    const double sampleRate = GetSampleRate();
    const bool fft = view == QVXSpecConfig::kAnaFFT;

    std::vector<std::int32_t> shown;
    for (const CurveKind& curve : kCurves)
    {
        if (IsShown(config, curve.type))
            shown.push_back(curve.type);
    }

    // The real-time section.
    Line(out, kSeparator);
    Line(out, "real time data");
    out << "Fs: " << FormattedNumber::Fixed(sampleRate, 1) << '\n';
    if (fft)
    {
        out << "FFT Size: " << FormattedNumber::Integer(config.GetFftSize()) << '\n';
        out << "FFT Window: " << QVXSpecConfig::WindowName(config.GetWinType()) << '\n';
    }
    out << "Weighting: " << QVXSpecConfig::WeightingName(config.GetSpecWeighting()) << '\n';
    Line(out, kSeparator);
    out << (fft ? "Freq (Hz)" : "ISO Band\tISO Freq (Hz)");
    for (const CurveKind& curve : kCurves)
    {
        if (IsShown(config, curve.type))
            WriteColumnNames(out, mode, curve.names);
    }
    out << '\n';

    if (fft)
    {
        const std::int64_t size = config.GetFftSize();
        for (std::int64_t i = 0; i < size / 2; ++i)
        {
            out << FormattedNumber::Integer(BinFrequency(i, size, sampleRate));
            for (const std::int32_t type : shown)
            {
                for (const std::int32_t channel : taken)
                    Level(out, At(CurveOf(GetCurves(channel), type), i));
            }
            out << '\n';
        }
    }
    else
    {
        const Quarvix3rdOctAnalysisService* service = GetLinked3rdOctService();
        const std::int32_t bands = service ? service->GetBandCount() : 0;
        for (std::int32_t b = 0; b < bands; ++b)
        {
            out << FormattedNumber::Integer(b + kFirstIsoBand) << '\t'
                << Quarvix3rdOctAnalysisService::GetBandLabel(b + kFirstIsoBand);
            for (const std::int32_t type : shown)
            {
                for (const std::int32_t channel : taken)
                    Level(out, mThirdOctaveView->GetBandLevel(channel, b, type).value_or(kMissing));
            }
            out << '\n';
        }
    }
    out << '\n';

    // The memory sections: the view's visible slots that hold a curve of it.
    for (std::int32_t index = 0; index < QVXSpecConfig::kMemSlotCount; ++index)
    {
        const QVXSpecConfig::MemSlotData& slot = config.GetMemSlotData(index);
        if (slot.mView != view || !slot.mVisible || !HoldsData(slot))
            continue;
        MemoryHeader(out, index, slot);
        const std::vector<std::int32_t> channels = ChannelsTaken(slot.mAnalysisChannel, view);
        out << (fft ? "Freq (Hz)" : "ISO Band\tISO Freq (Hz)");
        WriteColumnNames(out, mode, kMemoryNames);
        out << '\n';
        if (fft)
        {
            const std::int64_t rows = SlotRows(slot, slot.mBands / 2);
            for (std::int64_t i = 0; i < rows; ++i)
            {
                // The current rate, not the slot's: the rows line up with the
                // real-time section's.
                out << FormattedNumber::Integer(BinFrequency(i, slot.mBands, sampleRate));
                MemoryValues(out, slot, channels, i);
                out << '\n';
            }
        }
        else
        {
            const std::int64_t rows = SlotRows(slot, slot.mBands);
            for (std::int64_t k = 0; k < rows; ++k)
            {
                const auto band = static_cast<std::int32_t>(k) + kFirstIsoBand;
                out << FormattedNumber::Integer(band) << '\t'
                    << Quarvix3rdOctAnalysisService::GetBandLabel(band);
                MemoryValues(out, slot, channels, k);
                out << '\n';
            }
        }
        out << '\n';
    }
}
