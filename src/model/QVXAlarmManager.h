#pragma once
// The alarm manager: named measured values watched against thresholds.
//
// Each alarm has a comparison rule, a threshold the user moves within limits,
// a severity and an active flag. An alarm latches: its stored value is the
// most extreme value posted since the last reset, so once triggered it stays
// triggered until it is reset. A group alarm has no value of its own; it is
// evaluated from the states and severities of its members (groups of groups
// work the same way).
//
// Every change is announced on two message classes of this publisher:
// 'almM' (state) and 'aEvl' (values). Every message has p1 = 0 and p2 = the
// address of the alarm record concerned (RecordFromMessage turns it back).
// Records live in a node-based map and are never removed, so an address stays
// valid for the manager's lifetime.
//
// Thresholds, severities and group trigger severities are archived. Settings
// read for alarms that are not registered yet wait in the pending map and are
// applied when the alarm registers.
//
// Threads: UI thread only. Nothing here is real-time safe (allocates, sends
// messages whose handlers may throw).

#include "base/FourCC.h"
#include "core/MessagePublisher.h"
#include "serialization/Serializable.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class PluginCore;

namespace Serialization
{
class Archive;
}

namespace QVXAlarmMessages
{
// Alarm state class and its codes.
inline constexpr std::int32_t kStateClass = FourCCValue("almM");
inline constexpr std::int32_t kActivated = FourCCValue("acti");
inline constexpr std::int32_t kDeactivated = FourCCValue("deac");
inline constexpr std::int32_t kTriggered = FourCCValue("trig");
inline constexpr std::int32_t kCleared = FourCCValue("clrA");
inline constexpr std::int32_t kSeverityChanged = FourCCValue("asev");
inline constexpr std::int32_t kThresholdChanged = FourCCValue("aTHc");
inline constexpr std::int32_t kGroupTriggerSeverityChanged = FourCCValue("gtsc");
// Alarm value class and its one code.
inline constexpr std::int32_t kValueClass = FourCCValue("aEvl");
inline constexpr std::int32_t kNewValue = FourCCValue("nval");
} // namespace QVXAlarmMessages

class QVXAlarmManager : public MessagePublisher, public Serialization::Serializable
{
public:
    // Comparison modes: value against reference.
    static constexpr std::int32_t kGreaterOrEqual = 0;
    static constexpr std::int32_t kGreater = 1;
    static constexpr std::int32_t kLessOrEqual = 2;
    static constexpr std::int32_t kLess = 3;
    // Group mode 1 triggers when any counted member is triggered; every other
    // mode needs all counted members triggered.
    static constexpr std::int32_t kGroupAny = 1;
    // Members of this severity are only counted by groups whose trigger
    // severity is exactly this value.
    static constexpr std::int32_t kSpecialSeverity = 4;

    static constexpr std::string_view kBandLevelAlarmL = "spectrum.band_level.L";
    static constexpr std::string_view kBandLevelAlarmR = "spectrum.band_level.R";
    static constexpr std::string_view kMasterAlarm = "global.master_alarm";

    // What the registering owner gives.
    struct AlarmDescriptor
    {
        float mThresholdMin = 0.0f;
        float mThresholdMax = 0.0f;
        float mThreshold = 0.0f;
        std::int32_t mCompareMode = kGreaterOrEqual;
        bool mCompareMagnitudes = false;
        std::int32_t mInitialSeverity = 0;
        float mResetValue = 0.0f;              // the value a reset returns to
        std::vector<std::string> mMemberNames; // non-empty for a group
        std::int32_t mGroupMode = 0;
        std::int32_t mGroupTriggerSeverity = 0;
    };

    // One registered alarm. Read-only outside the manager.
    struct AlarmRecord
    {
        std::string mName;
        AlarmDescriptor mDescriptor;
        std::int32_t mSeverity = 0;
        bool mTriggered = false;
        bool mActive = true;
        float mValue = 0.0f; // latched value
        std::int32_t mHighestMemberSeverity = 0; // groups only
    };

    // The archived settings of one alarm.
    class PersistentAlarmInfo : public Serialization::Serializable
    {
    public:
        PersistentAlarmInfo() = default;
        explicit PersistentAlarmInfo(const AlarmRecord& alarm);

        std::string_view GetTypeName() const override { return "PersistentAlarmInfo"; }
        void Save(Serialization::Archive& archive) override;
        // A missing name reads as "invalid"; other missing keys keep the
        // current fields.
        void Load(Serialization::Archive& archive) override;

        std::string mName;
        float mThreshold = 0.0f;
        std::int32_t mSeverity = 0;
        std::int32_t mGroupTriggerSeverity = 0;
    };

    using PendingMap = std::map<std::string, PersistentAlarmInfo, std::less<>>;

    // The band-level alarm of one channel: levels in dB, threshold -10 within
    // -90 .. 0, triggered above the threshold, -200 when reset.
    static AlarmDescriptor BandLevelAlarmDescriptor();
    // The master alarm: any of both band-level alarms at severity 1 or more.
    static AlarmDescriptor MasterAlarmDescriptor();

    // test(v, mode, magnitudes, t) of the comparison rules; unknown modes are
    // never true.
    static bool Test(float value, std::int32_t mode, bool magnitudes, float reference) noexcept;
    // The record a message's p2 carries (null for p2 = 0).
    static const AlarmRecord* RecordFromMessage(MessageParam p2) noexcept
    {
        return reinterpret_cast<const AlarmRecord*>(p2);
    }

    // Publishes 'almM' and 'aEvl'. Registers nothing.
    explicit QVXAlarmManager(PluginCore* core);
    ~QVXAlarmManager() override;

    // Registers the three alarms of the analyzer: both band-level alarms,
    // then the master alarm over them.
    void RegisterStandardAlarms();

    // A new alarm, with any pending settings of that name applied. A name
    // already registered keeps its record and state; it is only re-activated
    // ('acti' when it was inactive). Groups get mode 0, threshold limits and
    // threshold 1, reset value and value 0.
    const AlarmRecord& RegisterAlarm(std::string_view name, const AlarmDescriptor& descriptor);

    // Unknown names: GetAlarm returns null, IsGroup false, everything else
    // does nothing.
    const AlarmRecord* GetAlarm(std::string_view name) const;
    bool IsGroup(std::string_view name) const;

    // Ignored for inactive alarms, and (unless forced) for values that do not
    // pass the comparison against the stored value. Sends 'nval', then 'trig'
    // or 'clrA' when the state changed or alwaysNotify is set.
    void PostValue(std::string_view name, float value, bool force = false, bool alwaysNotify = false);
    // An active ordinary alarm returns to its reset value and clears; a group
    // resets its members.
    void ResetAlarm(std::string_view name);
    // Turning a triggered alarm off resets it first.
    void SetActive(std::string_view name, bool active);
    void SetSeverity(std::string_view name, std::int32_t severity);
    // Clamped to the alarm's limits; NaN is ignored.
    void SetThreshold(std::string_view name, float threshold);
    // Groups only.
    void SetGroupTriggerSeverity(std::string_view name, std::int32_t severity);

    // The alarms of a settings import: only those in `names` are applied, and
    // a stored severity of 4 is applied as `replacementSeverity`. The archive
    // may stand at the alarm list itself or at the scope that holds the
    // "QVXAlarmManager" object. The pending map is kept.
    void ImportAlarms(Serialization::Archive& archive, const std::vector<std::string>& names,
                      std::int32_t replacementSeverity);

    // Serializable: "alarm_count" and one PersistentAlarmInfo per alarm, in
    // name order, named "0", "1", ... Reading replaces the pending map.
    std::string_view GetTypeName() const override { return "QVXAlarmManager"; }
    void Save(Serialization::Archive& archive) override;
    void Load(Serialization::Archive& archive) override;

    const PendingMap& GetPendingAlarms() const noexcept { return mPendingAlarms; }
    // Names of the registered groups, in registration order.
    const std::vector<std::string>& GetGroupList() const noexcept { return mGroupList; }
    PluginCore* GetCore() const noexcept { return mCore; }

private:
    AlarmRecord* FindAlarm(std::string_view name);
    static bool IsGroup(const AlarmRecord& alarm) noexcept { return !alarm.mDescriptor.mMemberNames.empty(); }

    void PostValue(AlarmRecord& alarm, float value, bool force, bool alwaysNotify);
    void ResetAlarm(AlarmRecord& alarm);
    void SetSeverity(AlarmRecord& alarm, std::int32_t severity);
    void SetThreshold(AlarmRecord& alarm, float threshold);
    void SetGroupTriggerSeverity(AlarmRecord& alarm, std::int32_t severity);
    void ReEvaluateGroups(const AlarmRecord& changed);
    void EvaluateGroup(AlarmRecord& group);

    // Reads the numbered alarm objects of the current scope.
    void ReadAlarms(Serialization::Archive& archive, const std::vector<std::string>* names,
                    std::optional<std::int32_t> replacementSeverity);
    void ApplyInfo(const PersistentAlarmInfo& info);

    void SendState(std::int32_t what, const AlarmRecord& alarm);
    void SendValue(const AlarmRecord& alarm);

    std::map<std::string, AlarmRecord, std::less<>> mAlarms;
    PendingMap mPendingAlarms;
    std::vector<std::string> mGroupList;
    PluginCore* mCore;
    // Groups being evaluated or reset: a group that lists itself, directly or
    // through other groups, would otherwise recurse without end.
    std::vector<const AlarmRecord*> mEvaluatingGroups;
    std::vector<const AlarmRecord*> mResettingGroups;
};
