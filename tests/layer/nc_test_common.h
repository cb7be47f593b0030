// Shared by the layer tests: a temporary game folder with the logs captured, fake graphics
// hooks, and the Nc factories and pools emptied before and after each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/GxLog.h"
#include "layer/GxNcFactory.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxNcWriter.h"
#include "tests/support/GxPackWriter.h"

class NcTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.IsValid());
        GxTestResetFileLayer();
        ResetNc();
    }
    void TearDown() override { ResetNc(); }

    static void ResetNc()
    {
        GxNcEffectPool::ReleaseAll();
        GxNcImageSetPool::ReleaseAll();
        GxGetNcProjectFactory().ReleaseAll();
        GxGetNcCrammedImageSetFactory().ReleaseAll();
    }

    bool Write(const std::string& path, const std::string& bytes) { return GxNcWriteFileBytes(path, bytes); }
    bool Logged(const std::string& text) const { return m_Log.Joined().find(text) != std::string::npos; }
    size_t CountLogged(const std::string& text) const
    {
        size_t n = 0;
        for (const auto& line : m_Log.Lines())
            if (line.find(text) != std::string::npos) ++n;
        return n;
    }

    // Destroyed in reverse: the factories are emptied (TearDown) while the fakes still stand.
    GxTestGameFolder m_Folder;
    GxContentLogCapture m_Log;
    GxNcFakeGraphics m_Graphics;
};

inline const char* FormName(GxContentForm form) { return form == GxContentForm::Text ? "Text" : "Binary"; }
