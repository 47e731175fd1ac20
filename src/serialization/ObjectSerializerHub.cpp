#include "serialization/ObjectSerializerHub.h"

#include <algorithm>

namespace Serialization
{

namespace
{
template <class T>
void Remove(std::vector<T*>& list, T* item)
{
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}
} // namespace

ObjectSerializerHub::~ObjectSerializerHub()
{
    for (ObjectSerializerSatellite* satellite : mSatellites)
        Remove(satellite->mHubs, this);
}

void ObjectSerializerHub::Attach(ObjectSerializerSatellite& satellite)
{
    Remove(mSatellites, &satellite);
    mSatellites.push_back(&satellite);
    if (std::find(satellite.mHubs.begin(), satellite.mHubs.end(), this) == satellite.mHubs.end())
        satellite.mHubs.push_back(this);
}

void ObjectSerializerHub::Detach(ObjectSerializerSatellite& satellite)
{
    Remove(mSatellites, &satellite);
    Remove(satellite.mHubs, this);
}

void ObjectSerializerHub::SaveSatellites(Archive& archive)
{
    // A copy: a satellite may detach itself while saving or loading.
    const auto satellites = mSatellites;
    for (ObjectSerializerSatellite* satellite : satellites)
        satellite->Save(archive);
}

void ObjectSerializerHub::LoadSatellites(Archive& archive)
{
    const auto satellites = mSatellites;
    for (ObjectSerializerSatellite* satellite : satellites)
        satellite->Load(archive);
}

ObjectSerializerSatellite::~ObjectSerializerSatellite()
{
    for (ObjectSerializerHub* hub : mHubs)
        Remove(hub->mSatellites, this);
}

} // namespace Serialization
