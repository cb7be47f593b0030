// The three logs: their bytes on disk, the error count, the listener, the cut lengths, appends
// from two threads, the message box hook and the profiler clock.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/GxLog.h"
#include "core/GxString.h"

namespace {

namespace fs = std::filesystem;

struct Heard
{
    std::u16string text;
    int level;
};

class RecordingListener : public GxDebugListenerBase
{
public:
    void OnDebugOutput(const std::u16string& text, int level) override
    {
        std::lock_guard<std::mutex> g(m_Lock);
        m_Heard.push_back({text, level});
    }
    std::vector<Heard> Heard_() { std::lock_guard<std::mutex> g(m_Lock); return m_Heard; }

private:
    std::mutex m_Lock;
    std::vector<Heard> m_Heard;
};

std::string ReadBytes(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The file's text after its byte-order mark; fails the test when the mark is missing.
std::u16string ReadLog(const fs::path& p)
{
    std::string b = ReadBytes(p);
    EXPECT_GE(b.size(), 2u) << p;
    if (b.size() < 2) return {};
    EXPECT_EQ(b.substr(0, 2), "\xFF\xFE") << "UTF-16LE byte-order mark at the start";
    EXPECT_EQ(b.size() % 2, 0u);
    std::u16string text;
    for (size_t i = 2; i + 1 < b.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(b[i]) | (static_cast<unsigned char>(b[i + 1]) << 8)));
    return text;
}

class GxLogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/gx_log_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_Dir = tmpl;
        GxSetErrorLogPath(GxUtf8ToWide((m_Dir / "error.log").string()));
        GxSetDebugLogPath(GxUtf8ToWide((m_Dir / "debug.log").string()));
        GxSetDeviceLogPath(GxUtf8ToWide((m_Dir / "device.log").string()));
        GxResetErrorCount();
        GxSetDebugListener(nullptr);
        GxSetSkipSlightError(false);
    }
    void TearDown() override
    {
        GxSetDebugListener(nullptr);
        GxSetSkipSlightError(false);
        GxSetMessageBoxHandler(nullptr);
        GxSetErrorLogPath(u"error.log");
        GxSetDebugLogPath(u"debug.log");
        GxSetDeviceLogPath(u"device.log");
        GxResetErrorCount();
        fs::remove_all(m_Dir);
    }
    fs::path ErrorLog() const { return m_Dir / "error.log"; }
    fs::path DebugLog() const { return m_Dir / "debug.log"; }
    fs::path DeviceLog() const { return m_Dir / "device.log"; }

    fs::path m_Dir;
};

TEST_F(GxLogTest, ErrorLogBytesAreUtf16WithOneBomAndCrLf)
{
    GxPrintErrorLog(u"Error/Test A(%d)\n", 1);
    const std::string first = ReadBytes(ErrorLog());
    const char raw[] = "\xFF\xFE" "E\0r\0r\0o\0r\0/\0T\0e\0s\0t\0 \0A\0(\0" "1\0)\0\r\0\n\0";
    const std::string want(raw, sizeof raw - 1);
    EXPECT_EQ(first, want) << "BOM, the message as it stands, LF written as CR LF, nothing added";

    GxPrintErrorLog(u"ソ%s\n", u"表");
    EXPECT_EQ(ReadLog(ErrorLog()), u"Error/Test A(1)\r\nソ表\r\n") << "no second BOM on append";
    EXPECT_EQ(GxGetErrorCount(), 2u);
}

TEST_F(GxLogTest, EmptyExistingFileGetsTheBomAndEarlierLinesAreKept)
{
    { std::ofstream(ErrorLog(), std::ios::binary); }
    GxPrintErrorLog(u"one\n");
    EXPECT_EQ(ReadLog(ErrorLog()), u"one\r\n");
    GxPrintErrorLog(u"two");  // no newline in the format: none is added
    GxPrintErrorLog(u"\r\n");
    EXPECT_EQ(ReadLog(ErrorLog()), u"one\r\ntwo\r\r\n") << "only LF is translated, as a text-mode stream does";
}

TEST_F(GxLogTest, EachPrintGoesToItsFileCountAndListenerLevel)
{
    RecordingListener l;
    GxSetDebugListener(&l);
    GxPrintErrorLog(u"e%d\n", 1);
    GxPrintSlightErrorLog(u"Warning/w%d\n", 2);
    GxPrintErrorLogA("a%s\n", "\x83\x5C");
    GxPrintDebugLog(u"d%d\n", 3);
    GxPrintDeviceLog(u"v%d\n", 4);

    EXPECT_EQ(GxGetErrorCount(), 3u) << "error, slight error and narrow error count; debug and device do not";
    EXPECT_EQ(ReadLog(ErrorLog()), u"e1\r\nWarning/w2\r\naソ\r\n");
    EXPECT_EQ(ReadLog(DebugLog()), u"d3\r\n");
    EXPECT_EQ(ReadLog(DeviceLog()), u"v4\r\n");
    auto heard = l.Heard_();
    ASSERT_EQ(heard.size(), 4u) << "the device log has no listener";
    EXPECT_EQ(heard[0].text, u"e1\n");
    EXPECT_EQ(heard[0].level, 1);
    EXPECT_EQ(heard[1].text, u"Warning/w2\n");
    EXPECT_EQ(heard[1].level, 0);
    EXPECT_EQ(heard[2].text, u"aソ\n");
    EXPECT_EQ(heard[2].level, 1);
    EXPECT_EQ(heard[3].text, u"d3\n");
    EXPECT_EQ(heard[3].level, 2);

    EXPECT_TRUE(GxResetErrorCount());
    EXPECT_EQ(GxGetErrorCount(), 0u);
}

TEST_F(GxLogTest, SkippedSlightErrorsTouchNothing)
{
    RecordingListener l;
    GxSetDebugListener(&l);
    GxSetSkipSlightError(true);
    EXPECT_TRUE(GxGetSkipSlightError());
    GxPrintSlightErrorLog(u"Warning/skipped %d\n", 1);
    GxLogErrorText(u"Warning/skipped too\n", 0);
    EXPECT_EQ(GxGetErrorCount(), 0u);
    EXPECT_FALSE(fs::exists(ErrorLog()));
    EXPECT_TRUE(l.Heard_().empty());

    GxPrintErrorLog(u"real error\n");
    EXPECT_EQ(GxGetErrorCount(), 1u) << "full errors are not skipped";

    GxSetSkipSlightError(false);
    GxPrintSlightErrorLog(u"Warning/now\n");
    EXPECT_EQ(GxGetErrorCount(), 2u);
    EXPECT_EQ(ReadLog(ErrorLog()), u"real error\r\nWarning/now\r\n");
}

TEST_F(GxLogTest, LongMessageReachesTheFileWholeAndTheListenerCut)
{
    RecordingListener l;
    GxSetDebugListener(&l);
    const std::u16string pairAtTheCut = std::u16string(1022, u'a') + u"\U0001F600" + u"tail";
    GxPrintErrorLog(u"%s\n", pairAtTheCut);
    const std::u16string exact(1023, u'b');
    GxPrintDebugLog(u"%s", exact);
    const std::u16string longer(2000, u'c');
    GxPrintErrorLog(u"%s", longer);

    EXPECT_EQ(ReadLog(ErrorLog()), pairAtTheCut + u"\r\n" + longer);
    EXPECT_EQ(ReadLog(DebugLog()), exact);
    auto heard = l.Heard_();
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[0].text, std::u16string(1022, u'a')) << "cut before the pair, not through it";
    EXPECT_EQ(heard[1].text, exact) << "1023 units fit";
    EXPECT_EQ(heard[2].text, std::u16string(1023, u'c'));
}

TEST_F(GxLogTest, WithoutAListenerErrorsAreStillCountedAndWritten)
{
    GxPrintErrorLog(u"x\n");
    GxPrintErrorLogA("y\n");
    GxPrintDebugLog(u"z\n");
    EXPECT_EQ(GxGetErrorCount(), 2u);
    EXPECT_EQ(ReadLog(ErrorLog()), u"x\r\ny\r\n");
    EXPECT_EQ(ReadLog(DebugLog()), u"z\r\n");
}

TEST_F(GxLogTest, UnopenableFileIsSkippedButCountedAndHeard)
{
    RecordingListener l;
    GxSetDebugListener(&l);
    GxSetErrorLogPath(GxUtf8ToWide((m_Dir / "missing" / "error.log").string()));
    GxPrintErrorLog(u"lost line\n");
    EXPECT_EQ(GxGetErrorCount(), 1u);
    EXPECT_FALSE(fs::exists(m_Dir / "missing"));
    ASSERT_EQ(l.Heard_().size(), 1u);
    EXPECT_EQ(l.Heard_()[0].text, u"lost line\n");
}

TEST_F(GxLogTest, BinaryAppendCountsOneErrorAndIsStoredAsUtf16)
{
    RecordingListener l;
    GxSetDebugListener(&l);
    GxPrintErrorLog(u"Error/GxShaderEffect CreateFromFile Failed(Name:\"%s\" %s)\n", u"a.fx", u"E_FAIL");
    const char compiler[] = "a.fx(3): error X3000: \x83\x5C\r\nline2\n";
    GxWriteErrorLogBinary(compiler, sizeof compiler - 1);
    EXPECT_EQ(GxGetErrorCount(), 2u);
    EXPECT_EQ(ReadLog(ErrorLog()),
              u"Error/GxShaderEffect CreateFromFile Failed(Name:\"a.fx\" E_FAIL)\r\n"
              u"a.fx(3): error X3000: ソ\r\nline2\n")
        << "converted from the code page, line ends kept as they came";
    EXPECT_EQ(l.Heard_().size(), 1u) << "the binary append is not heard";

    GxWriteErrorLogBinary(nullptr, 0);
    EXPECT_EQ(GxGetErrorCount(), 3u) << "even an empty append counts";
}

TEST_F(GxLogTest, BinaryAppendToANewFileStartsWithTheBom)
{
    GxWriteErrorLogBinary("x", 1);
    EXPECT_EQ(ReadLog(ErrorLog()), u"x");
}

TEST_F(GxLogTest, TwoThreadsNeitherInterleaveNorLoseLines)
{
    constexpr int kLines = 2000;
    auto writer = [](int id) {
        for (int i = 0; i < kLines; ++i) GxPrintErrorLog(u"thread %d line %04d of the test\n", id, i);
    };
    std::thread a(writer, 1), b(writer, 2);
    a.join();
    b.join();
    EXPECT_EQ(GxGetErrorCount(), 2u * kLines);

    std::u16string text = ReadLog(ErrorLog());
    std::vector<std::u16string> lines;
    GxSplitString(lines, text, u"\r\n");
    ASSERT_EQ(lines.size(), 2u * kLines + 1);
    EXPECT_EQ(lines.back(), u"");
    lines.pop_back();
    int next[3] = {0, 0, 0};
    for (const auto& line : lines) {
        int id = line.size() > 7 ? line[7] - u'0' : 0;
        ASSERT_TRUE(id == 1 || id == 2) << GxWideToUtf8(line);
        ASSERT_EQ(line, GxFormatString(u"thread %d line %04d of the test", id, next[id])) << "whole lines in order";
        ++next[id];
    }
    EXPECT_EQ(next[1], kLines);
    EXPECT_EQ(next[2], kLines);
}

TEST_F(GxLogTest, NarrowPrintIsCutAt1023BytesBetweenCharacters)
{
    RecordingListener l;
    GxSetDebugListener(&l);
    auto repeat = [](const char* two, int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += two;
        return s;
    };
    auto repeatW = [](const char16_t* one, int n) {
        std::u16string s;
        for (int i = 0; i < n; ++i) s += one;
        return s;
    };
    struct Cut
    {
        std::string text;
        std::u16string want;
    };
    const Cut cuts[] = {
        // 1023 bytes exactly: nothing cut.
        {"a" + repeat("\x83\x5C", 511), u"a" + repeatW(u"ソ", 511)},
        // 1024 bytes: the last character would be halved, so it goes whole.
        {"aa" + repeat("\x83\x5C", 511), u"aa" + repeatW(u"ソ", 510)},
        // Trail bytes in the lead-byte range: only a walk from the start tells them apart.
        {"a" + repeat("\x88\xEA", 512), u"a" + repeatW(u"一", 511)},
        // Single-byte text is cut at 1023.
        {std::string(1500, 'z'), std::u16string(1023, u'z')},
    };
    std::u16string wantFile;
    for (const auto& c : cuts) {
        GxPrintErrorLogA("%s", c.text);
        wantFile += c.want;
    }
    EXPECT_EQ(ReadLog(ErrorLog()), wantFile) << "the file gets the cut text too";
    auto heard = l.Heard_();
    ASSERT_EQ(heard.size(), std::size(cuts));
    for (size_t i = 0; i < heard.size(); ++i) {
        EXPECT_EQ(heard[i].text, cuts[i].want) << i;
        EXPECT_EQ(heard[i].text.find(u'\uFFFD'), std::u16string::npos) << i;
    }
}

TEST_F(GxLogTest, PathsAndDeletion)
{
    EXPECT_EQ(GxGetLogPath(GxLogFile::Device), GxUtf8ToWide((m_Dir / "device.log").string()));
    GxPrintDeviceLog(u"mode\n");
    ASSERT_TRUE(fs::exists(DeviceLog()));
    GxDeleteDeviceLog();
    EXPECT_FALSE(fs::exists(DeviceLog()));
    GxDeleteDeviceLog();  // nothing to delete: harmless

    GxPrintErrorLog(u"e\n");
    GxPrintDebugLog(u"d\n");
    GxDeleteErrorLog();
    GxDeleteDebugLog();
    EXPECT_FALSE(fs::exists(ErrorLog()));
    EXPECT_FALSE(fs::exists(DebugLog()));
    GxPrintErrorLog(u"after\n");
    EXPECT_EQ(ReadLog(ErrorLog()), u"after\r\n") << "a deleted log starts again with its BOM";
}

// How many of this process's descriptors name the file.
int OpenDescriptors(const fs::path& file)
{
    int n = 0;
    std::error_code ec;
    const fs::path want = fs::weakly_canonical(file, ec);
    for (const auto& e : fs::directory_iterator("/proc/self/fd", ec)) {
        std::error_code lec;
        const fs::path target = fs::read_symlink(e.path(), lec);
        if (!lec && target == want) ++n;
    }
    return n;
}

TEST_F(GxLogTest, FilesStayOpenBetweenLinesAndCloseInOneStep)
{
    GxPrintDeviceLog(u"one\n");
    GxPrintErrorLog(u"e\n");
    EXPECT_EQ(OpenDescriptors(DeviceLog()), 1) << "kept open after its first line";
    GxPrintDeviceLog(u"two\n");
    EXPECT_EQ(OpenDescriptors(DeviceLog()), 1) << "one descriptor for every line";
    EXPECT_EQ(ReadLog(DeviceLog()), u"one\r\ntwo\r\n") << "each line is on disk at once";

    GxCloseLogs();
    EXPECT_EQ(OpenDescriptors(DeviceLog()), 0);
    EXPECT_EQ(OpenDescriptors(ErrorLog()), 0);
    // A line after the close opens the file again and appends, without a second BOM.
    GxPrintDeviceLog(u"three\n");
    EXPECT_EQ(ReadLog(DeviceLog()), u"one\r\ntwo\r\nthree\r\n");

    // A new path closes the old file; lines go to the new one only.
    const fs::path moved = m_Dir / "moved.log";
    GxSetDeviceLogPath(GxUtf8ToWide(moved.string()));
    EXPECT_EQ(OpenDescriptors(DeviceLog()), 0);
    GxPrintDeviceLog(u"four\n");
    EXPECT_EQ(ReadLog(moved), u"four\r\n");
    EXPECT_EQ(ReadLog(DeviceLog()), u"one\r\ntwo\r\nthree\r\n");
}

std::u16string g_BoxCaption, g_BoxText;
int g_BoxCalls = 0;

TEST_F(GxLogTest, MessageBoxFormatsAndCutsItsText)
{
    g_BoxCalls = 0;
    GxSetMessageBoxHandler([](const std::u16string& caption, const std::u16string& text) {
        g_BoxCaption = caption;
        g_BoxText = text;
        ++g_BoxCalls;
    });
    GxShowMessageBox(u"起動エラー", u"%s が見つかりません(%d)", u"system/sysconf.ini", 2);
    EXPECT_EQ(g_BoxCalls, 1);
    EXPECT_EQ(g_BoxCaption, u"起動エラー");
    EXPECT_EQ(g_BoxText, u"system/sysconf.ini が見つかりません(2)");

    GxShowMessageBox(u"c", u"%s", std::u16string(600, u'm'));
    EXPECT_EQ(g_BoxText, std::u16string(521, u'm')) << "a buffer of 522 characters";
    EXPECT_EQ(GxGetErrorCount(), 0u) << "a message box is not an error";
}

TEST(GxProfilerTime, CountsTenthsOfAMillisecond)
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const double before = ts.tv_sec * 10000.0 + ts.tv_nsec / 100000.0;
    const double t = GxGetProfilerTime();
    GxProfiler profiler;
    const double after = GxGetProfilerTime();
    EXPECT_GE(t, before - 1.0);
    EXPECT_LT(t, before + 10000.0) << "the same monotonic clock, read within a second";
    EXPECT_GE(profiler.GetStartTime(), t);
    EXPECT_LE(profiler.GetStartTime(), after);
    profiler.Reset();
    EXPECT_GE(profiler.GetStartTime(), after);
}

}  // namespace
