#include "media/GxMovie.h"

#include "core/GxLog.h"

namespace {

GxMovieSlotInfo* Slots()
{
    static GxMovieSlotInfo slots[GxMovie::kSlotCount];
    return slots;
}

GxMovieSlotInfo* Slot(uint32_t slot) { return slot < GxMovie::kSlotCount ? &Slots()[slot] : nullptr; }

GxMovieSlotInfo* OpenSlot(uint32_t slot)
{
    GxMovieSlotInfo* s = Slot(slot);
    return s && s->m_Open ? s : nullptr;
}

}  // namespace

bool GxMovie::Create()
{
    for (int i = 0; i < kSlotCount; ++i) Slots()[i] = GxMovieSlotInfo();
    return true;
}

void GxMovie::Update() {}

void GxMovie::Release()
{
    for (uint32_t i = 0; i < kSlotCount; ++i) Close(i);
}

bool GxMovie::Open(uint32_t slot, std::u16string_view fileName, GxTextureMovie* texture, int32_t, int32_t)
{
    GxMovieSlotInfo* s = Slot(slot);
    if (!s) {
        GxPrintErrorLog(u"Error/GxMovie Open Failed(Slot:%u)\n", slot);
        return false;
    }
    Close(slot);
    if (fileName.empty() || !texture) return false;
    s->m_Open = true;
    s->m_FileName.assign(fileName);
    s->m_pTexture = texture;
    return true;
}

void GxMovie::Close(uint32_t slot)
{
    if (GxMovieSlotInfo* s = Slot(slot)) *s = GxMovieSlotInfo();
}

bool GxMovie::Play(uint32_t slot, int32_t loopCount, int32_t volume)
{
    GxMovieSlotInfo* s = OpenSlot(slot);
    if (!s) return false;
    s->m_Playing = true;
    s->m_LoopCount = loopCount;
    s->m_Volume = volume;
    return true;
}

void GxMovie::Stop(uint32_t slot)
{
    if (GxMovieSlotInfo* s = OpenSlot(slot)) s->m_Playing = false;
}

bool GxMovie::StopAll()
{
    for (uint32_t i = 0; i < kSlotCount; ++i) Stop(i);
    return true;
}

void GxMovie::SetPosition(uint32_t slot, double seconds)
{
    if (GxMovieSlotInfo* s = OpenSlot(slot)) s->m_Position = seconds;
}

void GxMovie::SetLoopStart(uint32_t slot, double seconds)
{
    if (GxMovieSlotInfo* s = OpenSlot(slot)) s->m_LoopStart = seconds;
}

double GxMovie::GetPosition(uint32_t slot)
{
    const GxMovieSlotInfo* s = OpenSlot(slot);
    return s ? s->m_Position : 0.0;
}

int32_t GxMovie::GetLoop(uint32_t slot)
{
    const GxMovieSlotInfo* s = OpenSlot(slot);
    return s ? s->m_LoopCount : 0;
}

bool GxMovie::IsPlaying(uint32_t slot)
{
    const GxMovieSlotInfo* s = OpenSlot(slot);
    return s && s->m_Playing;
}

GxMovieSlotInfo GxMovie::GetSlotInfo(uint32_t slot)
{
    const GxMovieSlotInfo* s = Slot(slot);
    return s ? *s : GxMovieSlotInfo();
}
