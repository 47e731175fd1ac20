#pragma once
// The strip at the top of the editor: the product's name (in the skin), the
// default-settings commands and the way to the about page.
//
// "Save as default" stores the current state as this product's default
// settings and says whether that worked; "Load default" replaces the state
// with them and speaks only when there are none or they do not load. Both
// take a Shift-click as a plain click: elsewhere Shift on a load or save
// button means the default settings, and here they are the defaults already.
// The reports go through the core's ReportError, so they appear inside the
// editor.
//
// The buttons, their places and images come from the skin layout table
// (SkinLayout::Panel::Header); the background is picture 1000 from (0, 0).
//
// Threads: UI thread only.

#include "gui/ControlContainer.h"
#include "gui/Frame.h"

#include <cstdint>

class ActionButton;

class QVXHeaderFrame : public PixMapDrawFrame, public ControlContainer
{
public:
    // Control ids in the header's container (those of the layout table).
    static constexpr std::int32_t kSaveDefaults = 0;
    static constexpr std::int32_t kLoadDefaults = 1;
    static constexpr std::int32_t kAbout = 2;

    // At (x, y) in the parent, the header's size from the layout table.
    // skin: picture 1000, owned by the caller and kept while the frame lives.
    QVXHeaderFrame(Frame* parent, std::int32_t x, std::int32_t y, DrawContext* skin,
                   std::uint32_t flags = 0, std::int32_t id = 0);
    ~QVXHeaderFrame() override;

    void OnControlValueChanged(std::int32_t id, MessageParam value, MessageParam) override;

    // The button of a container id; null when the layout has none.
    ActionButton* GetButton(std::int32_t id) const;
};
