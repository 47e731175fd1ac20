#include "editor/QVXHeaderFrame.h"

#include "editor/QVXValueIncDecFrame.h"
#include "editor/SkinLayout.h"
#include "gui/GraphicControl.h"
#include "gui/PluginUIRoot.h"
#include "plugin/Quarvix.h"

QVXHeaderFrame::QVXHeaderFrame(Frame* parent, std::int32_t x, std::int32_t y, DrawContext* skin,
                               std::uint32_t flags, std::int32_t id)
    : PixMapDrawFrame(parent, x, y, SkinLayout::PanelRect(SkinLayout::Panel::Header).Width(),
                      SkinLayout::PanelRect(SkinLayout::Panel::Header).Height(), 0, 0, skin, flags,
                      id),
      ControlContainer(parent->GetRoot()->GetPluginServices())
{
    AddPanelActionButtons(this, *this, SkinLayout::Panel::Header, skin);
}

QVXHeaderFrame::~QVXHeaderFrame() = default;

ActionButton* QVXHeaderFrame::GetButton(std::int32_t id) const
{
    return dynamic_cast<ActionButton*>(GetControl(id));
}

void QVXHeaderFrame::OnControlValueChanged(std::int32_t id, MessageParam value, MessageParam)
{
    // An action button reports 1 when released over it, then shows 0 again silently.
    if (value != 1)
        return;
    PluginCore& core = GetRoot()->GetCore();
    switch (id)
    {
    case kSaveDefaults:
        core.SaveDefaultSettingsCommand(Quarvix::kDefaultSettingsName);
        break;
    case kLoadDefaults:
        core.LoadDefaultSettingsCommand(Quarvix::kDefaultSettingsName);
        break;
    case kAbout:
        GetRoot()->ShowAboutPage();
        break;
    default:
        break;
    }
}
