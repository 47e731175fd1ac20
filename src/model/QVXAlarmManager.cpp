#include "model/QVXAlarmManager.h"

#include "core/PluginCore.h"
#include "model/QVXSpecConfigArchive.h"
#include "serialization/Archive.h"
#include "serialization/XMLArchive.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
namespace M = QVXAlarmMessages;

constexpr std::string_view kCountKey = "alarm_count";

// Never undefined, even for limits given the wrong way round.
float ClampThreshold(float value, const QVXAlarmManager::AlarmDescriptor& descriptor) noexcept
{
    return std::min(std::max(value, descriptor.mThresholdMin), descriptor.mThresholdMax);
}

// Whether a name read from settings can be saved again as it is. The archive
// refuses strings holding its markup characters, so one such pending name
// would make every later save fail; and a control character (a NUL above
// all, which ends the settings text) would not come back from the text the same.
bool IsStorableName(std::string_view name) noexcept
{
    const bool control = std::any_of(name.begin(), name.end(), [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return code < 0x20 || code == 0x7F;
    });
    return !control && Serialization::XMLArchive::IsWritableString(name);
}

bool Contains(const std::vector<std::string>& names, std::string_view name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Marks a group as busy for as long as the scope lives; Busy() says whether it
// already was, in which case nothing is marked.
class BusyScope
{
public:
    BusyScope(std::vector<const QVXAlarmManager::AlarmRecord*>& list, const QVXAlarmManager::AlarmRecord& group)
        : mList(list), mGroup(&group), mBusy(std::find(list.begin(), list.end(), &group) != list.end())
    {
        if (!mBusy)
            mList.push_back(mGroup);
    }
    ~BusyScope()
    {
        if (!mBusy)
            mList.erase(std::find(mList.begin(), mList.end(), mGroup));
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

    bool Busy() const noexcept { return mBusy; }

private:
    std::vector<const QVXAlarmManager::AlarmRecord*>& mList;
    const QVXAlarmManager::AlarmRecord* mGroup;
    bool mBusy;
};
} // namespace

// --- PersistentAlarmInfo ---------------------------------------------------------

QVXAlarmManager::PersistentAlarmInfo::PersistentAlarmInfo(const AlarmRecord& alarm)
    : mName(alarm.mName),
      mThreshold(alarm.mDescriptor.mThreshold),
      mSeverity(alarm.mSeverity),
      mGroupTriggerSeverity(alarm.mDescriptor.mGroupTriggerSeverity)
{
}

void QVXAlarmManager::PersistentAlarmInfo::Save(Serialization::Archive& archive)
{
    archive.WriteString("uai", mName);
    archive.WriteDouble("th", mThreshold);
    archive.WriteInt("severity", mSeverity);
    archive.WriteInt("groupTriggerSeverity", mGroupTriggerSeverity);
}

void QVXAlarmManager::PersistentAlarmInfo::Load(Serialization::Archive& archive)
{
    mName = archive.ReadString("uai", "invalid");
    // A threshold beyond the float range is kept as the largest float of its
    // sign (converting it as it is would be undefined), which the alarm's
    // limits then clamp as they clamp an infinity. NaN stays NaN: the setter
    // and the registration of a pending alarm both ignore it.
    constexpr double kLargest = std::numeric_limits<float>::max();
    mThreshold = static_cast<float>(std::clamp(archive.ReadDouble("th", mThreshold), -kLargest, kLargest));
    mSeverity = archive.ReadInt("severity", mSeverity);
    mGroupTriggerSeverity = archive.ReadInt("groupTriggerSeverity", mGroupTriggerSeverity);
}

// --- descriptors and the comparison ----------------------------------------------

QVXAlarmManager::AlarmDescriptor QVXAlarmManager::BandLevelAlarmDescriptor()
{
    AlarmDescriptor descriptor;
    descriptor.mThresholdMin = -90.0f;
    descriptor.mThresholdMax = 0.0f;
    descriptor.mThreshold = -10.0f;
    descriptor.mCompareMode = kGreater;
    descriptor.mCompareMagnitudes = false;
    descriptor.mInitialSeverity = 0;
    descriptor.mResetValue = -200.0f;
    descriptor.mGroupMode = 0;
    descriptor.mGroupTriggerSeverity = kSpecialSeverity;
    return descriptor;
}

QVXAlarmManager::AlarmDescriptor QVXAlarmManager::MasterAlarmDescriptor()
{
    AlarmDescriptor descriptor;
    // Limits, threshold, mode and reset value are fixed for every group at
    // registration.
    descriptor.mCompareMagnitudes = false;
    descriptor.mInitialSeverity = 3;
    descriptor.mMemberNames = {std::string(kBandLevelAlarmL), std::string(kBandLevelAlarmR)};
    descriptor.mGroupMode = kGroupAny;
    descriptor.mGroupTriggerSeverity = 1;
    return descriptor;
}

bool QVXAlarmManager::Test(float value, std::int32_t mode, bool magnitudes, float reference) noexcept
{
    if (magnitudes)
    {
        value = std::fabs(value);
        reference = std::fabs(reference);
    }
    switch (mode)
    {
    case kGreaterOrEqual:
        return value >= reference;
    case kGreater:
        return value > reference;
    case kLessOrEqual:
        return value <= reference;
    case kLess:
        return value < reference;
    default:
        return false;
    }
}

// --- construction and registration -----------------------------------------------

QVXAlarmManager::QVXAlarmManager(PluginCore* core) : MessagePublisher(core), mCore(core)
{
    Publish(M::kStateClass);
    Publish(M::kValueClass);
}

QVXAlarmManager::~QVXAlarmManager() = default;

void QVXAlarmManager::RegisterStandardAlarms()
{
    RegisterAlarm(kBandLevelAlarmL, BandLevelAlarmDescriptor());
    RegisterAlarm(kBandLevelAlarmR, BandLevelAlarmDescriptor());
    RegisterAlarm(kMasterAlarm, MasterAlarmDescriptor());
}

const QVXAlarmManager::AlarmRecord& QVXAlarmManager::RegisterAlarm(std::string_view name,
                                                                   const AlarmDescriptor& descriptor)
{
    if (AlarmRecord* existing = FindAlarm(name))
    {
        if (!existing->mActive)
        {
            existing->mActive = true;
            SendState(M::kActivated, *existing);
        }
        return *existing;
    }

    AlarmRecord record;
    record.mName = std::string(name);
    record.mDescriptor = descriptor;
    record.mDescriptor.mThreshold = ClampThreshold(descriptor.mThreshold, descriptor);
    record.mSeverity = descriptor.mInitialSeverity;
    record.mTriggered = false;
    record.mActive = true;
    record.mValue = descriptor.mResetValue;
    record.mHighestMemberSeverity = 0;

    const auto pending = mPendingAlarms.find(name);
    if (pending != mPendingAlarms.end())
    {
        // Stored settings obey the same limits as the setter.
        if (!std::isnan(pending->second.mThreshold))
            record.mDescriptor.mThreshold = ClampThreshold(pending->second.mThreshold, descriptor);
        record.mSeverity = pending->second.mSeverity;
        record.mDescriptor.mGroupTriggerSeverity = pending->second.mGroupTriggerSeverity;
    }

    const bool group = IsGroup(record);
    if (group)
    {
        auto& d = record.mDescriptor;
        d.mCompareMode = kGreaterOrEqual;
        d.mThresholdMin = d.mThresholdMax = d.mThreshold = 1.0f;
        d.mResetValue = 0.0f;
        record.mValue = 0.0f;
    }

    if (group)
        mGroupList.reserve(mGroupList.size() + 1);
    std::string key = record.mName;
    AlarmRecord& stored = mAlarms.emplace(std::move(key), std::move(record)).first->second;
    if (pending != mPendingAlarms.end())
        mPendingAlarms.erase(pending);
    if (group)
        mGroupList.push_back(stored.mName);
    return stored;
}

// --- accessors ---------------------------------------------------------------------

QVXAlarmManager::AlarmRecord* QVXAlarmManager::FindAlarm(std::string_view name)
{
    const auto it = mAlarms.find(name);
    return it == mAlarms.end() ? nullptr : &it->second;
}

const QVXAlarmManager::AlarmRecord* QVXAlarmManager::GetAlarm(std::string_view name) const
{
    const auto it = mAlarms.find(name);
    return it == mAlarms.end() ? nullptr : &it->second;
}

bool QVXAlarmManager::IsGroup(std::string_view name) const
{
    const AlarmRecord* alarm = GetAlarm(name);
    return alarm && IsGroup(*alarm);
}

// --- messages ------------------------------------------------------------------------

void QVXAlarmManager::SendState(std::int32_t what, const AlarmRecord& alarm)
{
    Send(M::kStateClass, what, 0, reinterpret_cast<MessageParam>(&alarm));
}

void QVXAlarmManager::SendValue(const AlarmRecord& alarm)
{
    Send(M::kValueClass, M::kNewValue, 0, reinterpret_cast<MessageParam>(&alarm));
}

// --- values and state ----------------------------------------------------------------

void QVXAlarmManager::PostValue(std::string_view name, float value, bool force, bool alwaysNotify)
{
    if (AlarmRecord* alarm = FindAlarm(name))
        PostValue(*alarm, value, force, alwaysNotify);
}

void QVXAlarmManager::PostValue(AlarmRecord& alarm, float value, bool force, bool alwaysNotify)
{
    if (!alarm.mActive)
        return;
    const AlarmDescriptor& d = alarm.mDescriptor;
    // The stored value is the extreme since the last reset: only a value
    // beyond it in the direction of the comparison replaces it.
    if (!force && !Test(value, d.mCompareMode, d.mCompareMagnitudes, alarm.mValue))
        return;
    const bool wasTriggered = alarm.mTriggered;
    alarm.mValue = value;
    alarm.mTriggered = Test(value, d.mCompareMode, d.mCompareMagnitudes, d.mThreshold);
    const bool changed = alarm.mTriggered != wasTriggered;
    SendValue(alarm);
    if (changed || alwaysNotify)
    {
        SendState(alarm.mTriggered ? M::kTriggered : M::kCleared, alarm);
        ReEvaluateGroups(alarm);
    }
}

void QVXAlarmManager::ResetAlarm(std::string_view name)
{
    if (AlarmRecord* alarm = FindAlarm(name))
        ResetAlarm(*alarm);
}

void QVXAlarmManager::ResetAlarm(AlarmRecord& alarm)
{
    if (!alarm.mActive)
        return;
    if (IsGroup(alarm))
    {
        const BusyScope scope(mResettingGroups, alarm);
        if (scope.Busy())
            return;
        // Resetting the members clears the group through its evaluation.
        for (const std::string& member : alarm.mDescriptor.mMemberNames)
            ResetAlarm(std::string_view(member));
        return;
    }
    alarm.mTriggered = false;
    alarm.mValue = alarm.mDescriptor.mResetValue;
    SendState(M::kCleared, alarm);
    SendValue(alarm);
    ReEvaluateGroups(alarm);
}

void QVXAlarmManager::SetActive(std::string_view name, bool active)
{
    AlarmRecord* alarm = FindAlarm(name);
    if (!alarm || alarm->mActive == active)
        return;
    if (!active && alarm->mTriggered)
        ResetAlarm(*alarm);
    alarm->mActive = active;
    SendState(active ? M::kActivated : M::kDeactivated, *alarm);
}

void QVXAlarmManager::SetSeverity(std::string_view name, std::int32_t severity)
{
    if (AlarmRecord* alarm = FindAlarm(name))
        SetSeverity(*alarm, severity);
}

void QVXAlarmManager::SetSeverity(AlarmRecord& alarm, std::int32_t severity)
{
    alarm.mSeverity = severity;
    SendState(M::kSeverityChanged, alarm);
    // Displays of a triggered alarm show it by severity.
    if (alarm.mTriggered)
        SendState(M::kTriggered, alarm);
    ReEvaluateGroups(alarm);
}

void QVXAlarmManager::SetThreshold(std::string_view name, float threshold)
{
    if (AlarmRecord* alarm = FindAlarm(name))
        SetThreshold(*alarm, threshold);
}

void QVXAlarmManager::SetThreshold(AlarmRecord& alarm, float threshold)
{
    // A NaN would make every comparison false and slip through the clamp.
    if (std::isnan(threshold))
        return;
    AlarmDescriptor& d = alarm.mDescriptor;
    d.mThreshold = ClampThreshold(threshold, d);
    SendState(M::kThresholdChanged, alarm);
    if (!alarm.mActive)
        return;
    const bool wasTriggered = alarm.mTriggered;
    alarm.mTriggered = Test(alarm.mValue, d.mCompareMode, d.mCompareMagnitudes, d.mThreshold);
    const bool changed = alarm.mTriggered != wasTriggered;
    SendValue(alarm);
    if (changed)
    {
        SendState(alarm.mTriggered ? M::kTriggered : M::kCleared, alarm);
        ReEvaluateGroups(alarm);
    }
}

void QVXAlarmManager::SetGroupTriggerSeverity(std::string_view name, std::int32_t severity)
{
    AlarmRecord* alarm = FindAlarm(name);
    if (alarm && IsGroup(*alarm))
        SetGroupTriggerSeverity(*alarm, severity);
}

void QVXAlarmManager::SetGroupTriggerSeverity(AlarmRecord& alarm, std::int32_t severity)
{
    alarm.mDescriptor.mGroupTriggerSeverity = severity;
    SendState(M::kGroupTriggerSeverityChanged, alarm);
    EvaluateGroup(alarm);
}

// --- groups ----------------------------------------------------------------------------

void QVXAlarmManager::ReEvaluateGroups(const AlarmRecord& changed)
{
    // By index: a handler may register a group while we walk the list.
    for (std::size_t i = 0; i < mGroupList.size(); ++i)
    {
        AlarmRecord* group = FindAlarm(mGroupList[i]);
        if (group && Contains(group->mDescriptor.mMemberNames, changed.mName))
            EvaluateGroup(*group);
    }
}

void QVXAlarmManager::EvaluateGroup(AlarmRecord& group)
{
    const BusyScope scope(mEvaluatingGroups, group);
    if (scope.Busy())
        return;

    const std::int32_t previousHighest = group.mHighestMemberSeverity;
    group.mHighestMemberSeverity = 0;
    const std::int32_t triggerSeverity = group.mDescriptor.mGroupTriggerSeverity;
    std::int32_t counted = 0;
    std::int32_t triggered = 0;
    if (triggerSeverity != 0)
    {
        for (const std::string& name : group.mDescriptor.mMemberNames)
        {
            const AlarmRecord* member = FindAlarm(name);
            if (!member)
                continue;
            const std::int32_t severity = member->mSeverity;
            if (severity == kSpecialSeverity)
            {
                // Only a group that asks for exactly this severity counts it,
                // and it never raises the group's highest severity.
                if (triggerSeverity != kSpecialSeverity)
                    continue;
                ++counted;
                if (member->mTriggered)
                    ++triggered;
                continue;
            }
            if (severity < triggerSeverity)
                continue;
            ++counted;
            if (member->mTriggered)
            {
                ++triggered;
                group.mHighestMemberSeverity = std::max(group.mHighestMemberSeverity, severity);
            }
        }
    }
    const bool on = group.mDescriptor.mGroupMode == kGroupAny ? triggered > 0
                                                              : counted > 0 && triggered == counted;
    PostValue(group, on ? 1.0f : 0.0f, true, group.mHighestMemberSeverity != previousHighest);
}

// --- archive ---------------------------------------------------------------------------

void QVXAlarmManager::Save(Serialization::Archive& archive)
{
    // Settings still waiting for their alarm are written too: a project saved
    // before the editor was ever opened must not lose them.
    PendingMap infos;
    for (const auto& [name, alarm] : mAlarms)
        infos.emplace(name, PersistentAlarmInfo(alarm));
    for (const auto& [name, info] : mPendingAlarms)
        if (!name.empty())
            infos.emplace(name, info);

    archive.WriteInt(kCountKey, static_cast<std::int32_t>(infos.size()));
    std::int32_t index = 0;
    for (auto& entry : infos)
        QVXWriteObject(archive, entry.second, std::to_string(index++));
}

void QVXAlarmManager::Load(Serialization::Archive& archive)
{
    mPendingAlarms.clear();
    ReadAlarms(archive, nullptr, std::nullopt);
}

void QVXAlarmManager::ImportAlarms(Serialization::Archive& archive, const std::vector<std::string>& names,
                                   std::int32_t replacementSeverity)
{
    if (!archive.HasNode(kCountKey) && archive.HasNode("QVXAlarmManager"))
    {
        QVXReadObjectScope scope(archive, "QVXAlarmManager", GetTypeName());
        ReadAlarms(archive, &names, replacementSeverity);
        return;
    }
    ReadAlarms(archive, &names, replacementSeverity);
}

void QVXAlarmManager::ReadAlarms(Serialization::Archive& archive, const std::vector<std::string>* names,
                                 std::optional<std::int32_t> replacementSeverity)
{
    const std::int32_t count = archive.ReadInt(kCountKey, 0);
    for (std::int32_t index = 0; index < count; ++index)
    {
        const std::string key = std::to_string(index);
        // The list is written without gaps; an overstated count in a damaged
        // or hostile text must not keep us looking for millions of objects.
        if (!archive.HasNode(key))
            break;
        PersistentAlarmInfo info;
        {
            QVXReadObjectScope scope(archive, key, info.GetTypeName());
            // Keys missing from the object keep the alarm's current settings.
            if (const AlarmRecord* alarm = GetAlarm(archive.ReadString("uai", "invalid")))
                info = PersistentAlarmInfo(*alarm);
            info.Load(archive);
        }
        if (names && !Contains(*names, info.mName))
            continue;
        // Refused like any other unusable value: the rest of the list still loads.
        if (!IsStorableName(info.mName))
            continue;
        if (replacementSeverity && info.mSeverity == kSpecialSeverity)
            info.mSeverity = *replacementSeverity;
        ApplyInfo(info);
    }
}

void QVXAlarmManager::ApplyInfo(const PersistentAlarmInfo& info)
{
    AlarmRecord* alarm = FindAlarm(info.mName);
    if (!alarm)
    {
        mPendingAlarms.insert_or_assign(info.mName, info);
        return;
    }
    SetSeverity(*alarm, info.mSeverity);
    SetThreshold(*alarm, info.mThreshold);
    if (IsGroup(*alarm))
        SetGroupTriggerSeverity(*alarm, info.mGroupTriggerSeverity);
}
