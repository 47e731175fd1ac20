// The alarm displays and band selectors placed as the band-level alarm panel
// places them, on the real skin pictures, driven through an alarm manager,
// clicks and a scripted text entry; and the fill frame's pixels.

#include "gui/EditorTestSupport.h"
#include "serialization/LocaleTestSupport.h"

#include "editor/QVXAlarmFrames.h"
#include "editor/QVXFillFrame.h"
#include "editor/QVXValueIncDecFrame.h"
#include "gui/ControlContainer.h"
#include "skin/SkinPictures.h"

namespace
{

using namespace SkinLayout;
using Manager = QVXAlarmManager;
using Pair = std::pair<float, float>;
constexpr std::string_view kL = Manager::kBandLevelAlarmL;
constexpr std::string_view kR = Manager::kBandLevelAlarmR;
const std::string kLs{kL}, kRs{kR};

// The value changes a panel's container hears, as (code, value).
struct RecordingContainer : ControlContainer
{
    using ControlContainer::ControlContainer;
    void OnControlValueChanged(std::int32_t id, MessageParam a, MessageParam) override
    {
        heard.emplace_back(id, static_cast<int>(a));
    }
    std::vector<std::pair<std::int32_t, int>> heard;
};

// The band-level panel's alarm frames: severity button and threshold display
// for both alarms (listed right first), value displays that reset each other.
class AlarmFrames : public EditorTest::EditorFixture
{
protected:
    ~AlarmFrames() override { mEditor.reset(); }

    Manager& Alarms() { return mPlugin.GetAlarmManager(); }
    const Manager::AlarmRecord& A(std::string_view name) { return *Alarms().GetAlarm(name); }
    static const Element& E(std::string_view name) { return *Find(Panel::Analyzer, name); }
    void ClickOn(std::string_view element, const WindowContext::Modifiers& keys = {})
    {
        const Rect& r = E(element).rect;
        mEditor->Click({r.left + r.Width() / 2, r.top + r.Height() / 2}, keys);
    }
    std::string Threshold() const { return mThreshold->GetTextField()->GetText(); }
    // Both alarms' thresholds and the text the threshold display shows.
    std::pair<Pair, std::string> Thresholds()
    {
        return {{A(kL).mDescriptor.mThreshold, A(kR).mDescriptor.mThreshold}, Threshold()};
    }
    void Type(const std::string& text)
    {
        mEntry.pending.reset();
        ClickOn("threshold");
        ASSERT_NE(mEntry.pending, nullptr);
        mEntry.pending->Accept(text);
    }

    // With another manager than the plug-in's when one is given.
    void OpenPanel(Manager* manager = nullptr)
    {
        Manager* alarms = manager ? manager : &Alarms();
        Open(kBandLevelAlarm.right, kBandLevelAlarm.bottom,
             [this, alarms](EditorTest::SolidFrame& page)
             {
                 const Rect& b = kBandLevelAlarm;
                 auto* panel = new PixMapDrawFrame(&page, b.left, b.top, b.Width(), b.Height(),
                                                   b.left, b.top, mAnalyzer.get(), 0, 0);
                 panel->SetChildOrigin(-b.left, -b.top);
                 DrawContext* skin = mAnalyzer.get();
                 mSeverity = new QVXAlarmSeverityButton(panel, E("alarmSeverity"), skin, alarms,
                                                        {kRs, kLs});
                 mThreshold = new QVXAlarmTHDispFrame(panel, E("threshold").rect, skin,
                                                      E("thresholdDown"), E("thresholdUp"),
                                                      alarms, {kLs, kRs}, 1, 0.5f);
                 const auto value = [&](const char* element, std::string name, std::string other)
                 {
                     return new QVXAlarmedValueDispFrame(
                         panel, E(element).rect, mHeader.get(), alarms, std::move(name),
                         std::make_unique<QVXSpecDbTextConvertor>(), {std::move(other)});
                 };
                 mLeft = value("bandLevelLeft", kLs, kRs);
                 mRight = value("bandLevelRight", kRs, kLs);
                 mLower = new QVXValueIncDecFrame(panel, E("lowerBand").rect, skin,
                                                  E("lowerBandDown"), E("lowerBandUp"),
                                                  &mContainer, 0, 1);
                 mUpper = new QVXValueIncDecFrame(panel, E("upperBand").rect, skin,
                                                  E("upperBandDown"), E("upperBandUp"),
                                                  &mContainer, 2, 3, "%s Hz (100%%)");
             });
        mEditor->SetTextEntryService(&mEntry);
    }

    // Whether the left value display shows `text` on the header's background
    // of severity s: all of it when empty, else its two leftmost columns,
    // which the centred text keeps clear of.
    ::testing::AssertionResult LeftShows(const std::string& text, std::int32_t s)
    {
        if (mLeft->GetText() != text)
            return ::testing::AssertionFailure() << "shows \"" << mLeft->GetText() << '"';
        mEditor->Paint();
        const Rect r = E("bandLevelLeft").rect;
        for (std::int32_t y = 0; y < r.Height(); ++y)
            for (std::int32_t x = 0; x < (text.empty() ? r.Width() : 2); ++x)
                if (ToPixel(Pixel(r.left + x, r.top + y)) !=
                    (mHeader->GetPixels().At(1 + x, 47 + 12 * s + y) & 0xffffff))
                    return ::testing::AssertionFailure() << "not severity " << s;
        return ::testing::AssertionSuccess();
    }

    std::unique_ptr<OGWorld> mHeader = Skin::MakeWorld(PictureOf(Panel::Header));
    std::unique_ptr<OGWorld> mAnalyzer = Skin::MakeWorld(PictureOf(Panel::Analyzer));
    EditorTest::ScriptedTextEntry mEntry;
    RecordingContainer mContainer{&mPlugin};
    QVXAlarmSeverityButton* mSeverity = nullptr;
    QVXAlarmTHDispFrame* mThreshold = nullptr;
    QVXAlarmedValueDispFrame *mLeft = nullptr, *mRight = nullptr;
    QVXValueIncDecFrame *mLower = nullptr, *mUpper = nullptr;
};

TEST_F(AlarmFrames, ValueDisplayShowsTheValueOnItsSeverityWhileTriggered)
{
    // The edges compared differ from one severity's image to the next.
    for (std::int32_t s = 1; s < kAlarmSeverityCount; ++s)
        ASSERT_NE(mHeader->GetPixels().At(1, 47 + 12 * s), mHeader->GetPixels().At(1, 35 + 12 * s));
    Alarms().RegisterStandardAlarms();
    Alarms().SetActive(kR, false);
    Alarms().SetSeverity(kL, 3);
    Alarms().PostValue(kL, -4.0f); // triggered before the display exists
    OpenPanel();
    EXPECT_TRUE(LeftShows("-4.0", 3));
    EXPECT_EQ(mRight->GetText(), "") << "an inactive alarm's value is stale";

    Alarms().ResetAlarm(kL);
    EXPECT_TRUE(LeftShows("-200", 0));
    Alarms().PostValue(kL, -20.0f);
    Alarms().SetSeverity(kL, 2);
    EXPECT_TRUE(LeftShows("-20.0", 0)) << "not triggered below the threshold of -10";
    Alarms().PostValue(kL, -5.0f);
    EXPECT_TRUE(LeftShows("-5.0", 2));
    Alarms().SetSeverity(kL, 1);
    EXPECT_TRUE(LeftShows("-5.0", 1));
    Alarms().SetSeverity(kL, Manager::kSpecialSeverity); // no image of its own
    EXPECT_TRUE(LeftShows("-5.0", 0));

    // Deactivated: no text until a value arrives after the reactivation.
    Alarms().SetActive(kL, false);
    EXPECT_TRUE(LeftShows("", 0));
    Alarms().PostValue(kL, -1.0f);
    Alarms().SetActive(kL, true);
    EXPECT_EQ(mLeft->GetText(), "");
    Alarms().PostValue(kL, -15.0f);
    EXPECT_EQ(mLeft->GetText(), "-15.0");
}

TEST_F(AlarmFrames, FramesFollowOnlyTheirOwnRegisteredAlarm)
{
    // Only the right alarm exists: the left display and the threshold
    // display (whose first alarm is the left one) stay neutral and empty,
    // hear nothing of the right alarm, and their clicks change nothing.
    Alarms().RegisterAlarm(kR, Manager::BandLevelAlarmDescriptor());
    OpenPanel();
    Alarms().SetSeverity(kR, 3);
    Alarms().PostValue(kR, -5.0f);
    Alarms().SetThreshold(kR, -20.0f);
    EXPECT_TRUE(LeftShows("", 0));
    EXPECT_EQ(Threshold(), "");
    ClickOn("bandLevelLeft");
    ClickOn("thresholdUp");
    EXPECT_EQ(std::make_pair(A(kR).mValue, A(kR).mDescriptor.mThreshold), (Pair{-5.0f, -20.0f}));

    // Registered, they follow their own alarm and still none of the other's.
    Alarms().RegisterAlarm(kL, Manager::BandLevelAlarmDescriptor());
    using Texts = std::pair<std::string, std::string>;
    Alarms().PostValue(kL, -30.0f);
    Alarms().SetThreshold(kL, -40.0f);
    EXPECT_EQ(Texts(mLeft->GetText(), Threshold()), Texts("-30.0", "-40.0"));
    Alarms().PostValue(kR, -1.0f);
    Alarms().SetThreshold(kR, -2.0f);
    Alarms().SetActive(kR, false);
    EXPECT_EQ(Texts(mLeft->GetText(), Threshold()), Texts("-30.0", "-40.0"));
    EXPECT_TRUE(LeftShows("-30.0", 0));
}

TEST_F(AlarmFrames, FramesOutliveAManagerThatGoesFirst)
{
    auto manager = std::make_unique<Manager>(&mPlugin);
    manager->RegisterStandardAlarms();
    OpenPanel(manager.get());
    manager.reset();
    for (const char* element : {"bandLevelLeft", "alarmSeverity", "thresholdUp"})
        ClickOn(element);
    Type("-20");
    EXPECT_EQ(mLeft->GetText(), "-200");
    EXPECT_EQ(Threshold(), "-10.0");
}

TEST_F(AlarmFrames, SeverityButtonFollowsTheFirstAlarmAndValueClicksResetUnlessShiftIsHeld)
{
    Alarms().RegisterStandardAlarms();
    Alarms().SetSeverity(kL, 2);
    OpenPanel();
    EXPECT_EQ(mSeverity->GetValue(), 2) << "the sorted names put the left alarm first";
    Alarms().SetSeverity(kR, 3);
    EXPECT_EQ(mSeverity->GetValue(), 2);
    Alarms().SetSeverity(kL, 1);
    EXPECT_EQ(mSeverity->GetValue(), 1);
    EXPECT_EQ(A(kR).mSeverity, 3) << "following sets nothing";

    ClickOn("alarmSeverity");
    EXPECT_EQ(std::make_tuple(mSeverity->GetValue(), A(kL).mSeverity, A(kR).mSeverity,
                              A(Manager::kMasterAlarm).mSeverity),
              std::make_tuple(2, 2, 2, 3));

    // A click on a value display resets its alarm and the other unless Shift is held.
    const auto clickWithBothTriggered = [this](const char* element, WindowContext::Modifiers keys)
    {
        Alarms().PostValue(kL, -5.0f);
        Alarms().PostValue(kR, -6.0f);
        EXPECT_TRUE(A(kL).mTriggered && A(kR).mTriggered);
        ClickOn(element, keys);
        return Pair{A(kL).mValue, A(kR).mValue};
    };
    EXPECT_EQ(clickWithBothTriggered("bandLevelLeft", {}), (Pair{-200.0f, -200.0f}));
    EXPECT_EQ(clickWithBothTriggered("bandLevelLeft", {.shift = true}), (Pair{-200.0f, -6.0f}));
    EXPECT_EQ(clickWithBothTriggered("bandLevelRight", {.shift = true}), (Pair{-5.0f, -200.0f}));
    // Shift with Ctrl is not Shift to the window context.
    EXPECT_EQ(clickWithBothTriggered("bandLevelRight", {.ctrl = true, .shift = true}),
              (Pair{-200.0f, -200.0f}));
}

// Steps and typing move every alarm, the steps from the first alarm's threshold.
TEST_F(AlarmFrames, SteppedOrTypedThresholdReachesEveryAlarmAndGarbageChangesNothing)
{
    Alarms().RegisterStandardAlarms();
    Alarms().SetThreshold(kR, -40.0f);
    OpenPanel();
    using Shown = std::pair<Pair, std::string>;
    ClickOn("thresholdUp");
    EXPECT_EQ(Thresholds(), (Shown{{-9.5f, -9.5f}, "-9.5"}));
    ClickOn("thresholdDown");
    ClickOn("thresholdDown");
    EXPECT_EQ(Thresholds(), (Shown{{-10.5f, -10.5f}, "-10.5"}));

    Type("-12,5");
    EXPECT_EQ(mEntry.shownAt, E("threshold").rect);
    EXPECT_EQ(mEntry.shownText, "-10.5");
    EXPECT_EQ(Thresholds(), (Shown{{-12.5f, -12.5f}, "-12.5"}));
    Type(" -120 "); // clamped by the manager
    EXPECT_EQ(Thresholds(), (Shown{{-90.0f, -90.0f}, "-90.0"}));
    for (const char* garbage : {"", "abc", "-12x", "-1,2,3", "- 5", "nan", "inf", "1e99"})
    {
        Type(garbage);
        EXPECT_EQ(Thresholds(), (Shown{{-90.0f, -90.0f}, "-90.0"})) << '"' << garbage << '"';
    }
}

TEST(AlarmThresholdText, ZeroOneOrTwoDecimalsAndAPointInEveryLocale)
{
    using Texts = std::vector<std::string>;
    const auto texts = [](float threshold)
    {
        Texts all;
        for (const std::int32_t decimals : {0, 1, 2, 3, -1})
            all.push_back(QVXAlarmTHDispFrame::FormatThreshold(threshold, decimals));
        return all;
    };
    EXPECT_EQ(texts(-10.0f), (Texts{"-10", "-10.0", "-10.00", "-10", "-10"}));

    if (!LocaleTest::DecimalCommaLocaleAvailable())
        GTEST_SKIP() << "no decimal-comma locale";
    LocaleTest::DecimalCommaScope comma(LocaleTest::LocaleKind::CLibrary);
    ASSERT_TRUE(comma.IsActive());
    EXPECT_EQ(texts(-7.3125f), (Texts{"-7", "-7.3", "-7.31", "-7", "-7"}));
    for (const char* typed : {"-8.5", "-8,5"})
    {
        float threshold = 0.0f;
        EXPECT_TRUE(QVXAlarmTHDispFrame::ParseThreshold(typed, threshold));
        EXPECT_EQ(threshold, -8.5f) << typed;
    }
}

TEST_F(AlarmFrames, BandSelectorsReachThePanelsContainerUnderTheirCodes)
{
    OpenPanel();
    for (const char* name : {"lowerBandDown", "lowerBandUp", "upperBandDown", "upperBandUp"})
        ClickOn(name);
    using Heard = std::vector<std::pair<std::int32_t, int>>;
    EXPECT_EQ(mContainer.heard, (Heard{{0, 1}, {1, 1}, {2, 1}, {3, 1}}));

    mLower->SetText("25");
    mUpper->SetText("1.6k");
    EXPECT_EQ(mLower->GetText(), "25");
    EXPECT_EQ(mUpper->GetText(), "1.6k Hz (100%)");
    // On the skin's well, in the skin's own place.
    mEditor->Paint();
    const Rect well = E("lowerBand").rect;
    EXPECT_EQ(mLower->GetTextFrame()->GetGlobalRect(), well);
    EXPECT_EQ(ToPixel(Pixel(well.left + 1, well.top + 1)),
              mAnalyzer->GetPixels().At(well.left + 1, well.top + 1) & 0xffffff);
}

TEST_F(AlarmFrames, FillFrameFillsItselfAndFramesTheInsetRectangle)
{
    using EditorTest::kBlue;
    using EditorTest::kRed;
    QVXFillFrame* fill = nullptr;
    Open(40, 40, [&](EditorTest::SolidFrame& page)
         { fill = new QVXFillFrame(&page, {10, 10, 30, 30}, kRed, kBlue, {2, 3, 4, 5}); });
    // The border runs round (2, 3) ... (15, 14) of the 20 x 20 frame.
    for (std::int32_t y = -1; y <= 20; ++y)
        for (std::int32_t x = -1; x <= 20; ++x)
        {
            const bool outside = x < 0 || x >= 20 || y < 0 || y >= 20;
            const bool border = ((x == 2 || x == 15) && y >= 3 && y <= 14) ||
                                ((y == 3 || y == 14) && x >= 2 && x <= 15);
            ASSERT_EQ(Pixel(10 + x, 10 + y), outside ? EditorTest::kGrey : border ? kBlue : kRed)
                << x << ", " << y;
        }
    fill->SetInsets({10, 0, 10, 0}); // meeting insets leave nothing to frame
    mEditor->Paint();
    for (std::int32_t x = 0; x < 20; ++x)
        ASSERT_EQ(Pixel(10 + x, 13), kRed) << x;
}

} // namespace
