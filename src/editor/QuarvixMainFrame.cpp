#include "editor/QuarvixMainFrame.h"

#include "editor/QVXAboutFrame.h"
#include "editor/QVXGlobalFrame.h"
#include "editor/QVXHeaderFrame.h"
#include "editor/QuarvixSpecFrame.h"
#include "editor/SkinLayout.h"
#include "gui/OGWorld.h"
#include "gui/PluginUIRoot.h"
#include "plugin/Quarvix.h"
#include "skin/SkinPictures.h"

namespace
{
using SkinLayout::Panel;

SkinLayout::Size SizeFor(const PluginCore& core)
{
    return SkinLayout::EditorSize(core.GetChannelConfig().inputs > 1);
}
} // namespace

QuarvixMainFrame::QuarvixMainFrame(Frame* parent, std::uint32_t flags, std::int32_t id)
    : PixMapDrawFrame(parent, 0, 0, SizeFor(parent->GetRoot()->GetCore()).width,
                      SizeFor(parent->GetRoot()->GetCore()).height, 0, 0, nullptr, flags, id),
      TimerClient<QuarvixMainFrame>(&parent->GetRoot()->GetCore(), this)
{
    for (std::size_t i = 0; i < mPictures.size(); ++i)
        mPictures[i] = Skin::MakeWorld(SkinLayout::PictureOf(SkinLayout::kPanels[i]));
    DrawContext* header = mPictures[0].get();
    DrawContext* analyzer = mPictures[1].get();
    DrawContext* global = mPictures[2].get();
    // The page's own background is the header's: the panels cover the rest.
    SetPixMap(header, 0, 0, false);

    const Rect h = SkinLayout::PanelRect(Panel::Header);
    const Rect a = SkinLayout::PanelRect(Panel::Analyzer);
    const Rect g = SkinLayout::PanelRect(Panel::Global);
    mHeader = new QVXHeaderFrame(this, h.left, h.top, header);
    mAnalyzer = new QuarvixSpecFrame(this, a.left, a.top, analyzer, header);
    mGlobal = new QVXGlobalFrame(this, g.left, g.top, global);
}

QuarvixMainFrame::~QuarvixMainFrame()
{
    // The panels go first, while the pictures they draw from still exist;
    // each child takes itself out of the list as it goes.
    while (!GetChildren().empty())
        delete GetChildren().back();
}

namespace
{
Frame* CreateEditor(Quarvix& /*plugin*/, PluginUIRoot& root)
{
    return new QuarvixMainFrame(root.GetMasterFrame());
}

Frame* CreateAbout(Quarvix& /*plugin*/, PluginUIRoot& root, Frame* parent)
{
    return CreateQVXAboutFrame(root, parent);
}

void EditorSize(const Quarvix& plugin, std::int32_t& width, std::int32_t& height)
{
    const SkinLayout::Size size = SizeFor(plugin);
    width = size.width;
    height = size.height;
}

constexpr Quarvix::EditorFactory kFactory{&CreateEditor, &CreateAbout, &EditorSize};
} // namespace

void InstallQuarvixEditor() noexcept
{
    Quarvix::InstallEditorFactory(&kFactory);
}
