#include "SpecConfigTestSupport.h"

#include "model/QVXAlarmManager.h"

#include <cmath>
#include <limits>
#include <map>
#include <tuple>

namespace
{

using Manager = QVXAlarmManager;
using Record = QVXAlarmManager::AlarmRecord;
using Log = std::vector<std::string>;
constexpr std::string_view kL = Manager::kBandLevelAlarmL;
constexpr std::string_view kR = Manager::kBandLevelAlarmR;
constexpr std::string_view kMaster = Manager::kMasterAlarm;

// Records both classes as "code name" (L, R, M for the standard alarms), and
// checks that every message carries p1 = 0 and the registered record in p2.
class Recorder : public MessageSubscriber<Recorder>
{
public:
    Recorder(PluginServices* services, Manager& manager) : MessageSubscriber<Recorder>(services), mManager(manager)
    {
        Subscribe(manager.GetMsgClass(QVXAlarmMessages::kStateClass), 1, &Recorder::OnMessage);
        Subscribe(manager.GetMsgClass(QVXAlarmMessages::kValueClass), 2, &Recorder::OnMessage);
    }
    void OnMessage(std::int32_t what)
    {
        const Record* record = Manager::RecordFromMessage(GetCurrentP2());
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(GetCurrentP1(), 0);
        EXPECT_EQ(record, mManager.GetAlarm(record->mName));
        EXPECT_EQ(GetCurrentSubRef() == 2, what == QVXAlarmMessages::kNewValue);
        const std::string& name = record->mName;
        log.push_back(FourCCText(static_cast<FourCharCode>(what)) + " " +
                      (name == kL ? "L" : name == kR ? "R" : name == kMaster ? "M" : name));
    }
    Log Take() { return std::exchange(log, {}); }
    Log log;
    Manager& mManager;
};

class AlarmManagerTest : public ::testing::Test
{
protected:
    AlarmManagerTest() { manager.RegisterStandardAlarms(); recorder.Take(); }
    const Record& A(std::string_view name) const { return *manager.GetAlarm(name); }

    // Runs `body` inside the manager's object, or at the top with enter off.
    static void Read(const std::string& text, const std::function<void(Serialization::Archive&)>& body,
                     bool enter = true)
    {
        auto archive = SpecConfigTest::Reader(text);
        if (enter)
            archive->BeginReadObject("QVXAlarmManager", "QVXAlarmManager");
        body(*archive);
    }

    RecordingPlatform platform;
    PluginCore core{platform, {2, 2}};
    Manager manager{&core};
    Recorder recorder{&core, manager};
};

TEST_F(AlarmManagerTest, RegistrationForcesGroupValuesAndReactivatesKeepingState)
{
    const auto& m = A(kMaster);
    EXPECT_EQ(std::tuple(m.mDescriptor.mThresholdMin, m.mDescriptor.mThresholdMax, m.mDescriptor.mThreshold,
                         m.mDescriptor.mCompareMode, m.mValue, m.mSeverity),
              std::tuple(1.0f, 1.0f, 1.0f, 0, 0.0f, 3));
    EXPECT_EQ(manager.GetGroupList(), Log{std::string(kMaster)});
    EXPECT_TRUE(manager.IsGroup(kMaster) && !manager.IsGroup(kL) && !manager.IsGroup("nope"));

    manager.PostValue(kL, -5.0f);
    manager.SetActive(kR, false);
    recorder.Take();
    const Record* left = manager.GetAlarm(kL);
    EXPECT_EQ(&manager.RegisterAlarm(kL, Manager::BandLevelAlarmDescriptor()), left);
    EXPECT_TRUE(left->mTriggered && left->mValue == -5.0f);
    manager.RegisterAlarm(kR, Manager::BandLevelAlarmDescriptor());
    EXPECT_EQ(recorder.Take(), Log{"acti R"});
}

TEST_F(AlarmManagerTest, ThresholdIsClampedAndRetestsTheLatchedValue)
{
    manager.SetThreshold(kL, -120.0f);
    const float low = A(kL).mDescriptor.mThreshold;
    manager.SetThreshold(kL, 6.0f);
    manager.SetThreshold(kL, std::nanf(""));
    EXPECT_EQ(std::pair(low, A(kL).mDescriptor.mThreshold), std::pair(-90.0f, 0.0f));

    manager.PostValue(kL, -20.0f);
    manager.SetActive(kR, false);
    recorder.Take();
    manager.SetThreshold(kL, -30.0f);
    manager.SetThreshold(kR, -50.0f);
    EXPECT_EQ(recorder.Take(), (Log{"aTHc L", "nval L", "trig L", "nval M", "aTHc R"}));
}

TEST_F(AlarmManagerTest, LatchesTheExtremeUntilResetOrForced)
{
    // The master is re-evaluated on every change of state: L at severity 0 is
    // not counted, it stays off. A value short of the latched one is no news.
    manager.PostValue(kL, -20.0f);
    manager.PostValue(kL, -5.0f);
    manager.PostValue(kL, -30.0f);
    EXPECT_TRUE(A(kL).mTriggered && A(kL).mValue == -5.0f);
    manager.PostValue(kL, -4.0f, false, true);
    manager.ResetAlarm(kL);
    EXPECT_EQ(recorder.Take(), (Log{"nval L", "nval L", "trig L", "nval M", "nval L", "trig L", "nval M", "clrA L",
                                    "nval L", "nval M"}));
    EXPECT_TRUE(!A(kL).mTriggered && A(kL).mValue == -200.0f);

    manager.PostValue(kL, -5.0f);
    manager.PostValue(kL, -50.0f, true);
    EXPECT_TRUE(!A(kL).mTriggered && A(kL).mValue == -50.0f);

    // Deactivation resets first; an inactive alarm ignores values and resets.
    manager.PostValue(kL, -1.0f);
    recorder.Take();
    manager.SetActive(kL, false);
    manager.SetActive(kL, false);
    manager.PostValue(kL, -1.0f, true);
    manager.ResetAlarm(kL);
    EXPECT_EQ(recorder.Take(), (Log{"clrA L", "nval L", "nval M", "deac L"}));
}

// Each mode decides by its own operator, so the threshold itself and the
// floats just either side of it tell all four apart. With magnitudes, "below"
// is a smaller |value|: for the negative threshold, the float above it. The
// latched value obeys the same test: unforced, the value itself again is taken
// only by the inclusive modes.
TEST_F(AlarmManagerTest, EveryModeDecidesAtTheThresholdItself)
{
    // Triggered by the float below, at and the float above the threshold, in modes 0 to 3.
    const bool triggered[4][3] = {{false, true, true},   // v >= t
                                  {false, false, true},  // v > t
                                  {true, true, false},   // v <= t
                                  {true, false, false}}; // v < t
    const float t = -10.0f;
    for (const bool magnitudes : {false, true})
    {
        const float up = magnitudes ? -100.0f : 100.0f;
        const float values[] = {std::nextafter(t, -up), t, std::nextafter(t, up)};
        for (std::int32_t mode = 0; mode < 4; ++mode)
        {
            Manager::AlarmDescriptor descriptor = Manager::BandLevelAlarmDescriptor();
            descriptor.mCompareMode = mode;
            descriptor.mCompareMagnitudes = magnitudes;
            const std::string name = "mode" + std::to_string(mode) + (magnitudes ? " magnitudes" : "");
            SCOPED_TRACE(name);
            const Record& alarm = manager.RegisterAlarm(name, descriptor);
            for (int i = 0; i < 3; ++i)
            {
                manager.PostValue(name, values[i], true);
                EXPECT_EQ(alarm.mTriggered, triggered[mode][i]) << "value " << values[i];
            }
            manager.PostValue(name, t, true);
            recorder.Take();
            manager.PostValue(name, t);
            EXPECT_EQ(recorder.Take().size(), triggered[mode][1] ? 1u : 0u) << "the latched value again";
        }
    }
}

TEST_F(AlarmManagerTest, GroupsCountMembersBySeverityAndCyclesTerminate)
{
    manager.PostValue(kL, -1.0f);
    EXPECT_FALSE(A(kMaster).mTriggered); // severity 0 is below the trigger severity 1
    recorder.Take();
    manager.SetSeverity(kL, 2);
    EXPECT_EQ(A(kMaster).mHighestMemberSeverity, 2);
    // A higher member severity is announced again although the state stays.
    manager.SetSeverity(kR, 3);
    manager.PostValue(kR, -2.0f);
    EXPECT_EQ(A(kMaster).mHighestMemberSeverity, 3);
    EXPECT_EQ(recorder.Take(), (Log{"asev L", "trig L", "nval M", "trig M", "asev R", "nval M", "nval R", "trig R",
                                    "nval M", "trig M"}));

    // Severity 4 is only seen by a trigger severity of exactly 4.
    manager.SetSeverity(kL, 4);
    manager.SetSeverity(kR, 4);
    EXPECT_FALSE(A(kMaster).mTriggered);
    manager.SetGroupTriggerSeverity(kMaster, 4);
    EXPECT_TRUE(A(kMaster).mTriggered && A(kMaster).mHighestMemberSeverity == 0);

    // Any group mode but 1 needs every counted member triggered.
    Manager::AlarmDescriptor all = Manager::MasterAlarmDescriptor();
    all.mGroupMode = 0;
    manager.RegisterAlarm("all", all);
    manager.SetSeverity(kL, 1);
    manager.SetSeverity(kR, 1);
    manager.ResetAlarm(kR);
    const bool oneOfTwo = A("all").mTriggered;
    manager.PostValue(kR, -3.0f);
    EXPECT_TRUE(!oneOfTwo && A("all").mTriggered);

    manager.ResetAlarm(kMaster);
    EXPECT_TRUE(!A(kL).mTriggered && !A(kR).mTriggered && A(kR).mValue == -200.0f && !A(kMaster).mTriggered &&
                !A("all").mTriggered);

    // A group of groups that lists itself still settles, and resets through both levels.
    Manager::AlarmDescriptor outer;
    outer.mMemberNames = {std::string(kMaster), "outer"};
    outer.mGroupMode = Manager::kGroupAny;
    outer.mGroupTriggerSeverity = 3;
    manager.RegisterAlarm("outer", outer);
    manager.SetGroupTriggerSeverity(kMaster, 1);
    manager.SetSeverity(kL, 2);
    manager.PostValue(kL, -1.0f);
    EXPECT_TRUE(A("outer").mTriggered && A("outer").mHighestMemberSeverity == 3);
    manager.ResetAlarm("outer");
    EXPECT_TRUE(!A(kL).mTriggered && !A("outer").mTriggered);
}

// A settings text of the manager holding one PersistentAlarmInfo per body.
std::string AlarmList(const std::vector<std::string>& bodies)
{
    std::string text = "<obj_archive type=\"t\"><obj id=\"1\" name=\"QVXAlarmManager\" type=\"QVXAlarmManager\">"
                       "<att name=\"alarm_count\" type=\"i\">" +
                       std::to_string(bodies.size()) + "</att>";
    for (std::size_t i = 0; i < bodies.size(); ++i)
        text += "<obj id=\"" + std::to_string(i + 2) + "\" name=\"" + std::to_string(i) +
                "\" type=\"PersistentAlarmInfo\">" + bodies[i] + "</obj>";
    return text + "</obj></obj_archive>";
}

std::string Info(const std::string& name, const std::string& threshold = "-5", const std::string& severity = "2")
{
    return "<att name=\"uai\" type=\"str\">" + name + "</att><att name=\"th\" type=\"f\">" + threshold +
           "</att><att name=\"severity\" type=\"i\">" + severity + "</att>";
}

// An overstated count ends at the first missing object; a missing key keeps
// the setting; a nameless info waits as "invalid". An import takes only the
// listed names, from the enclosing scope, with severity 4 replaced.
TEST_F(AlarmManagerTest, ReadingDamagedListsAndImports)
{
    std::string text = AlarmList({"<att name=\"th\" type=\"f\">-120</att>", Info(std::string(kR), "-33", "4"),
                                  "<att name=\"uai\" type=\"str\">spectrum.band_level.L</att>"
                                  "<att name=\"severity\" type=\"i\">4</att>"});
    text.replace(text.find(">3<"), 3, ">2000000000<");
    Read(text, [&](Serialization::Archive& archive) { manager.ImportAlarms(archive, {std::string(kR)}, 0); }, false);
    EXPECT_TRUE(A(kR).mDescriptor.mThreshold == -33.0f && A(kR).mSeverity == 0 && A(kL).mSeverity == 0 &&
                manager.GetPendingAlarms().empty());
    Read(text, [&](Serialization::Archive& archive) { manager.Load(archive); });
    EXPECT_TRUE(A(kL).mSeverity == 4 && A(kL).mDescriptor.mThreshold == -10.0f);
    EXPECT_EQ(manager.GetPendingAlarms().count("invalid"), 1u);
}

TEST_F(AlarmManagerTest, NamesThatCouldNotBeSavedAgainAreRefusedAtLoad)
{
    // Each would make the next save fail, or (the NUL) cut the saved text short.
    const std::vector<std::string> hostile{"it's", "a&b", "x<y", "x>y", "say \"hi\"", std::string("nul\0in", 6),
                                           "line\nbreak", "del\x7F"};
    std::vector<std::string> bodies{Info(std::string(kL), "-42")};
    for (const std::string& name : hostile)
        bodies.push_back(Info(name));
    bodies.push_back(Info("future.alarm", "-7", "1"));
    Read(AlarmList(bodies), [&](Serialization::Archive& archive) { manager.Load(archive); });
    std::string saved;
    ASSERT_NO_THROW(saved = SpecConfigTest::Written([&](Serialization::XMLArchive& archive) {
        Serialization::ObjectWriteScope scope(archive, manager, "QVXAlarmManager");
        manager.Save(archive);
    }));
    EXPECT_EQ(std::tuple(saved.find('\0'), A(kL).mDescriptor.mThreshold, manager.GetPendingAlarms().size()),
              std::tuple(std::string::npos, -42.0f, std::size_t{1}));

    Manager fresh(&core);
    Read(saved, [&](Serialization::Archive& archive) { fresh.Load(archive); });
    std::vector<std::string> names;
    for (const auto& [name, info] : fresh.GetPendingAlarms())
        names.push_back(name);
    EXPECT_EQ(names, (Log{"future.alarm", std::string(kMaster), std::string(kL), std::string(kR)}));
    fresh.RegisterAlarm("future.alarm", Manager::BandLevelAlarmDescriptor());
    const Record* future = fresh.GetAlarm("future.alarm");
    EXPECT_EQ(std::pair(future->mDescriptor.mThreshold, future->mSeverity), std::pair(-7.0f, 1));
}

// For a registered alarm and for one that registers later, one stored value
// (the others as the alarm starts) enters as the setter given it takes it.
TEST_F(AlarmManagerTest, StoredThresholdsAndSeveritiesEnterAsTheSettersTakeThem)
{
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    // A threshold beyond the float range reaches the setter as an infinity.
    const std::vector<std::pair<std::string, float>> thresholds{{"nan", std::nanf("")}, {"inf", kInf}, {"-inf", -kInf},
                                                                {"1e300", kInf}, {"-1e300", -kInf}, {"-1e6", -1e6f},
                                                                {"7", 7.0f}, {"-33.5", -33.5f}};
    const std::vector<std::pair<std::string, std::int32_t>> severities{
        {"99999999999", kMax}, {"-2147483648", kMin}, {"nan", 0}, {"4", 4}};
    const auto settings = [](const Manager& m, std::string_view name) {
        const Record& r = *m.GetAlarm(name);
        return std::tuple(r.mDescriptor.mThreshold, r.mSeverity, r.mDescriptor.mGroupTriggerSeverity);
    };
    const auto check = [&](std::string_view name, const std::string& key, const std::string& value,
                           const std::function<void(Manager&)>& set) {
        SCOPED_TRACE(key + " " + value);
        Manager expected(&core), registered(&core), pending(&core);
        expected.RegisterStandardAlarms();
        registered.RegisterStandardAlarms();
        const auto [threshold, severity, groupSeverity] = settings(expected, name);
        std::map<std::string, std::string> values{{"th", std::to_string(threshold)},
                                                  {"severity", std::to_string(severity)},
                                                  {"groupTriggerSeverity", std::to_string(groupSeverity)}};
        values[key] = value;
        set(expected);
        const std::string text =
            AlarmList({Info(std::string(name), values["th"], values["severity"]) +
                       "<att name=\"groupTriggerSeverity\" type=\"i\">" + values["groupTriggerSeverity"] + "</att>"});
        for (Manager* target : {&registered, &pending})
            Read(text, [&](Serialization::Archive& archive) { target->Load(archive); });
        pending.RegisterStandardAlarms();
        EXPECT_EQ(settings(registered, name), settings(expected, name));
        EXPECT_EQ(settings(pending, name), settings(expected, name));
    };
    for (const std::string_view name : {kL, kMaster})
    {
        SCOPED_TRACE(name);
        for (const auto& [text, value] : thresholds)
            check(name, "th", text, [&, value = value](Manager& m) { m.SetThreshold(name, value); });
        for (const auto& [text, value] : severities)
        {
            check(name, "severity", text, [&, value = value](Manager& m) { m.SetSeverity(name, value); });
            if (name == kMaster)
                check(name, "groupTriggerSeverity", text,
                      [&, value = value](Manager& m) { m.SetGroupTriggerSeverity(name, value); });
        }
    }
}

} // namespace
