#include "media/GxMovieSource.h"

#include <algorithm>

GxMovieSourceFilterFile::GxMovieSourceFilterFile(std::u16string_view fileName) { GxFileOpen(m_File, fileName); }

GxMovieSourceFilterFile::~GxMovieSourceFilterFile() { GxFileClose(m_File); }

bool GxMovieSourceFilterFile::SetPointer(int64_t position)
{
    if (!m_File.IsOpen() || position < 0 || position > Size() || !GxFileSeek(m_File, position, 0)) return false;
    m_Position = position;
    return true;
}

bool GxMovieSourceFilterFile::Read(uint8_t* buffer, uint32_t count, uint32_t* read)
{
    if (read) *read = 0;
    if (!m_File.IsOpen()) return false;
    const int64_t left = Size() - m_Position;
    if (left <= 0 || count == 0) return true;
    const uint32_t want = static_cast<uint32_t>(std::min<int64_t>(count, left));
    const uint32_t got = GxFileRead(buffer, want, m_File);
    m_Position = GxFileTell(m_File);
    if (read) *read = got;
    // Nothing where the file says there is more (a pack member running past its pack's end).
    return got > 0;
}

std::unique_ptr<GxMovieStream> GxOpenMovieFile(std::u16string_view fileName)
{
    auto file = std::make_unique<GxMovieSourceFilterFile>(fileName);
    if (!file->IsOpen()) return nullptr;
    return file;
}
