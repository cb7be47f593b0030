#include "media/GxMovie.h"

#include <memory>

#include "core/GxLog.h"
#include "media/GxMoviePlayerFile.h"

namespace {

std::unique_ptr<GxMoviePlayerFile>* Slots()
{
    static std::unique_ptr<GxMoviePlayerFile> slots[GxMovie::kSlotCount];
    return slots;
}

}  // namespace

GxMoviePlayerFile* GxMovie::GetPlayer(uint32_t slot) { return slot < kSlotCount ? Slots()[slot].get() : nullptr; }

bool GxMovie::Create()
{
    for (uint32_t i = 0; i < kSlotCount; ++i) Close(i);
    return true;
}

bool GxMovie::Update()
{
    for (uint32_t i = 0; i < kSlotCount; ++i)
        if (GxMoviePlayerFile* p = GetPlayer(i)) p->Update();
    return true;
}

void GxMovie::Release()
{
    for (uint32_t i = 0; i < kSlotCount; ++i) Close(i);
}

bool GxMovie::Open(uint32_t slot, std::u16string_view fileName, GxTextureMovie* texture, bool renderAll, bool dynamic)
{
    if (slot >= kSlotCount) {
        GxPrintErrorLog(u"Error/GxMovie Open Failed(Slot:%u)\n", slot);
        return false;
    }
    Close(slot);
    Slots()[slot] = std::make_unique<GxMoviePlayerFile>();
    return Slots()[slot]->Open(fileName, texture, renderAll, dynamic);
}

void GxMovie::Close(uint32_t slot)
{
    if (slot >= kSlotCount || !Slots()[slot]) return;
    // Close joins the decode worker before anything it uses goes away.
    Slots()[slot]->Close();
    Slots()[slot].reset();
}

bool GxMovie::Play(uint32_t slot, int32_t loopCount, int32_t volume)
{
    GxMoviePlayerFile* p = GetPlayer(slot);
    return p && p->Play(loopCount, volume);
}

bool GxMovie::Stop(uint32_t slot)
{
    GxMoviePlayerFile* p = GetPlayer(slot);
    return p && p->Stop();
}

bool GxMovie::StopAll()
{
    for (uint32_t i = 0; i < kSlotCount; ++i) Stop(i);
    return true;
}

bool GxMovie::SetPosition(uint32_t slot, double seconds)
{
    GxMoviePlayerFile* p = GetPlayer(slot);
    if (!p) return false;
    p->SetPosition(seconds);
    return true;
}

void GxMovie::SetLoopStart(uint32_t slot, double seconds)
{
    if (GxMoviePlayerFile* p = GetPlayer(slot)) p->SetLoopStart(seconds);
}

double GxMovie::GetPosition(uint32_t slot)
{
    GxMoviePlayerFile* p = GetPlayer(slot);
    return p ? p->GetPosition() : 0.0;
}

int32_t GxMovie::GetLoop(uint32_t slot)
{
    GxMoviePlayerFile* p = GetPlayer(slot);
    return p ? p->GetLoop() : 0;
}

bool GxMovie::IsPlaying(uint32_t slot)
{
    GxMoviePlayerFile* p = GetPlayer(slot);
    return p && p->IsPlaying();
}

GxMovieSlotInfo GxMovie::GetSlotInfo(uint32_t slot)
{
    GxMovieSlotInfo info;
    GxMoviePlayerFile* p = GetPlayer(slot);
    if (!p) return info;
    info.m_Open = true;
    info.m_Playing = p->IsPlaying();
    info.m_FileName = p->GetFileName();
    info.m_pTexture = p->GetTexture();
    info.m_LoopCount = p->GetLoop();
    info.m_Volume = p->GetVolume();
    info.m_Position = p->GetPosition();
    info.m_LoopStart = p->GetLoopStart();
    return info;
}
