#pragma once
// The about page: which product this is (name, version and maker's notice,
// read from the plug-in's description) and the libraries the module is built
// with, each with its licence. It covers the whole editor window; a click
// anywhere on it goes back to the page it was opened from.
//
// The UI root shows it as a page of its own, in place of the editor, and
// keeps it for the next time (PluginUIRoot::ShowAboutPage); a plug-in's
// CreateAboutFrame hands it over with CreateQVXAboutFrame.
//
// Threads: UI thread only.

#include "gui/Frame.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class PluginUIRoot;

class QVXAboutFrame : public Frame
{
public:
    // A library linked into or embedded in the module, with its licence
    // and, where the licence asks for one, the credit to show.
    struct Credit
    {
        std::string_view name;
        std::string_view licence;
        std::string_view notice;
    };
    static std::span<const Credit> Credits();

    // A page over the parent's whole area; a click returns to returnPage
    // (none: the about page only hides).
    QVXAboutFrame(Frame* parent, Frame* returnPage, std::uint32_t flags = 0, std::int32_t id = 0);

    void DrawContent(DrawContext& context, const Rect& rect) override;
    void OnMouseEvent(std::int32_t type, std::int32_t x, std::int32_t y) override;

    // The product's lines, top to bottom: name, version, notice.
    std::vector<std::string> GetProductLines() const;
    Frame* GetReturnPage() const { return mReturnPage; }
    // Where the panel with the text lies in the page.
    Rect GetPanelRect() const;

private:
    Frame* mReturnPage = nullptr; // not owned
};

// For PluginCore::CreateAboutFrame: the about page on the root's master frame,
// returning to `parent` (the page shown when it was asked for).
Frame* CreateQVXAboutFrame(PluginUIRoot& root, Frame* parent);
