#pragma once
// A hub saves and loads every satellite attached to it with one call, without
// knowing what they are: the plug-in object is a hub and its analysis services
// are satellites. Links are kept on both sides and undone by either side's
// destruction.
//
// Threads: UI thread only. Not real-time safe.

#include <vector>

namespace Serialization
{

class Archive;
class ObjectSerializerSatellite;

class ObjectSerializerHub
{
public:
    ObjectSerializerHub() = default;
    ObjectSerializerHub(const ObjectSerializerHub&) = delete;
    ObjectSerializerHub& operator=(const ObjectSerializerHub&) = delete;
    virtual ~ObjectSerializerHub();

    // Moves the satellite to the end of the list (appends it if new).
    void Attach(ObjectSerializerSatellite& satellite);
    void Detach(ObjectSerializerSatellite& satellite);

    // Satellites in attachment order.
    void SaveSatellites(Archive& archive);
    void LoadSatellites(Archive& archive);

    const std::vector<ObjectSerializerSatellite*>& GetSatellites() const noexcept { return mSatellites; }

private:
    friend class ObjectSerializerSatellite;
    std::vector<ObjectSerializerSatellite*> mSatellites;
};

class ObjectSerializerSatellite
{
public:
    ObjectSerializerSatellite() = default;
    ObjectSerializerSatellite(const ObjectSerializerSatellite&) = delete;
    ObjectSerializerSatellite& operator=(const ObjectSerializerSatellite&) = delete;
    virtual ~ObjectSerializerSatellite();

    virtual void Save(Archive& archive) = 0;
    virtual void Load(Archive& archive) = 0;

    const std::vector<ObjectSerializerHub*>& GetHubs() const noexcept { return mHubs; }

private:
    friend class ObjectSerializerHub;
    std::vector<ObjectSerializerHub*> mHubs;
};

} // namespace Serialization
