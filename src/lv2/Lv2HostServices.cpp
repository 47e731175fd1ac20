#include "lv2/Lv2HostServices.h"

#include <cstdio>

namespace
{
thread_local Lv2MessageReceiver* tReceiver = nullptr;
}

Lv2HostServices& Lv2HostServices::Get()
{
    static Lv2HostServices services;
    return services;
}

void Lv2HostServices::ShowMessageBox(const HostLib::EffectMessageBox& box)
{
    if (tReceiver)
    {
        tReceiver->OnMessageBox(box);
        return;
    }
    std::fprintf(stderr, "quarvix.lv2: %s: %s\n", box.caption.c_str(), box.text.c_str());
    std::fflush(stderr);
}

Lv2HostServices::Scope::Scope(Lv2MessageReceiver& receiver) : mPrevious(tReceiver)
{
    tReceiver = &receiver;
}

Lv2HostServices::Scope::~Scope()
{
    tReceiver = mPrevious;
}
