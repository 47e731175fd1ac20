#include "editor/QVXAboutFrame.h"

#include "base/ColorSpec.h"
#include "core/CVLPluginMetaClass.h"
#include "gui/DrawContext.h"
#include "gui/PixelBuffer.h"
#include "gui/PluginUIRoot.h"

#include <algorithm>
#include <array>
#include <sstream>

namespace
{

// The editor's palette (SKIN.md).
constexpr CVLCanvas::ColorSpec kWindow = FromPixel(0x16181b);
constexpr CVLCanvas::ColorSpec kPanel = FromPixel(0x24282d);
constexpr CVLCanvas::ColorSpec kBorder = FromPixel(0x3a3f47);
constexpr CVLCanvas::ColorSpec kLabelText = FromPixel(0xc9ced6);
constexpr CVLCanvas::ColorSpec kDimText = FromPixel(0x7f8791);
constexpr CVLCanvas::ColorSpec kAccent = FromPixel(0xe8a33d);

constexpr std::int32_t kLabelFace = 0;   // 8 pt
constexpr std::int32_t kCaptionFace = 1; // 7 pt

constexpr std::int32_t kPanelWidth = 520;
constexpr std::int32_t kPanelHeight = 216;
constexpr std::int32_t kMargin = 16;
constexpr std::int32_t kLicenceColumn = 152;
constexpr std::int32_t kRowPitch = 16;
constexpr std::int32_t kNoticePitch = 12;

// What CMake links into the module (src/gui: FreeType, pixman, libpng) and
// embeds in it (src/resources: the text font). Keep it in step with them.
constexpr std::array<QVXAboutFrame::Credit, 4> kCredits{{
    {"FreeType", "FreeType License (FTL); dual-licensed FTL / GPLv2",
     "Portions of this software are copyright (c) The FreeType Project (www.freetype.org). "
     "All rights reserved."},
    {"pixman", "MIT licence", {}},
    {"libpng", "libpng licence (PNG Reference Library License)", {}},
    {"Liberation Sans font", "SIL Open Font License 1.1", {}},
}};

void Text(DrawContext& context, Point baseline, std::string_view text, std::int32_t face,
          const CVLCanvas::ColorSpec& color)
{
    context.SetTextFace(face, color);
    context.MoveTo(baseline);
    context.DrawString(text);
}

// The words of text in lines no wider than width (a longer word keeps a line of its own).
std::vector<std::string> Wrap(DrawContext& context, std::string_view text, std::int32_t width)
{
    std::vector<std::string> lines;
    std::istringstream words{std::string(text)};
    std::string word;
    std::string line;
    while (words >> word)
    {
        const std::string longer = line.empty() ? word : line + " " + word;
        if (!line.empty() && context.TextWidth(longer) > width)
        {
            lines.push_back(line);
            line = word;
        }
        else
        {
            line = longer;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

} // namespace

std::span<const QVXAboutFrame::Credit> QVXAboutFrame::Credits()
{
    return kCredits;
}

QVXAboutFrame::QVXAboutFrame(Frame* parent, Frame* returnPage, std::uint32_t flags, std::int32_t id)
    : Frame(parent, 0, 0, parent->GetWidth(), parent->GetHeight(), flags, id),
      mReturnPage(returnPage)
{
}

std::vector<std::string> QVXAboutFrame::GetProductLines() const
{
    const CVLPluginMetaClass& description = GetRoot()->GetCore().GetDescription();
    return {description.GetName(), "Version " + description.GetVersion(), description.GetNotice()};
}

Rect QVXAboutFrame::GetPanelRect() const
{
    const std::int32_t left = std::max((GetWidth() - kPanelWidth) / 2, 0);
    const std::int32_t top = std::max((GetHeight() - kPanelHeight) / 2, 0);
    return {left, top, left + kPanelWidth, top + kPanelHeight};
}

void QVXAboutFrame::DrawContent(DrawContext& context, const Rect& /*rect*/)
{
    context.SetForeColor(kWindow);
    context.PaintRect(GetLocalRect());
    const Rect panel = GetPanelRect();
    context.SetForeColor(kPanel);
    context.PaintRect(panel);
    context.SetForeColor(kBorder);
    context.FrameRect(panel);

    const std::int32_t x = panel.left + kMargin;
    const std::vector<std::string> product = GetProductLines();
    // The one touch of the accent: a bar beside the product's name.
    context.SetForeColor(kAccent);
    context.PaintRect({panel.left + 6, panel.top + 14, panel.left + 9, panel.top + 24});
    Text(context, {x, panel.top + 24}, product[0], kLabelFace, kLabelText);
    Text(context, {x, panel.top + 40}, product[1], kCaptionFace, kDimText);
    Text(context, {x, panel.top + 53}, product[2], kCaptionFace, kDimText);

    context.SetForeColor(kBorder);
    context.PaintRect({x, panel.top + 64, panel.right - kMargin, panel.top + 65});
    Text(context, {x, panel.top + 80}, "BUILT WITH", kCaptionFace, kDimText);

    std::int32_t baseline = panel.top + 98;
    const std::int32_t column = panel.left + kLicenceColumn;
    for (const Credit& credit : kCredits)
    {
        Text(context, {x, baseline}, credit.name, kLabelFace, kLabelText);
        Text(context, {column, baseline}, credit.licence, kCaptionFace, kDimText);
        if (!credit.notice.empty())
        {
            context.SetTextFace(kCaptionFace, kDimText);
            for (const std::string& line :
                 Wrap(context, credit.notice, panel.right - kMargin - column))
            {
                baseline += kNoticePitch;
                Text(context, {column, baseline}, line, kCaptionFace, kDimText);
            }
        }
        baseline += kRowPitch;
    }

    constexpr std::string_view kLeave = "Click anywhere to return.";
    context.SetTextFace(kCaptionFace, kDimText);
    const std::int32_t width = context.TextWidth(kLeave);
    Text(context, {panel.left + (panel.Width() - width) / 2, panel.bottom - 12}, kLeave,
         kCaptionFace, kDimText);
}

void QVXAboutFrame::OnMouseEvent(std::int32_t type, std::int32_t /*x*/, std::int32_t /*y*/)
{
    if (type != FrameEvents::kMouseDown)
        return;
    // The page it came from may have gone since (a new editor page); then
    // the about page only steps aside.
    Frame* master = GetRoot()->GetMasterFrame();
    const auto& pages = master ? master->GetChildren() : std::vector<Frame*>{};
    const bool returnPageAlive =
        mReturnPage && std::find(pages.begin(), pages.end(), mReturnPage) != pages.end();
    if (returnPageAlive)
    {
        GetRoot()->ShowPage(mReturnPage);
        return;
    }
    SetVisible(false, false);
    GetRoot()->ShowPage(nullptr);
}

Frame* CreateQVXAboutFrame(PluginUIRoot& root, Frame* parent)
{
    Frame* master = root.GetMasterFrame();
    if (!master)
        return nullptr;
    // On the master frame, not inside the page it replaces: the root hides
    // that page while the about page shows.
    return new QVXAboutFrame(master, parent);
}
