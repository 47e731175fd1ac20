#pragma once
// The spectrogram's colour legend, 278 x 40: on its skin background one strip
// per channel shown, from -100 dB at the left (x = 38) to 0 dB at the right
// (x = 238), half a decibel a pixel column, each column in the colour the
// spectrogram gives that level. Levels below the configured floor show the
// floor's colour, as the spectrogram draws them.
//
// Row 0 (y = 8) is the first channel slot, row 1 (y = 14) the second; which
// rows show follows the channel mode: row 0 for left, both and the mix, row
// 1 for right and both. The colour tables follow the configuration's colour
// map of each channel slot, read from picture 5901.
//
// Threads: UI thread only.

#include "core/MessageSubscriber.h"
#include "editor/QVXColorMaps.h"
#include "gui/Frame.h"

#include <array>
#include <cstdint>

class QVXSpecConfig;

class SpectrumColorLegendFrame : public PixMapDrawFrame,
                                 public MessageSubscriber<SpectrumColorLegendFrame>
{
public:
    static constexpr std::int32_t kWidth = 278;
    static constexpr std::int32_t kHeight = 40;
    static constexpr std::int32_t kRowCount = 2;
    static constexpr std::array<std::int32_t, kRowCount> kRowY{8, 14};
    // Column of 0 dB; column kZeroDbX - i shows -0.5 i dB, i = 0 ... kSteps.
    static constexpr std::int32_t kZeroDbX = 238;
    static constexpr std::int32_t kSteps = 200;
    // Each strip runs from y to y + kStripDepth, both included.
    static constexpr std::int32_t kStripDepth = 4;

    // The background is the skin picture's rectangle of the frame's size at
    // (sourceX, sourceY). The configuration is the one of the root's core.
    SpectrumColorLegendFrame(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t sourceX,
                             std::int32_t sourceY, DrawContext* skin, std::uint32_t flags = 0,
                             std::int32_t id = 0);
    ~SpectrumColorLegendFrame() override;

    void DrawContent(DrawContext& context, const Rect& rect) override;

    // Whether the strip of row 0 or 1 is drawn for the present channel mode.
    bool IsRowShown(std::int32_t row) const;
    // The colour table of a channel slot (0 or 1) as last read.
    const ColorMapTable& GetColorTable(std::int32_t slot) const
    {
        return mColorTables[slot == 0 ? 0 : 1];
    }

private:
    void OnConfigMessage(std::int32_t what);
    void ReadColorTables();

    QVXSpecConfig* mConfig = nullptr; // not owned; null once it is gone
    std::array<ColorMapTable, kRowCount> mColorTables{};
};
