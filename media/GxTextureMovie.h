// The textures that receive decoded movie frames. For now a plain texture of the movie's size:
// frame upload comes with movie playback.
#pragma once

#include <string>
#include <string_view>

#include "graphics/GxTexture.h"

class GxTextureMovie : public GxTexture
{
public:
    GxTextureMovie() = default;

    // True when the textures were created (one level, registered like every texture).
    bool CreateMovieTexture(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format,
                            uint32_t /*reserved0*/, uint32_t /*reserved1*/)
    {
        m_MovieName.assign(name);
        return CreateTexture(name, width, height, format, 1);
    }

    const std::u16string& GetMovieName() const { return m_MovieName; }

private:
    std::u16string m_MovieName;
};
