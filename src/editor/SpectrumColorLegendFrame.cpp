#include "editor/SpectrumColorLegendFrame.h"

#include "gui/DrawContext.h"
#include "gui/PluginUIRoot.h"
#include "model/QVXSpecConfig.h"
#include "plugin/QVXGeneralSpecService.h"

#include <algorithm>

namespace
{
constexpr std::int32_t kConfigSubRef = 1;
} // namespace

SpectrumColorLegendFrame::SpectrumColorLegendFrame(Frame* parent, std::int32_t x, std::int32_t y,
                                                   std::int32_t sourceX, std::int32_t sourceY,
                                                   DrawContext* skin, std::uint32_t flags,
                                                   std::int32_t id)
    : PixMapDrawFrame(parent, x, y, kWidth, kHeight, sourceX, sourceY, skin, flags, id),
      MessageSubscriber<SpectrumColorLegendFrame>(&parent->GetRoot()->GetCore()),
      mConfig(FindSpecConfig(&parent->GetRoot()->GetCore()))
{
    if (mConfig)
        Subscribe(mConfig->GetMsgClass(QVXSpecConfigMessages::kClass), kConfigSubRef,
                  &SpectrumColorLegendFrame::OnConfigMessage);
    ReadColorTables();
}

SpectrumColorLegendFrame::~SpectrumColorLegendFrame() = default;

void SpectrumColorLegendFrame::ReadColorTables()
{
    for (std::int32_t slot = 0; slot < kRowCount; ++slot)
        mColorTables[static_cast<std::size_t>(slot)] = ColorMapColors(
            mConfig ? mConfig->GetSpectrogramColorMap(slot) : QVXSpecConfig::kDefaultColorMap);
}

bool SpectrumColorLegendFrame::IsRowShown(std::int32_t row) const
{
    if (!mConfig)
        return false;
    // A single image (left, or the mix) gets the upper strip, so the legend
    // keeps one place for it. The mix is drawn with the second slot's table
    // while its strip shows the first slot's; they differ only when the maps
    // were chosen apart with Shift.
    switch (mConfig->GetAnalysisChannel())
    {
    case QVXSpecConfig::kChLeft:
    case QVXSpecConfig::kChSum:
        return row == 0;
    case QVXSpecConfig::kChRight:
        return row == 1;
    case QVXSpecConfig::kChBoth:
        return row == 0 || row == 1;
    default:
        return false;
    }
}

void SpectrumColorLegendFrame::DrawContent(DrawContext& context, const Rect& rect)
{
    PixMapDrawFrame::DrawContent(context, rect);
    if (!mConfig)
        return;
    const float floor = mConfig->GetSpecFloor();
    for (std::int32_t row = 0; row < kRowCount; ++row)
    {
        if (!IsRowShown(row))
            continue;
        const ColorMapTable& table = mColorTables[static_cast<std::size_t>(row)];
        const std::int32_t y = kRowY[static_cast<std::size_t>(row)];
        for (std::int32_t i = 0; i <= kSteps; ++i)
        {
            const float level = std::max(-0.5f * static_cast<float>(i), floor);
            context.SetForeColor(table[static_cast<std::size_t>(ColorIndexOfLevel(level))]);
            context.MoveTo({kZeroDbX - i, y});
            context.LineTo({kZeroDbX - i, y + kStripDepth});
        }
    }
}

void SpectrumColorLegendFrame::OnConfigMessage(std::int32_t what)
{
    switch (what)
    {
    case MsgClassDestroyed:
        mConfig = nullptr;
        break;
    case QVXSpecConfigMessages::kColorMap:
    case QVXSpecConfigMessages::kSpectrumView:
        // A view change may follow a settings read that changed the maps
        // without announcing them (they are announced only in view 1).
        ReadColorTables();
        Draw(nullptr, true);
        break;
    case QVXSpecConfigMessages::kSpecFloor:
    case QVXSpecConfigMessages::kAnalysisChannel:
        Draw(nullptr, true);
        break;
    default:
        break;
    }
}
