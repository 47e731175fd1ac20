#pragma once
// The general analysis service: it receives no audio and holds the analyzer's
// configuration, which it creates for the core it is given and stores as the
// object "QVXSpecConfig" inside its own object "QVXGeneralSpecService".
//
// Threads: UI thread only; its Capture does nothing and is real-time safe.

#include "plugin/QuarvixService.h"
#include "model/QVXSpecConfig.h"
#include "serialization/Serializable.h"

#include <memory>
#include <string>

class QVXSpecConfig;

class QVXGeneralSpecService
    : public QuarvixService<QVXGeneralSpecService, 0, QuarvixServiceClient<QVXGeneralSpecService>>,
      public Serialization::Serializable
{
public:
    QVXGeneralSpecService();
    ~QVXGeneralSpecService() override;

    // Both the satellite's and the storable object's archive operations:
    // the service writes itself as a whole, named object.
    void Save(Serialization::Archive& archive) override;
    void Load(Serialization::Archive& archive) override;
    std::string_view GetTypeName() const override { return "QVXGeneralSpecService"; }

    // Replaces the configuration with a new one for this core.
    void SetCore(PluginCore* core) override;
    void SetStreamFormat(float, std::int32_t, std::int32_t) override {}
    void ResetAnalysis() override {}
    void Capture(const CaptureChannels&, std::int32_t) noexcept override {}
    std::string GetServiceName() const override { return "QVXGeneralSpecService"; }

    // Null until SetCore has run.
    QVXSpecConfig* GetSpecConfig() const noexcept { return mSpecConfig.get(); }

private:
    std::unique_ptr<QVXSpecConfig> mSpecConfig;
};

// The configuration the analysis services follow: the one the core's general
// service holds, or null.
QVXSpecConfig* FindSpecConfig(PluginCore* core);

// Makes a service's message proxy anew for a core and subscribes it to the
// configuration's class. Returns the configuration, or null when the core has
// none (the proxy then hears nothing).
template <class Proxy, class Service>
QVXSpecConfig* ConnectConfigProxy(PluginCore* core, Service* service, std::unique_ptr<Proxy>& proxy)
{
    proxy.reset();
    if (!core)
        return nullptr;
    proxy = std::make_unique<Proxy>(core, service);
    QVXSpecConfig* config = FindSpecConfig(core);
    if (config)
        proxy->Subscribe(config->GetMsgClass(QVXSpecConfigMessages::kClass), 1, &Proxy::OnConfigMessage);
    return config;
}

// The spectrum and third-octave services keep no settings of their own; they
// write a fixed marker object ("One" = 34) and on reading only look for it.
void SaveServiceMarker(Serialization::Archive& archive, Serialization::Serializable& service, std::string_view name);
void LoadServiceMarker(Serialization::Archive& archive, std::string_view name, std::string_view typeName);
