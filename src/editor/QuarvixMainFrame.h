#pragma once
// The editor window's page: the header strip, the analyzer panel and the
// global strip, stacked as the skin layout places them, each drawing its
// part of the skin. The page owns the three skin pictures its panels and
// their controls draw from.
//
// InstallQuarvixEditor hands the plug-in object the factory that builds this
// page (and the about page) whenever a host opens a window; a module that
// shows an editor calls it once before it creates plug-ins.
//
// Threads: UI thread only.

#include "core/TimerClient.h"
#include "gui/Frame.h"

#include <array>
#include <cstdint>
#include <memory>

class OGWorld;
class PluginUIRoot;
class QVXGlobalFrame;
class QVXHeaderFrame;
class QuarvixSpecFrame;

class QuarvixMainFrame : public PixMapDrawFrame, public TimerClient<QuarvixMainFrame>
{
public:
    // The size is the editor's for the plug-in's channel layout.
    QuarvixMainFrame(Frame* parent, std::uint32_t flags = 0, std::int32_t id = 0);
    ~QuarvixMainFrame() override;

    QVXHeaderFrame* GetHeader() const { return mHeader; }
    QuarvixSpecFrame* GetAnalyzer() const { return mAnalyzer; }
    QVXGlobalFrame* GetGlobal() const { return mGlobal; }

private:
    // Declared first: the panels draw from them until the end.
    std::array<std::unique_ptr<OGWorld>, 3> mPictures;
    QVXHeaderFrame* mHeader = nullptr;
    QuarvixSpecFrame* mAnalyzer = nullptr;
    QVXGlobalFrame* mGlobal = nullptr;
};

// Installs the editor into every Quarvix plug-in object of this module.
void InstallQuarvixEditor() noexcept;
