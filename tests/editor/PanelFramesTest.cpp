// The strips around the analyzer in the plug-in's own editor: the header's
// default settings (kept as the host adaptation keeps them) and about page,
// the bottom strip's settings files, the zoom strip under the plot.

#include "ScriptedDialogs.h"

#include "core/CVLPluginMetaClass.h"
#include "editor/QVXAboutFrame.h"
#include "editor/QVXZoomRangeFrame.h"
#include "editor/QuarvixMainFrame.h"
#include "editor/QuarvixSpecFrame.h"
#include "editor/SkinLayout.h"
#include "gui/ErrorFrame.h"
#include "gui/OffscreenEditor.h"
#include "model/QVXSpecConfig.h"
#include "platform/DefaultSettingsFiles.h"
#include "plugin/QVXGeneralSpecService.h"
#include "plugin/Quarvix.h"
#include "skin/SkinPictures.h"
#include "support/FakeClock.h"
#include "support/MessageLog.h"
#include "support/RecordingPlatform.h"
#include "support/TestFiles.h"

#include <cmath>
#include <cstdlib>
#include <optional>
#include <tuple>

namespace
{

using namespace SkinLayout;
namespace fs = std::filesystem;

constexpr const char* kDefaultsKey = "Software\\Corvanel Sound\\Default Settings";
constexpr double kRate = 48000.0;

// Default settings in the directory the registry names, as the host adaptation keeps them.
struct FilePlatform : RecordingPlatform
{
    bool LoadDefaultSettings(const std::string& name, std::string& text) override
    {
        return Platform::LoadDefaultSettingsFile(Platform::Registry(), kDefaultsKey, name, text);
    }
    bool SaveDefaultSettings(const std::string& name, const std::string& text) override
    {
        return Platform::SaveDefaultSettingsFile(Platform::Registry(), kDefaultsKey, name, text);
    }
};

class PanelFrames : public TestFiles::TempDirTest
{
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        if (const char* home = std::getenv("XDG_CONFIG_HOME"))
            mConfigHome = home;
        ::setenv("XDG_CONFIG_HOME", (mDir / "config").c_str(), 1);
        InstallQuarvixEditor();
        mPlugin = std::make_unique<Quarvix>(mPlatform, ChannelConfig{2, 2});
        mPlugin->SetSampleRate(static_cast<float>(kRate));
        // The plug-in's own editor: header, analyzer panel and global strip.
        mEditor = std::make_unique<OffscreenEditor>(*mPlugin);
        mEditor->SetDialogService(&mDialogs);
        mEditor->Open();
        ASSERT_TRUE(mEditor->IsOpen());
        for (Frame* child : mEditor->GetMasterFrame()->GetChildren())
            if (auto* main = dynamic_cast<QuarvixMainFrame*>(child))
                mPage = main;
        ASSERT_NE(mPage, nullptr);
        mZoom =
            dynamic_cast<QVXZoomRangeFrame*>(mPage->GetAnalyzer()->GetElementFrame("zoomStrip"));
        ASSERT_NE(mZoom, nullptr);
        mEditor->Paint();
    }
    void TearDown() override
    {
        mEditor.reset();
        mPlugin.reset();
        mConfigHome ? ::setenv("XDG_CONFIG_HOME", mConfigHome->c_str(), 1)
                    : ::unsetenv("XDG_CONFIG_HOME");
        TempDirTest::TearDown();
    }

    QVXSpecConfig& Config() const { return *mPlugin->GetGeneralService().GetSpecConfig(); }
    Point Centre(Panel panel, std::string_view name) const
    {
        const Rect r = Find(panel, name)->rect.Offset(0, PanelRect(panel).top);
        return {r.left + r.Width() / 2, r.top + r.Height() / 2};
    }
    void Click(Panel panel, std::string_view name, bool shift = false)
    {
        mEditor->Click(Centre(panel, name), {false, shift, false});
    }

    // The errors shown, oldest first, clicked away as a user would.
    Pairs TakeReports()
    {
        Pairs reports;
        for (const Frame* child : mEditor->GetMasterFrame()->GetChildren())
            if (const auto* error = dynamic_cast<const ErrorFrame*>(child))
                reports.emplace_back(error->GetMessage(), error->GetDetail());
        for (std::size_t i = 0; i < reports.size(); ++i)
        {
            mEditor->Click({5, 5});
            for (int tick = 0; tick < 2; ++tick, FakeClock::ms += 17)
                mEditor->Tick();
        }
        return reports;
    }

    void SetDefaultsDirectory(const fs::path& directory)
    {
        ASSERT_TRUE(Platform::Registry().SetValue(kDefaultsKey, "", directory.string()));
    }
    std::optional<std::string> RecentDirectory() const
    {
        return Platform::Registry().GetValue("Software\\Corvanel Sound\\Recent Directories",
                                             "QVX Spectrum Analyzer", 1024);
    }
    std::string State() const { return TestFiles::MaskIds(mPlugin->CaptureSettingsText()); }

    // The zoom strip in window coordinates; x of a frequency on the unzoomed
    // axis, 10 Hz ... half the rate over the strip's width.
    static Rect Strip() { return kZoomStrip.Offset(0, PanelRect(Panel::Analyzer).top); }
    int X(double hz) const
    {
        const double w = kZoomStrip.Width();
        if (!Config().GetLogScale())
            return static_cast<int>((hz - 10.0) / (kRate / 2 - 10.0) * w);
        return static_cast<int>((std::log10(hz) - 1.0) / (std::log10(kRate / 2) - 1.0) * w);
    }
    // Whether the window's rectangle `at` shows the analyzer picture from `image`.
    ::testing::AssertionResult ShowsSkin(const Rect& at, Point image) const
    {
        const auto skin = Skin::FindPicture(PictureOf(Panel::Analyzer));
        for (int y = 0; y < at.Height(); ++y)
            for (int x = 0; x < at.Width(); ++x)
                if (ToPixel(mEditor->GetPixel({at.left + x, at.top + y})) !=
                    (skin->At(image.x + x, image.y + y) & 0xffffff))
                    return ::testing::AssertionFailure() << "differs at (" << x << ", " << y << ")";
        return ::testing::AssertionSuccess();
    }
    ::testing::AssertionResult ShowsHandle(bool upper, int x) const
    {
        const Rect at{x, 0, x + kZoomHandleSize.width, kZoomHandleSize.height};
        return ShowsSkin(at.Offset(Strip().left, Strip().top), ZoomHandleImage(upper));
    }
    void Drag(int fromX, std::initializer_list<int> toX)
    {
        const int y = Strip().top + Strip().Height() / 2;
        mEditor->MouseDown({Strip().left + fromX, y});
        for (const int x : toX)
            mEditor->MouseMove({Strip().left + x, y});
        mEditor->MouseUp({Strip().left + *(toX.end() - 1), y});
    }

    FakeClock mClock;
    std::optional<std::string> mConfigHome;
    FilePlatform mPlatform;
    std::unique_ptr<Quarvix> mPlugin;
    ScriptedDialogs mDialogs;
    std::unique_ptr<OffscreenEditor> mEditor;
    QuarvixMainFrame* mPage = nullptr;
    QVXZoomRangeFrame* mZoom = nullptr;
};

// The header's buttons, and the global strip's with Shift held, which skip
// the dialog: loading is silent when it works; a Shift-click on the header
// does what a click does.
TEST_F(PanelFrames, HeaderAndShiftedGlobalStripSaveAndLoadTheDefaultSettingsAndReportFailures)
{
    const fs::path file = mDir / "defaults" / "QVX Spectrum Analyzer.default";
    SetDefaultsDirectory(mDir / "defaults");
    mDialogs.answer = (mDir / "unused.quarvix").string();
    for (const auto& [panel, name, shift] : {std::tuple{Panel::Header, "loadDefaults", false},
                                             std::tuple{Panel::Global, "loadSettings", true}})
    {
        Click(panel, name, shift);
        EXPECT_EQ(TakeReports(), (Pairs{{"Can't load default settings.", ""}})) << name;
    }
    for (const auto& [panel, name] :
         {std::pair{Panel::Global, "saveSettings"}, {Panel::Header, "saveDefaults"}})
    {
        fs::remove_all(mDir / "defaults");
        Config().SetFftSize(4096);
        Click(panel, name, panel == Panel::Global);
        EXPECT_EQ(TakeReports(), (Pairs{{"Default settings saved.", ""}})) << name;
        EXPECT_TRUE(fs::exists(file)) << name;
    }
    EXPECT_TRUE(mDialogs.asked.empty());

    Config().SetFftSize(1024);
    Click(Panel::Header, "loadDefaults", true);
    EXPECT_EQ(Config().GetFftSize(), 4096);
    EXPECT_TRUE(TakeReports().empty());

    // A file holds the place of the directory the registry names.
    TestFiles::WriteFile(mDir / "blocker", "not a directory");
    SetDefaultsDirectory(mDir / "blocker" / "defaults");
    Click(Panel::Header, "saveDefaults", true);
    EXPECT_EQ(TakeReports(), (Pairs{{"Can't save default settings.", ""}}));

    SetDefaultsDirectory(mDir);
    TestFiles::WriteFile(mDir / "QVX Spectrum Analyzer.default", "<obj_archive type=\"broken");
    Config().SetFftSize(8192);
    const std::string before = State();
    Click(Panel::Header, "loadDefaults");
    EXPECT_EQ(TakeReports(), (Pairs{{"Can't load default settings.", ""}}));
    EXPECT_EQ(State(), before);
}

TEST_F(PanelFrames, AboutPageReplacesTheEditorUntilAClickAnywhere)
{
    Click(Panel::Header, "about");
    mEditor->Paint();
    auto* about = dynamic_cast<QVXAboutFrame*>(mEditor->GetCurrentPage());
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(mPage->IsEffectivelyVisible());
    EXPECT_EQ(about->GetGlobalRect(), mEditor->GetMasterFrame()->GetGlobalRect());
    const CVLPluginMetaClass& description = mPlugin->GetDescription();
    EXPECT_EQ(
        about->GetProductLines(),
        (std::vector<std::string>{description.GetName(), "Version " + description.GetVersion(),
                                  description.GetNotice()}));
    // The header's place shows the window's colour; the panel holds text.
    EXPECT_EQ(ToPixel(mEditor->GetPixel(Centre(Panel::Header, "saveDefaults"))), 0x16181bu);
    int textPixels = 0;
    const Rect panel = about->GetPanelRect();
    for (int y = panel.top; y < panel.bottom; ++y)
        for (int x = panel.left; x < panel.right; ++x)
            textPixels += ToPixel(mEditor->GetPixel({x, y})) == 0xc9ced6u;
    EXPECT_GT(textPixels, 100);

    // A click, even where a header button lies beneath, only goes back.
    SetDefaultsDirectory(mDir / "defaults");
    mEditor->Click(Centre(Panel::Header, "saveDefaults"));
    EXPECT_EQ(mEditor->GetCurrentPage(), mPage);
    EXPECT_TRUE(mPage->IsEffectivelyVisible());
    EXPECT_FALSE(fs::exists(mDir / "defaults"));
    mEditor->Paint();
    EXPECT_NE(ToPixel(mEditor->GetPixel(Centre(Panel::Header, "saveDefaults"))), 0x16181bu);
    Click(Panel::Header, "about");
    EXPECT_EQ(mEditor->GetCurrentPage(), about);
}

TEST_F(PanelFrames, GlobalStripSavesAndLoadsSettingsFilesAndReportsBadOnesLosingNothing)
{
    // Cancelled: nothing written, nothing remembered.
    Config().SetFftSize(4096);
    Click(Panel::Global, "saveSettings");
    ASSERT_EQ(mDialogs.asked.size(), 1u);
    const FileDialogRequest save = mDialogs.asked[0];
    EXPECT_EQ(mDialogs.Filters(0),
              (Pairs{{"Settings Files (*.quarvix)", "*.quarvix"}, {"All Files (*.*)", "*.*"}}));
    EXPECT_EQ(std::tie(save.save, save.defaultName, save.extension, save.initialDirectory),
              std::make_tuple(true, "QVX Spectrum Analyzer Settings", ".quarvix", ""));
    EXPECT_FALSE(RecentDirectory());

    // A name without the extension gets it; its directory is remembered.
    fs::create_directories(mDir / "files");
    mDialogs.answer = (mDir / "files" / "mine").string();
    Click(Panel::Global, "saveSettings");
    const fs::path file = mDir / "files" / "mine.quarvix";
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(TestFiles::ReadFile(file).back(), '\0');
    EXPECT_EQ(RecentDirectory(), (mDir / "files").string());

    Config().SetFftSize(1024);
    mDialogs.answer = file.string();
    Click(Panel::Global, "loadSettings");
    ASSERT_EQ(mDialogs.asked.size(), 3u);
    EXPECT_EQ(mDialogs.Filters(2),
              (Pairs{{"CVL Settings Files (*.quarvix)", "*.quarvix"}, {"All Files (*.*)", "*.*"}}));
    EXPECT_EQ(std::tie(mDialogs.asked[2].save, mDialogs.asked[2].initialDirectory),
              std::make_tuple(false, (mDir / "files").string()));
    EXPECT_EQ(Config().GetFftSize(), 4096);

    Config().SetFftSize(2048);
    mDialogs.answer.reset();
    Click(Panel::Global, "loadSettings");
    EXPECT_EQ(mDialogs.asked.size(), 4u);
    EXPECT_EQ(Config().GetFftSize(), 2048);
    EXPECT_TRUE(TakeReports().empty());

    // A settings file cut short: reported, and the state stays as it was.
    const std::string whole = mPlugin->CaptureSettingsText();
    TestFiles::WriteFile(mDir / "cut.quarvix", whole.substr(0, whole.size() / 2));
    Config().SetFftSize(8192);
    const std::string before = State();
    mDialogs.answer = (mDir / "cut.quarvix").string();
    Click(Panel::Global, "loadSettings");
    EXPECT_EQ(TakeReports(),
              (Pairs{{"Unable to load settings.",
                      "These are not valid settings or the settings have been corrupted.  "}}));
    EXPECT_EQ(State(), before);

    mDialogs.answer = (mDir / "gone.quarvix").string();
    Click(Panel::Global, "loadSettings");
    EXPECT_EQ(TakeReports(), (Pairs{{"Unable to load settings.", ""}}));
    EXPECT_EQ(State(), before);

    // A place that cannot hold a file; the file in the way stays whole.
    TestFiles::WriteFile(mDir / "kept.quarvix", "old");
    mDialogs.answer = (mDir / "kept.quarvix" / "inside.quarvix").string();
    Click(Panel::Global, "saveSettings");
    EXPECT_EQ(TakeReports(), (Pairs{{"Unable to save settings",
                                     "The selected file could not be opened or created."}}));
    EXPECT_EQ(TestFiles::ReadFile(mDir / "kept.quarvix"), "old");
}

TEST_F(PanelFrames, ZoomStripShowsItsHandlesOnlyWhileZoomIsOn)
{
    const Point background{kZoomStrip.left, kZoomStrip.top};
    EXPECT_TRUE(ShowsSkin(Strip(), background)); // and a drag does nothing
    const auto range = Config().GetFreqZoomRange();
    Drag(X(range.first) + 2, {X(range.first) + 60});
    EXPECT_EQ(Config().GetFreqZoomRange(), range);

    // Brackets around the range: the lower one from its end, the upper one up to its end.
    Config().SetFreqZoom(true);
    mEditor->Paint();
    EXPECT_TRUE(ShowsHandle(false, X(range.first)));
    EXPECT_TRUE(ShowsHandle(true, X(range.second) - kZoomHandleSize.width));
    Config().SetLogScale(false);
    mEditor->Paint();
    EXPECT_TRUE(ShowsHandle(true, X(range.second) - kZoomHandleSize.width));

    Config().SetFreqZoom(false);
    mEditor->Paint();
    EXPECT_TRUE(ShowsSkin(Strip(), background));
}

TEST_F(PanelFrames, ZoomDragKeepsTheEndsApartAndBelowHalfTheSampleRate)
{
    Config().SetFreqZoom(true);
    MessageLog log(mPlugin.get(), Config().GetMsgClass(QVXSpecConfigMessages::kClass));
    const auto [lower, upper] = Config().GetFreqZoomRange();

    // The lower handle dragged onto the upper one stops 16 pixels short;
    // every move sets the range and says so; the release ends the drag.
    Drag(X(lower) + 3, {X(lower) + 40, X(upper), X(upper) + 30});
    EXPECT_EQ(X(Config().GetFreqZoomRange().first), X(upper) - 16);
    EXPECT_EQ(Config().GetFreqZoomRange().second, upper);
    EXPECT_EQ(log.Take(), (std::vector<LoggedMessage>(3, M("frZm"))));
    mEditor->MouseMove({Strip().left + 5, Strip().top + 5});
    EXPECT_TRUE(log.Take().empty());
    EXPECT_EQ(mZoom->GetDrag(), QVXZoomRangeFrame::Drag::None);

    // Right of the upper handle, out beyond the strip: half the sample rate.
    Drag(X(upper) + 20, {X(upper) + 40, kZoomStrip.Width() + 50});
    EXPECT_EQ(Config().GetFreqZoomRange().second, kRate / 2);
    // Left of the lower handle, out beyond the strip: the axis's lowest frequency.
    Drag(2, {-30});
    EXPECT_EQ(Config().GetFreqZoomRange().first, 10.0f);

    // On a linear axis the upper end keeps the place on its handle where it
    // was taken, and stops 16 pixels short of the lower end.
    Config().SetLogScale(false);
    Config().SetFreqZoomRange(4000.0f, 12000.0f);
    const int low = X(4000.0);
    const int high = X(12000.0);
    Drag(high - 3, {high - 13});
    EXPECT_EQ(X(Config().GetFreqZoomRange().second), high - 10);
    Drag(high - 12, {low});
    EXPECT_EQ(X(Config().GetFreqZoomRange().second), low + 16);
    EXPECT_EQ(Config().GetFreqZoomRange().first, 4000.0f);
}

} // namespace
