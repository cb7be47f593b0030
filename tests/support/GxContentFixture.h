// Test fixtures for the content stream: writing a stream into memory, wrapping bytes in a
// buffer, and capturing the error lines the readers and writers log.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/GxBinBuffer.h"
#include "core/GxContentWriter.h"
#include "core/GxLog.h"

enum class GxContentForm { Binary, Text };

// Runs body against a writer of the given form over an in-memory stream and returns the bytes.
std::string GxContentWriteToString(GxContentForm form, const std::function<void(GxContentWriterBase&)>& body);

// A buffer holding a copy of the bytes.
void GxContentFillBuffer(GxBinBuffer& buffer, std::string_view bytes);

// Collects the error lines logged while it lives (narrow copies of the wide text) and sends the
// log file itself to /dev/null; restores the previous listener and path at the end.
class GxContentLogCapture : public GxDebugListenerBase
{
public:
    GxContentLogCapture();
    ~GxContentLogCapture() override;
    void OnDebugOutput(const std::u16string& text, int level) override;

    const std::vector<std::string>& Lines() const { return m_Lines; }
    std::string Joined() const;
    void Clear() { m_Lines.clear(); }

private:
    GxDebugListenerBase* m_Previous;
    std::u16string m_PreviousPath;
    std::vector<std::string> m_Lines;
};
