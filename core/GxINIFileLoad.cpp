// The path-taking entry of the INI reader: the bytes come through the file layer.
#include "core/GxBinBuffer.h"
#include "core/GxFile.h"
#include "core/GxINIFile.h"

bool GxINIFile::Load(std::u16string_view path, bool quiet)
{
    m_Values.clear();
    GxBinBuffer buffer;
    if (!GxFileLoadTextToBinBuffer(buffer, path, quiet)) return false;
    LoadFromMemory(buffer.GetBuffer(), buffer.GetSize());
    return true;
}
