#pragma once
// The analyzer panel: the plot and every analyzer control, placed from the
// skin layout table on picture 2000.
//
// Each control sits in the panel's control container under its id; a value
// change turns into one configuration operation (or a command of the plot,
// the export or the imports), and the configuration's message brings every
// control back in step with SetValueSilently, so a change made elsewhere (a
// settings file, the host, another control) shows the same way as a click.
// Which frames show depends on the view: each element of the layout names
// the views it belongs to.
//
// The panel's value displays (FFT size, window, spectrogram gain and floor,
// the curve times) are text frames on the skin's wells; the step buttons
// beside them report on press.
//
// Threads: UI thread only.

#include "core/MessageSubscriber.h"
#include "core/TimerClient.h"
#include "editor/SkinLayout.h"
#include "gui/ControlContainer.h"
#include "gui/Frame.h"
#include "gui/GraphicControl.h"
#include "plugin/QVXGeneralSpecService.h"
#include "plugin/QuarvixService.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QVXAlarmManager;
class QVXSpecBandLevelAlarmFrame;
class QVXSpecConfig;
class QVXSpecPlotFrame;
class QVXViewSettingsImport;
class QVXZoomRangeFrame;
class RadioControlGroup;
class StaticTextPMFrame;

// The master alarm as a lamp: dark while the master alarm is not set off,
// else lit in the colour of the highest severity among the alarms it
// watches. A click acknowledges it: the master alarm, and with it every
// alarm it watches, is reset. It registers the master alarm (after the
// alarms it watches are registered by their panel).
class QVXMasterAlarmIndicator : public MultiStateButton,
                                public MessageSubscriber<QVXMasterAlarmIndicator>
{
public:
    QVXMasterAlarmIndicator(Frame* parent, const SkinLayout::Element& element, DrawContext* picture,
                            QVXAlarmManager* manager);
    ~QVXMasterAlarmIndicator() override;

    // The state shown for the master alarm as it stands.
    std::int32_t StateOfMaster() const;

protected:
    void OnTrackingBegan() override {}
    void OnTrackingEnded(bool inside) override;

private:
    void OnAlarmMessage(std::int32_t what);

    QVXAlarmManager* mManager = nullptr; // not owned; null once it is gone
};

class QuarvixSpecFrame : public PixMapDrawFrame,
                         public MessageSubscriber<QuarvixSpecFrame>,
                         public QuarvixServiceClient<QVXGeneralSpecService>,
                         public TimerClient<QuarvixSpecFrame>,
                         public ControlContainer
{
public:
    static constexpr std::int32_t kLampTimer = 0;
    static constexpr std::int32_t kLampTicks = 30;
    static constexpr std::int32_t kMinFftSize = 512;
    static constexpr std::int32_t kMaxFftSize = 8192;
    static constexpr std::int32_t kWindowCount = 4;

    // analyzerPicture: picture 2000 (background, buttons); headerPicture:
    // picture 1000 (the alarm value displays' backgrounds). Both are owned
    // by the caller and kept while the panel lives. At (x, y) in the parent,
    // the analyzer panel's size from the layout table.
    QuarvixSpecFrame(Frame* parent, std::int32_t x, std::int32_t y, DrawContext* analyzerPicture,
                     DrawContext* headerPicture, std::uint32_t flags = 0, std::int32_t id = 0);
    ~QuarvixSpecFrame() override;

    void OnControlValueChanged(std::int32_t id, MessageParam a, MessageParam b) override;

    QVXSpecPlotFrame* GetPlot() const { return mPlot; }
    QVXSpecBandLevelAlarmFrame* GetBandLevelPanel() const { return mBandLevel; }
    QVXViewSettingsImport& GetImport() const { return *mImport; }
    // The frame made for a layout element (by its name); null when none.
    Frame* GetElementFrame(std::string_view name) const;
    // The text a value display shows (by its layout name).
    std::string GetValueText(std::string_view name) const;

    // Brings every control and display in step with the configuration.
    void SyncControls();

private:
    void OnConfigMessage(std::int32_t what);
    void OnCoreMessage(std::int32_t what);
    void UpdateWeightingLamp();
    void UpdateVisibility();
    void SetControl(std::int32_t id, std::int32_t value);
    void SetText(std::string_view name, const std::string& text);
    void StepTime(std::int32_t id, std::int32_t direction);
    void ToggleMemory(std::int32_t slot, std::int32_t value);
    void Export();

    void BuildControls(DrawContext* analyzerPicture, DrawContext* headerPicture);
    PixMapButton* MakeButton(const SkinLayout::Element& element, DrawContext* picture);

    QVXSpecConfig* mConfig = nullptr; // not owned
    bool mMono = false;
    // Children: owned by the frame tree.
    QVXSpecPlotFrame* mPlot = nullptr;
    QVXZoomRangeFrame* mZoom = nullptr;
    QVXSpecBandLevelAlarmFrame* mBandLevel = nullptr;
    std::map<std::string_view, Frame*> mElementFrames;
    std::map<std::string_view, StaticTextPMFrame*> mTexts;
    // The radio groups, by id; the panel owns them (they are not frames).
    std::map<std::int32_t, std::unique_ptr<RadioControlGroup>> mRadios;
    std::unique_ptr<QVXViewSettingsImport> mImport;
};
