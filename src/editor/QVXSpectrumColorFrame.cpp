#include "editor/QVXSpectrumColorFrame.h"

#include "gui/ColorFrames.h"
#include "gui/DrawContext.h"
#include "gui/PluginUIRoot.h"
#include "model/QVXSpecConfig.h"
#include "plugin/QVXGeneralSpecService.h"

namespace
{
constexpr std::int32_t kConfigSubRef = 1;
constexpr std::int32_t kPickSubRef = 2;
constexpr std::int32_t kOriginalSubRef = 3;
// Swatch of role r: kSwatchSubRef + r.
constexpr std::int32_t kSwatchSubRef = 100;

// The picker hands over 8 bits a component; the configuration keeps 16, as
// its default colours do (the byte repeated, so the low byte every device
// draws with is the picked one).
CVLCanvas::ColorSpec FromPicked(MessageParam rgb)
{
    const auto component = [rgb](int shift)
    { return static_cast<std::uint16_t>(((rgb >> shift) & 0xff) * 257); };
    return {component(16), component(8), component(0)};
}
} // namespace

QVXSpectrumColorFrame::Layout QVXSpectrumColorFrame::DefaultLayout(Point source)
{
    // Row labels take the first 26 pixels (the third-octave patch relabels
    // one of them), the right and mix columns start at 37 (the mono patch
    // covers them), the side column follows after a gap, then the large
    // swatches, now above and before below, and the picker fills the rest.
    Layout layout;
    layout.swatches = {source.x + 26, source.y + 12};
    layout.sideColumn = {source.x + 66, source.y + 12};
    layout.current = {source.x + 106, source.y + 12, source.x + 126, source.y + 32};
    layout.original = {source.x + 106, source.y + 34, source.x + 126, source.y + 54};
    layout.picker = {source.x + 132, source.y + 6, source.x + 218, source.y + 74};
    layout.pickerHover = {layout.picker.left, layout.picker.top};
    return layout;
}

QVXSpectrumColorFrame::QVXSpectrumColorFrame(Frame* parent, std::int32_t x, std::int32_t y,
                                             std::int32_t width, std::int32_t height,
                                             std::int32_t sourceX, std::int32_t sourceY,
                                             DrawContext* skin, std::int32_t mode,
                                             std::uint32_t flags, std::int32_t id)
    : QVXSpectrumColorFrame(parent, x, y, width, height, sourceX, sourceY, skin, mode,
                            DefaultLayout({sourceX, sourceY}), flags, id)
{
}

QVXSpectrumColorFrame::QVXSpectrumColorFrame(Frame* parent, std::int32_t x, std::int32_t y,
                                             std::int32_t width, std::int32_t height,
                                             std::int32_t sourceX, std::int32_t sourceY,
                                             DrawContext* skin, std::int32_t mode,
                                             const Layout& layout, std::uint32_t flags,
                                             std::int32_t id)
    : PixMapDrawFrame(parent, x, y, width, height, sourceX, sourceY, skin, flags, id),
      MessageSubscriber<QVXSpectrumColorFrame>(&parent->GetRoot()->GetCore()),
      mConfig(FindSpecConfig(&parent->GetRoot()->GetCore())), mMode(mode)
{
    using CVLCanvas::ColorFillFrame;
    SetChildOrigin(-sourceX, -sourceY);

    const auto addSwatch = [this](std::int32_t role, Point at)
    {
        auto* swatch = new ColorFillFrame(this, at.x, at.y, kSwatchSize, kSwatchSize, 0, 0);
        mSwatches[static_cast<std::size_t>(role)] = swatch;
        Subscribe(swatch->GetPublisher(), kSwatchSubRef + role,
                  &QVXSpectrumColorFrame::OnSwatchMessage);
    };
    for (std::size_t i = 0; i < kGridRoles.size(); ++i)
    {
        const auto column = static_cast<std::int32_t>(i) % kGridColumns;
        const auto row = static_cast<std::int32_t>(i) / kGridColumns;
        addSwatch(kGridRoles[i], {layout.swatches.x + column * kSwatchPitch,
                                  layout.swatches.y + row * kSwatchPitch});
    }
    for (std::size_t i = 0; i < kSideRoles.size(); ++i)
        addSwatch(kSideRoles[i],
                  {layout.sideColumn.x,
                   layout.sideColumn.y + static_cast<std::int32_t>(i) * kSwatchPitch});

    const auto addLarge = [this](const Rect& r)
    { return new ColorFillFrame(this, r.left, r.top, r.Width(), r.Height(), 0, 0); };
    mCurrent = addLarge(layout.current);
    mOriginal = addLarge(layout.original);
    Subscribe(mOriginal->GetPublisher(), kOriginalSubRef,
              &QVXSpectrumColorFrame::OnOriginalMessage);
    const Rect& p = layout.picker;
    mPicker = new CVLCanvas::ColorPickerFrame(this, p.left, p.top, p.Width(), p.Height(), 0, 0,
                                              skin, {p.left, p.top}, layout.pickerHover);
    Subscribe(mPicker->GetPickClass(), kPickSubRef, &QVXSpectrumColorFrame::OnPick);

    if (IsMono())
    {
        // The patch hides what a single channel has no use for; swatches
        // under it would paint over it (children draw after their parent).
        const Rect cover{kMonoPatchAt.x, kMonoPatchAt.y, kMonoPatchAt.x + kMonoPatch.Width(),
                         kMonoPatchAt.y + kMonoPatch.Height()};
        for (ColorFillFrame* swatch : mSwatches)
        {
            const Point at = swatch->GetPosition();
            if (cover.Intersects({at.x, at.y, at.x + kSwatchSize, at.y + kSwatchSize}))
                swatch->SetVisible(false, false);
        }
    }

    if (mConfig)
        Subscribe(mConfig->GetMsgClass(QVXSpecConfigMessages::kClass), kConfigSubRef,
                  &QVXSpectrumColorFrame::OnConfigMessage);
    ShowColors(true);
    // The picker always edits some role, so a drag in it is never lost.
    mSwatches[0]->SetSelected(true);
}

QVXSpectrumColorFrame::~QVXSpectrumColorFrame() = default;

bool QVXSpectrumColorFrame::IsMono() const
{
    return GetRoot()->GetCore().GetChannelConfig().inputs < 2;
}

CVLCanvas::ColorFillFrame* QVXSpectrumColorFrame::GetSwatch(std::int32_t role) const
{
    if (role < 0 || role >= kRoleCount)
        return nullptr;
    return mSwatches[static_cast<std::size_t>(role)];
}

void QVXSpectrumColorFrame::ShowColors(bool restart)
{
    if (!mConfig)
        return;
    const QVXSpecConfig::ColorSet& colors = mConfig->GetColorSet(mConfig->GetSpectrumView());
    for (std::int32_t role = 0; role < kRoleCount; ++role)
        mSwatches[static_cast<std::size_t>(role)]->SetColor(colors[static_cast<std::size_t>(role)]);
    mCurrent->SetColor(colors[static_cast<std::size_t>(mSelectedRole)]);
    if (restart)
        mOriginal->SetColor(colors[static_cast<std::size_t>(mSelectedRole)]);
}

void QVXSpectrumColorFrame::SelectRole(std::int32_t role)
{
    if (role < 0 || role >= kRoleCount || role == mSelectedRole)
        return;
    mSwatches[static_cast<std::size_t>(mSelectedRole)]->SetSelected(false);
    mSelectedRole = role;
    mSwatches[static_cast<std::size_t>(role)]->SetSelected(true);
    mCurrent->SetColor(mSwatches[static_cast<std::size_t>(role)]->GetColor());
    mOriginal->SetColor(mCurrent->GetColor());
}

void QVXSpectrumColorFrame::DrawContent(DrawContext& context, const Rect& rect)
{
    PixMapDrawFrame::DrawContent(context, rect);
    DrawContext* skin = GetPixMap();
    if (!skin)
        return;
    if (mMode == QVXSpecConfig::kAna3rdOct)
        context.CopyBits(*skin, kThirdOctavePatch, kThirdOctavePatchAt, false);
    if (IsMono())
        context.CopyBits(*skin, kMonoPatch, kMonoPatchAt, false);
}

void QVXSpectrumColorFrame::OnSwatchMessage(std::int32_t what)
{
    if (what == FrameEvents::kMouseDown)
        SelectRole(GetCurrentSubRef() - kSwatchSubRef);
}

void QVXSpectrumColorFrame::OnPick(std::int32_t what)
{
    if (what != MsgClassDestroyed && mConfig)
        mConfig->SetColor(mConfig->GetSpectrumView(), mSelectedRole, FromPicked(GetCurrentP1()),
                          true);
}

void QVXSpectrumColorFrame::OnOriginalMessage(std::int32_t what)
{
    if (what == FrameEvents::kMouseDown && mConfig)
        mConfig->SetColor(mConfig->GetSpectrumView(), mSelectedRole, mOriginal->GetColor(), true);
}

void QVXSpectrumColorFrame::OnConfigMessage(std::int32_t what)
{
    switch (what)
    {
    case MsgClassDestroyed:
        mConfig = nullptr;
        break;
    case QVXSpecConfigMessages::kColor:
        ShowColors(false);
        break;
    case QVXSpecConfigMessages::kSpectrumView:
        ShowColors(true);
        break;
    default:
        break;
    }
}
