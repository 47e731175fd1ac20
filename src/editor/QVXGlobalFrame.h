#pragma once
// The strip at the bottom of the editor: settings files.
//
// "Load settings" asks the window's dialog service for a settings file
// (".quarvix") and replaces the current state with it; "Save settings" asks
// for a place and writes the current state there. Both dialogs start in the
// directory remembered for this plug-in (the registry's "Recent Directories"
// key, the value named by the plug-in's signature), and a chosen file's
// directory is remembered for next time. A cancelled dialog changes nothing.
// The dialogs and the file reading are shared with the analyzer panel's
// imports (SettingsFileDialog).
//
// The settings themselves are the core's to read and write: a file that
// cannot be read or does not hold valid settings is reported and leaves the
// state as it was; saving replaces the file only once the new one is written
// whole, so a failed save loses nothing. With Shift held the buttons load or
// save the default settings instead, as the settings buttons always have.
//
// The buttons, their places and images come from the skin layout table
// (SkinLayout::Panel::Global); the background is picture 2200 from (0, 0).
//
// Threads: UI thread only; the dialogs and the file and registry I/O run on
// it, so nothing here is real-time safe.

#include "core/MessageSubscriber.h"
#include "editor/SettingsFileDialog.h"
#include "gui/ControlContainer.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"

#include <cstdint>
#include <optional>
#include <string>

class ActionButton;

class QVXGlobalFrame : public Frame,
                       public MessageSubscriber<QVXGlobalFrame>,
                       public ControlContainer
{
public:
    // Control ids in the strip's container (those of the layout table).
    static constexpr std::int32_t kLoadSettings = 0;
    static constexpr std::int32_t kSaveSettings = 1;
    // Where the last settings-file directory is remembered; the value is
    // named by the plug-in's signature. Read up to kRecentDirectoryMaxBytes.
    static constexpr const char* kRecentDirectoriesKey = SettingsFileDialog::kRecentDirectoriesKey;
    static constexpr std::size_t kRecentDirectoryMaxBytes =
        SettingsFileDialog::kRecentDirectoryMaxBytes;

    // At (x, y) in the parent, the strip's size from the layout table.
    // skin: picture 2200, owned by the caller and kept while the frame lives.
    QVXGlobalFrame(Frame* parent, std::int32_t x, std::int32_t y, DrawContext* skin,
                   std::uint32_t flags = 0, std::int32_t id = 0);
    ~QVXGlobalFrame() override;

    void DrawContent(DrawContext& context, const Rect& rect) override;
    void OnControlMessage(std::int32_t id, std::int32_t code, MessageParam a,
                          MessageParam b) override;

    // The commands behind the buttons, without Shift.
    void LoadSettingsFile();
    void SaveSettingsFile();

    // What the dialogs are asked, with the remembered directory.
    FileDialogRequest MakeOpenRequest() const;
    FileDialogRequest MakeSaveRequest() const;
    // The remembered directory, if any.
    std::optional<std::string> GetRecentDirectory() const;

    // The button of a container id; null when the layout has none.
    ActionButton* GetButton(std::int32_t id) const;

private:
    // The strip's own 'ccac' messages: what = the control id, p1 = its value.
    void OnContainerMessage(std::int32_t what);

    DrawContext* mSkin = nullptr; // not owned
    // Whether Shift was held when the button now reporting was pressed.
    bool mShiftAtPress = false;
};
