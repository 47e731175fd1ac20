#include "editor/QVXGlobalFrame.h"

#include "core/CVLPluginMetaClass.h"
#include "editor/QVXValueIncDecFrame.h"
#include "editor/SkinLayout.h"
#include "gui/GraphicControl.h"
#include "gui/PluginUIRoot.h"
#include "plugin/Quarvix.h"

#include <utility>

namespace
{

constexpr std::int32_t kContainerSubRef = 1;

// What the core's reports of the settings buttons are shown with.
constexpr std::int32_t kSeverityError = 2;

} // namespace

QVXGlobalFrame::QVXGlobalFrame(Frame* parent, std::int32_t x, std::int32_t y, DrawContext* skin,
                               std::uint32_t flags, std::int32_t id)
    : Frame(parent, x, y, SkinLayout::PanelRect(SkinLayout::Panel::Global).Width(),
            SkinLayout::PanelRect(SkinLayout::Panel::Global).Height(), flags, id),
      MessageSubscriber<QVXGlobalFrame>(parent->GetRoot()->GetPluginServices()),
      ControlContainer(parent->GetRoot()->GetPluginServices()), mSkin(skin)
{
    AddPanelActionButtons(this, *this, SkinLayout::Panel::Global, skin);
    MessageSubscriber<QVXGlobalFrame>::Subscribe(ControlContainer::GetMsgClass(kMsgClass),
                                                 kContainerSubRef,
                                                 &QVXGlobalFrame::OnContainerMessage);
}

QVXGlobalFrame::~QVXGlobalFrame()
{
    // The container's class goes with the container base, while this
    // object is already half gone: stop listening first.
    MessageSubscriber<QVXGlobalFrame>::Unsubscribe(kContainerSubRef);
}

void QVXGlobalFrame::DrawContent(DrawContext& context, const Rect& rect)
{
    if (!mSkin)
        return;
    const Rect r = rect.Intersect(GetLocalRect());
    if (!r.IsEmpty())
        context.CopyBits(*mSkin, r, {r.left, r.top}, false);
}

ActionButton* QVXGlobalFrame::GetButton(std::int32_t id) const
{
    return dynamic_cast<ActionButton*>(GetControl(id));
}

void QVXGlobalFrame::OnControlMessage(std::int32_t /*id*/, std::int32_t code, MessageParam,
                                      MessageParam)
{
    // A button reports on release; Shift counts as it was at the press.
    if (code != ControlMessages::kTrackingBegan)
        return;
    DrawContext* window = GetRoot()->GetWindowContext();
    mShiftAtPress = window && window->IsShiftDown();
}

void QVXGlobalFrame::OnContainerMessage(std::int32_t what)
{
    if (MessageSubscriber<QVXGlobalFrame>::GetCurrentP1() != 1)
        return;
    const bool shift = std::exchange(mShiftAtPress, false);
    PluginCore& core = GetRoot()->GetCore();
    switch (what)
    {
    case kLoadSettings:
        if (shift)
            core.LoadDefaultSettingsCommand(Quarvix::kDefaultSettingsName);
        else
            LoadSettingsFile();
        break;
    case kSaveSettings:
        if (shift)
            core.SaveDefaultSettingsCommand(Quarvix::kDefaultSettingsName);
        else
            SaveSettingsFile();
        break;
    default:
        break;
    }
}

std::optional<std::string> QVXGlobalFrame::GetRecentDirectory() const
{
    return SettingsFileDialog::GetRecentDirectory(GetRoot()->GetCore());
}

FileDialogRequest QVXGlobalFrame::MakeOpenRequest() const
{
    return SettingsFileDialog::MakeOpenRequest(GetRoot()->GetCore());
}

FileDialogRequest QVXGlobalFrame::MakeSaveRequest() const
{
    return SettingsFileDialog::MakeSaveRequest(GetRoot()->GetCore());
}

void QVXGlobalFrame::LoadSettingsFile()
{
    PluginCore& core = GetRoot()->GetCore();
    std::string text;
    switch (SettingsFileDialog::OpenSettingsFile(*GetRoot(), text))
    {
    case SettingsFileDialog::OpenOutcome::kCancelled:
        break;
    case SettingsFileDialog::OpenOutcome::kUnreadable:
        core.ReportError(PluginSettingsMessages::kUnableToLoad, "", 0, kSeverityError);
        break;
    case SettingsFileDialog::OpenOutcome::kRead:
        // Reports invalid settings and then keeps the state as it was.
        core.ReadSettings(text);
        break;
    }
}

void QVXGlobalFrame::SaveSettingsFile()
{
    const std::optional<std::string> path =
        SettingsFileDialog::ChooseSettingsFileToSave(*GetRoot());
    if (!path)
        return;
    // Replaces the file only once the new one is written whole; a failure
    // is reported and leaves the old file as it was.
    GetRoot()->GetCore().WriteSettingsFile(*path);
}
