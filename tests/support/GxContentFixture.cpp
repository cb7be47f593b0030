#include "tests/support/GxContentFixture.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/GxString.h"

std::string GxContentWriteToString(GxContentForm form, const std::function<void(GxContentWriterBase&)>& body)
{
    char* data = nullptr;
    size_t size = 0;
    FILE* f = open_memstream(&data, &size);
    if (!f) return {};
    {
        std::unique_ptr<GxContentWriterBase> w;
        if (form == GxContentForm::Binary) w = std::make_unique<GxContentBinaryWriter>(f);
        else w = std::make_unique<GxContentTextWriter>(f);
        body(*w);
    }
    fclose(f);
    std::string out(data, size);
    free(data);
    return out;
}

void GxContentFillBuffer(GxBinBuffer& buffer, std::string_view bytes)
{
    uint8_t* p = buffer.Create(static_cast<uint32_t>(bytes.size()));
    for (size_t i = 0; i < bytes.size(); ++i) p[i] = static_cast<uint8_t>(bytes[i]);
}

GxContentLogCapture::GxContentLogCapture()
    : m_Previous(GxGetDebugListener()), m_PreviousPath(GxGetLogPath(GxLogFile::Error))
{
    GxSetErrorLogPath(u"/dev/null");
    GxSetDebugListener(this);
}

GxContentLogCapture::~GxContentLogCapture()
{
    GxSetDebugListener(m_Previous);
    GxSetErrorLogPath(m_PreviousPath);
}

void GxContentLogCapture::OnDebugOutput(const std::u16string& text, int level)
{
    if (level <= 1) m_Lines.push_back(GxWideToUtf8(text));
}

std::string GxContentLogCapture::Joined() const
{
    std::string s;
    for (const auto& l : m_Lines) s += l;
    return s;
}
