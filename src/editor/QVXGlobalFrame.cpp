#include "editor/QVXGlobalFrame.h"

#include "core/CVLPluginMetaClass.h"
#include "editor/SkinLayout.h"
#include "gui/GraphicControl.h"
#include "gui/PluginUIRoot.h"
#include "platform/Registry.h"
#include "plugin/Quarvix.h"

#include <filesystem>
#include <utility>

namespace
{

constexpr std::int32_t kContainerSubRef = 1;

PixMapButton::Images ImagesOf(const SkinLayout::Element& e, DrawContext* skin)
{
    PixMapButton::Images images;
    images.picture = skin;
    images.source = e.images.source;
    images.offset = e.images.offset;
    images.hasPressed = e.images.hasPressed;
    images.pressedSource = e.images.pressedSource;
    images.pressedOffset = e.images.pressedOffset;
    images.disabledSource = e.images.disabledSource;
    return images;
}

std::string Extension()
{
    return PluginSettingsMessages::kSettingsFileExtension;
}

// "<label> (*.quarvix)" with the pattern "*.quarvix". Appended piece by
// piece: GCC 12 warns falsely about literal + string here.
FileDialogRequest::Filter SettingsFilter(std::string label)
{
    std::string pattern(1, '*');
    pattern.append(Extension());
    label.append(" (").append(pattern).append(")");
    return {std::move(label), std::move(pattern)};
}

const FileDialogRequest::Filter kAllFiles{"All Files (*.*)", "*.*"};

} // namespace

QVXGlobalFrame::QVXGlobalFrame(Frame* parent, std::int32_t x, std::int32_t y, DrawContext* skin,
                               std::uint32_t flags, std::int32_t id)
    : Frame(parent, x, y, SkinLayout::PanelRect(SkinLayout::Panel::Global).Width(),
            SkinLayout::PanelRect(SkinLayout::Panel::Global).Height(), flags, id),
      MessageSubscriber<QVXGlobalFrame>(parent->GetRoot()->GetPluginServices()),
      ControlContainer(parent->GetRoot()->GetPluginServices()), mSkin(skin)
{
    for (const SkinLayout::Element& e : SkinLayout::Elements(SkinLayout::Panel::Global))
    {
        if (!e.IsButton())
            continue;
        auto* button = new ActionButton(this, e.rect.left, e.rect.top, e.rect.Width(),
                                        e.rect.Height(), 0, e.id, ImagesOf(e, skin));
        button->SetAcceptsShiftClick(true);
        AddControl(button, e.id);
    }
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
    const Platform::Registry registry;
    return registry.GetValue(kRecentDirectoriesKey,
                             GetRoot()->GetCore().GetDescription().GetSignature(),
                             kRecentDirectoryMaxBytes);
}

void QVXGlobalFrame::RememberDirectoryOf(const std::string& path)
{
    const auto separator = path.find_last_of('/');
    if (separator == std::string::npos)
        return;
    // A file at the top of the tree lives in "/", not in "".
    const std::string directory = separator == 0 ? std::string("/") : path.substr(0, separator);
    Platform::Registry registry;
    // Forgetting the place is no reason to fail the user's command.
    registry.SetValue(kRecentDirectoriesKey, GetRoot()->GetCore().GetDescription().GetSignature(),
                      directory);
}

FileDialogRequest QVXGlobalFrame::MakeOpenRequest() const
{
    FileDialogRequest request;
    request.save = false;
    request.filters = {SettingsFilter("CVL Settings Files"), kAllFiles};
    request.initialDirectory = GetRecentDirectory().value_or(std::string());
    return request;
}

FileDialogRequest QVXGlobalFrame::MakeSaveRequest() const
{
    FileDialogRequest request;
    request.save = true;
    request.filters = {SettingsFilter("Settings Files"), kAllFiles};
    request.defaultName = GetRoot()->GetCore().GetDescription().GetSignature() + " Settings";
    request.extension = Extension();
    request.initialDirectory = GetRecentDirectory().value_or(std::string());
    return request;
}

void QVXGlobalFrame::LoadSettingsFile()
{
    DrawContext* window = GetRoot()->GetWindowContext();
    std::string path;
    if (!window || !window->RunFileDialog(MakeOpenRequest(), path) || path.empty())
        return;
    RememberDirectoryOf(path);
    // Reports an unreadable or invalid file and then keeps the state as it was.
    GetRoot()->GetCore().ReadSettingsFile(path);
}

void QVXGlobalFrame::SaveSettingsFile()
{
    DrawContext* window = GetRoot()->GetWindowContext();
    std::string path;
    if (!window || !window->RunFileDialog(MakeSaveRequest(), path) || path.empty())
        return;
    // Not every chooser adds the extension to a name typed without one.
    if (std::filesystem::path(path).extension().empty())
        path += Extension();
    RememberDirectoryOf(path);
    // Replaces the file only once the new one is written whole; a failure
    // is reported and leaves the old file as it was.
    GetRoot()->GetCore().WriteSettingsFile(path);
}
