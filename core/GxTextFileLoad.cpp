// The path-taking entry of the text decoder: the bytes come through the file layer.
#include "core/GxBinBuffer.h"
#include "core/GxFile.h"
#include "core/GxLog.h"
#include "core/GxTextFile.h"

bool GxLoadTextFile(std::vector<std::u16string>& lines, std::u16string_view path, bool skipEmpty)
{
    GxBinBuffer buffer;
    if (!GxFileLoadToBinBuffer(buffer, path, false, false)) return false;
    const uint8_t* data = buffer.GetBuffer();
    uint32_t size = buffer.GetSize();
    // The table loaders report no failure of their own, so say why the text was refused.
    if (size == 0) {
        GxPrintErrorLog(u"Error/GxLoadTextFile Empty file(%s)\n", path);
        return false;
    }
    if (GxDetectTextEncoding(data, size) == GxTextEncoding::Utf16BE) {
        GxPrintErrorLog(u"Error/GxLoadTextFile UTF-16BE text is not supported(%s)\n", path);
        return false;
    }
    return GxDecodeTextLines(lines, data, size, skipEmpty);
}
