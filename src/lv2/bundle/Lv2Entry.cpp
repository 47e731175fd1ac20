// The two symbols the bundle's binary exports: how an LV2 host finds the
// mono and the stereo plug-in (Lv2Identity::kPlugins) and their editor.

#include "lv2/Lv2Instance.h"
#include "lv2/Lv2Ui.h"

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(std::uint32_t index)
{
    return QuarvixLv2Descriptor(index);
}

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(std::uint32_t index)
{
    return QuarvixLv2UiDescriptor(index);
}
