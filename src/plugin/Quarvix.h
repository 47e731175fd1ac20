#pragma once
// The analyzer's plug-in object. On top of the framework core it owns the
// analysis services, hands every processed block to those that receive audio
// (the capture agents), and keeps the silence that stands in for the second
// channel of a mono instance.
//
// Threads: ProcessBlock (through PluginCore::Process) on the real-time
// thread; services are attached and reconfigured on the UI thread, never
// while a block is being processed.

#include "plugin/QuarvixServiceBase.h"
#include "core/MessageSubscriber.h"
#include "core/PluginCore.h"
#include "serialization/ObjectSerializerHub.h"

#include <memory>
#include <vector>

namespace QuarvixMessages
{
// The plug-in object's own message class, shared by its editors.
inline constexpr std::int32_t kEditorCommonClass = FourCCValue("pbAc");
} // namespace QuarvixMessages

// Subscribed to the plug-in object's own class for the editors' common
// concerns; it has nothing to do with the messages yet.
class QuarvixEditorCommon : public MessageSubscriber<QuarvixEditorCommon>
{
public:
    explicit QuarvixEditorCommon(PluginCore& core);

private:
    void OnMessage(std::int32_t) {}
};

class QVXAlarmManager;
class QVXGeneralSpecService;
class QuarvixSpecService;
class Quarvix3rdOctAnalysisService;

class Quarvix : public PluginCore, public Serialization::ObjectSerializerHub
{
public:
    Quarvix(PluginPlatform& platform, const ChannelConfig& channels);
    ~Quarvix() override;

    void ResetAnalysis() override;

    // The editor is built by the layers above this one: a module that has an
    // editor installs its factory once, before hosts ask for windows. Without
    // one the plug-in has no editor (CreateEditorFrame gives null).
    struct EditorFactory
    {
        Frame* (*createEditor)(Quarvix& plugin, PluginUIRoot& root) = nullptr;
        Frame* (*createAbout)(Quarvix& plugin, PluginUIRoot& root, Frame* parent) = nullptr;
        void (*editorSize)(const Quarvix& plugin, std::int32_t& width, std::int32_t& height) = nullptr;
    };
    static void InstallEditorFactory(const EditorFactory* factory) noexcept;
    Frame* CreateEditorFrame(PluginUIRoot& root) override;
    Frame* CreateAboutFrame(PluginUIRoot& root, Frame* parent) override;
    void GetEditorSize(std::int32_t& width, std::int32_t& height) const override;

    // The analyzer's state lives in its settings, not in host parameters.
    float GetParameter(const ParameterDescriptor& descriptor) const override;

    // Takes ownership of a service, attaches it to the settings hub, gives it
    // the core, and puts it in the capture list when it receives audio.
    // Services keep the order in which they are attached; the constructor
    // attaches the general, spectrum and third-octave services in that order.
    QuarvixServiceBase& AttachService(std::unique_ptr<QuarvixServiceBase> service);
    QVXAlarmManager& GetAlarmManager() const { return *mAlarmManager; }
    QVXGeneralSpecService& GetGeneralService() const { return *mGeneralService; }
    QuarvixSpecService& GetSpecService() const { return *mSpecService; }
    Quarvix3rdOctAnalysisService& Get3rdOctService() const { return *mThirdOctService; }
    const std::vector<QuarvixServiceBase*>& GetServices() const { return mServices; }
    const std::vector<QuarvixServiceBase*>& GetCaptureAgents() const { return mCaptureAgents; }
    const std::vector<float>& GetSilenceBuffer() const { return mSilence; }

    // The alarm manager's object in the settings.
    static constexpr const char* kAlarmManagerKey = "QVXAlarmManager";
    // The name default settings are stored under.
    static constexpr const char* kDefaultSettingsName = "QVX Spectrum Analyzer";
    // Loads the default settings stored for this product, if there are any.
    bool LoadDefaultSettings();
    using PluginCore::LoadDefaultSettings;

protected:
    void SaveSatellites(Serialization::Archive& archive) override;
    void LoadSatellites(Serialization::Archive& archive) override;
    void ProcessBlock(const float* const* inputs, float* const* outputs, std::int32_t frames,
                      BypassState state) noexcept override;
    void OnSampleRateChanged(float rate) override;
    void OnMaxBlockSizeChanged(std::int32_t frames) override;
    void OnParameterChanged(const ParameterDescriptor& descriptor, float value) override;

private:
    void ApplyStreamFormat();

    std::unique_ptr<QVXAlarmManager> mAlarmManager;
    std::vector<std::unique_ptr<QuarvixServiceBase>> mServiceSet;
    QVXGeneralSpecService* mGeneralService = nullptr;
    QuarvixSpecService* mSpecService = nullptr;
    Quarvix3rdOctAnalysisService* mThirdOctService = nullptr;
    std::vector<QuarvixServiceBase*> mServices;
    std::vector<QuarvixServiceBase*> mCaptureAgents;
    std::vector<float> mSilence;
    std::unique_ptr<QuarvixEditorCommon> mEditorCommon;
};
