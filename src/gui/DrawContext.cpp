#include "gui/DrawContext.h"

#include <algorithm>

DrawContext::~DrawContext() = default;

void DrawContext::AddProtectedRegion(Frame* owner, const Rect& rect, std::int32_t level)
{
    const auto same = [owner](const ProtectedRegion& entry) { return entry.owner == owner; };
    if (std::find_if(mProtected.begin(), mProtected.end(), same) != mProtected.end())
        return;
    // Before the first entry of a higher level: equal levels keep their order.
    const auto higher = std::find_if(mProtected.begin(), mProtected.end(),
                                     [level](const ProtectedRegion& entry) { return entry.level > level; });
    mProtected.insert(higher, {owner, rect, level, false});
    RebuildProtectedArea();
}

void DrawContext::RemoveProtectedRegion(Frame* owner)
{
    const auto before = mProtected.size();
    std::erase_if(mProtected, [owner](const ProtectedRegion& entry) { return entry.owner == owner; });
    if (mProtected.size() != before)
        RebuildProtectedArea();
}

void DrawContext::SuspendProtectedRegion(Frame* owner, bool suspended)
{
    for (ProtectedRegion& entry : mProtected)
    {
        if (entry.owner == owner)
            entry.suspended = suspended;
    }
    RebuildProtectedArea();
}

void DrawContext::ClearProtectedRegions()
{
    mProtected.clear();
    RebuildProtectedArea();
}

void DrawContext::RebuildProtectedArea()
{
    mProtectedArea.reset();
    if (mProtected.empty())
        return;
    auto area = CreateRegion();
    std::unique_ptr<Region> piece = CreateRegion();
    area->SetRect({});
    for (const ProtectedRegion& entry : mProtected)
    {
        // A suspended region lets its owner paint over itself, and over
        // everything protected above it.
        if (entry.suspended)
            break;
        piece->SetRect(entry.rect);
        area->Union(*piece);
    }
    mProtectedArea = std::move(area);
}

void DrawContext::SetClipExcludingProtected(const Rect& rect)
{
    auto clip = CreateRegion();
    clip->SetRect(RectToDevice(rect));
    if (mProtectedArea && !mProtectedArea->IsEmpty())
        clip->Difference(*mProtectedArea);
    SetClipRegion(std::move(clip));
}
