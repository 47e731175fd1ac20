#include "plugin/Quarvix.h"

#include "plugin/QVXGeneralSpecService.h"
#include "plugin/Quarvix3rdOctAnalysisService.h"
#include "plugin/QuarvixSpecService.h"
#include "plugin/CVLQuarvixMetaClass.h"
#include "core/ParameterDescriptor.h"
#include "model/QVXAlarmManager.h"
#include "serialization/Archive.h"

#include <algorithm>
#include <atomic>

QuarvixEditorCommon::QuarvixEditorCommon(PluginCore& core)
    : MessageSubscriber<QuarvixEditorCommon>(&core)
{
    Subscribe(core.GetMsgClass(QuarvixMessages::kEditorCommonClass), 0, &QuarvixEditorCommon::OnMessage);
}

Quarvix::Quarvix(PluginPlatform& platform, const ChannelConfig& channels)
    : PluginCore(platform, channels), mAlarmManager(std::make_unique<QVXAlarmManager>(this)),
      mSilence(static_cast<std::size_t>(GetMaxBlockSize()), 0.0f)
{
    // The general service first: the other two find the configuration
    // through it when they are given the core.
    mGeneralService = &static_cast<QVXGeneralSpecService&>(
        AttachService(std::make_unique<QVXGeneralSpecService>()));
    mSpecService = &static_cast<QuarvixSpecService&>(
        AttachService(std::make_unique<QuarvixSpecService>()));
    mThirdOctService = &static_cast<Quarvix3rdOctAnalysisService&>(
        AttachService(std::make_unique<Quarvix3rdOctAnalysisService>()));
    Publish(QuarvixMessages::kEditorCommonClass);
    mEditorCommon = std::make_unique<QuarvixEditorCommon>(*this);
}

Quarvix::~Quarvix()
{
    // The alarm manager first; the services go before the editor's subscriber
    // and the core that serves them.
    mAlarmManager.reset();
    mSilence.clear();
    mCaptureAgents.clear();
    mServices.clear();
    mGeneralService = nullptr;
    mSpecService = nullptr;
    mThirdOctService = nullptr;
    while (!mServiceSet.empty())
        mServiceSet.pop_back();
    mEditorCommon.reset();
}

QuarvixServiceBase& Quarvix::AttachService(std::unique_ptr<QuarvixServiceBase> service)
{
    QuarvixServiceBase& attached = *service;
    mServiceSet.push_back(std::move(service));
    mServices.push_back(&attached);
    Attach(attached);
    attached.SetCore(this);
    if (attached.ReceivesAudio())
        mCaptureAgents.push_back(&attached);
    return attached;
}

bool Quarvix::LoadDefaultSettings()
{
    return PluginCore::LoadDefaultSettings(kDefaultSettingsName);
}

void Quarvix::SaveSatellites(Serialization::Archive& archive)
{
    ObjectSerializerHub::SaveSatellites(archive);
    Serialization::ObjectWriteScope scope(archive, *mAlarmManager, kAlarmManagerKey);
    if (scope.IsNew())
        mAlarmManager->Save(archive);
}

void Quarvix::LoadSatellites(Serialization::Archive& archive)
{
    ObjectSerializerHub::LoadSatellites(archive);
    archive.BeginReadObject(kAlarmManagerKey, mAlarmManager->GetTypeName());
    mAlarmManager->Load(archive);
    archive.EndReadObject();
}

void Quarvix::ResetAnalysis()
{
    for (QuarvixServiceBase* service : mServices)
        service->ResetAnalysis();
}

void Quarvix::ProcessBlock(const float* const* inputs, float* const* outputs, std::int32_t frames,
                           BypassState state) noexcept
{
    PassThrough(inputs, outputs, frames);
    if (state == BypassState::Bypassed)
        return;
    const std::int32_t inputCount = GetChannelConfig().inputs;
    if (inputCount <= 0)
        return;
    // A mono instance analyses its channel against silence.
    const float* first = inputs[0] ? inputs[0] : mSilence.data();
    const float* second = inputCount >= 2 && inputs[1] ? inputs[1] : mSilence.data();
    const CaptureChannels channels{first, second};
    for (QuarvixServiceBase* agent : mCaptureAgents)
        agent->Capture(channels, frames);
}

namespace
{
std::atomic<const Quarvix::EditorFactory*> gEditorFactory{nullptr};
}

void Quarvix::InstallEditorFactory(const EditorFactory* factory) noexcept
{
    gEditorFactory.store(factory, std::memory_order_release);
}

Frame* Quarvix::CreateEditorFrame(PluginUIRoot& root)
{
    const EditorFactory* factory = gEditorFactory.load(std::memory_order_acquire);
    return factory && factory->createEditor ? factory->createEditor(*this, root) : nullptr;
}

Frame* Quarvix::CreateAboutFrame(PluginUIRoot& root, Frame* parent)
{
    const EditorFactory* factory = gEditorFactory.load(std::memory_order_acquire);
    return factory && factory->createAbout ? factory->createAbout(*this, root, parent) : nullptr;
}

void Quarvix::GetEditorSize(std::int32_t& width, std::int32_t& height) const
{
    const EditorFactory* factory = gEditorFactory.load(std::memory_order_acquire);
    if (factory && factory->editorSize)
        factory->editorSize(*this, width, height);
    else
        PluginCore::GetEditorSize(width, height);
}

void Quarvix::OnSampleRateChanged(float)
{
    ApplyStreamFormat();
}

void Quarvix::OnMaxBlockSizeChanged(std::int32_t)
{
    ApplyStreamFormat();
}

void Quarvix::ApplyStreamFormat()
{
    mSilence.assign(static_cast<std::size_t>(GetMaxBlockSize()), 0.0f);
    // The services always analyse two channels, also for a mono instance.
    for (QuarvixServiceBase* service : mServices)
        service->SetStreamFormat(GetSampleRate(), GetMaxBlockSize(), 2);
}

float Quarvix::GetParameter(const ParameterDescriptor&) const
{
    return 0.0f;
}

void Quarvix::OnParameterChanged(const ParameterDescriptor& descriptor, float value)
{
    // The analyzer keeps no state in host parameters; 'rest' (Reset) clears
    // the master alarm and with it the alarms it watches.
    if (descriptor.GetId() == QuarvixIdentity::kResetParameterId && value != 0.0f)
        mAlarmManager->ResetAlarm(QVXAlarmManager::kMasterAlarm);
}
