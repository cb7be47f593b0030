#include "media/GxSound.h"

#include "media/GxSoundCache.h"

bool GxSound::Create(GxWindowHandle window, int32_t flags)
{
    (void)window; (void)flags;
    // The cache serves the one-shot sounds whether or not a sound device opens.
    GxSoundCache::Create();
    return true;
}

void GxSound::Update() {}

void GxSound::Release()
{
    if (GxSoundCache* cache = GxSoundCache::Get()) cache->Clear();
    GxSoundCache::Destroy();
}
