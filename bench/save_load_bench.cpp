// A saved game written and read back in a temporary folder, syncs included: the state of a
// game in progress with 100 back-log entries (each with its four voices), a menu of choices,
// wait words, sound records and the script's in-game variables. Target: under 10 ms per round
// trip.
//
// RoundTrip reports the share of the time spent in the two syncs of the atomic writer (the
// file's, from the last byte written to the synced file, and the folder's, after the rename)
// as "sync_share". PlainWriteSync is the floor: the same bytes written to one file with write
// and fsync, nothing else.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "core/GxAtomicFile.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "game/GxUserData.h"
#include "moa/GxMoaScriptHost.h"

namespace {

using Clock = std::chrono::steady_clock;

struct BenchFolder
{
    std::filesystem::path root;
    BenchFolder()
    {
        char templ[] = "/tmp/gxbench_save_XXXXXX";
        const char* made = mkdtemp(templ);
        root = made ? made : "/tmp";
        GxSetErrorLogPath(GxUtf8ToWide((root / "error.log").string()));
        GxSetDebugLogPath(GxUtf8ToWide((root / "debug.log").string()));
    }
    ~BenchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    std::u16string Path(const char* name) const { return GxUtf8ToWide((root / name).string()); }
};

void FillGame(GxUserData& d)
{
    d.m_GameDataTitle = u"第一章 はじまり";
    d.m_RestoreSequence = u"SeqRukoMain";
    d.m_IsSelecting = true;
    d.m_SelectHash = u"menu1";
    for (size_t i = 1; i < d.m_SelectItems.size(); ++i) {
        d.m_SelectItems[i].m_Text = u"選択肢 " + GxIntToString(static_cast<int32_t>(i));
        d.m_SelectItems[i].m_Label = u"*label" + GxIntToString(static_cast<int32_t>(i));
    }
    d.m_Hold_WaitClick = 2;
    d.m_MessageLog.clear();
    for (int i = 0; i < 100; ++i) {
        for (int k = 0; k < GxUserData::kVoiceCount; ++k) {
            d.m_VoiceRecord[k].m_FileName = u"voice/v" + GxIntToString(i * 4 + k);
            d.m_VoiceRecord[k].m_CharID = k + 1;
        }
        d.AppendMessageLog(u"ルコ", u"「今日はいい天気ですね。どこかへ出かけましょうか」 " + GxIntToString(i), false, false);
    }
    d.m_VoiceRecord[0].m_FileName = u"voice/v0";
    d.m_BGMRecord.m_FileName = u"bgm/theme";  // dropped at save: nothing plays in a benchmark
}

void CreateHost()
{
    GxCreateScriptHost(nullptr);
    for (int i = 0; i < 50; ++i) {
        GxMoaVariableDefinition def;
        def.m_Name = u"flag" + GxIntToString(i);
        def.m_Scope = MOASCOPE_EXTERN_INGAME;
        g_MoaEx->GetVariableTable().CreateVariableFromDefinition(def);
    }
}

Clock::time_point g_StageTime;
Clock::duration g_SyncTime{};

void TimeSyncs(GxAtomicWriteStage stage, int)
{
    const Clock::time_point now = Clock::now();
    // Written -> Synced is the file's fsync and close; Renamed -> end is the folder's fsync,
    // closed by the caller's clock after Commit returns.
    if (stage == GxAtomicWriteStage::Synced) g_SyncTime += now - g_StageTime;
    g_StageTime = now;
}

void BM_SaveLoadRoundTrip(benchmark::State& state)
{
    BenchFolder folder;
    CreateHost();
    GxUserData game(nullptr);
    const std::u16string path = folder.Path("gamedata001.gd");
    GxSetAtomicWriteHook(&TimeSyncs);
    g_SyncTime = {};
    Clock::duration total{};
    bool ok = true;
    for (auto _ : state) {
        FillGame(game);
        const Clock::time_point begin = Clock::now();
        ok &= game.SaveGameData(path);
        const Clock::time_point saved = Clock::now();
        g_SyncTime += saved - g_StageTime;  // the folder's fsync after the rename
        ok &= game.LoadGameData(path, true);
        total += Clock::now() - begin;
    }
    GxSetAtomicWriteHook(nullptr);
    if (!ok) state.SkipWithError("a save or a load failed");
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(folder.root / "gamedata001.gd"));
    state.counters["sync_share"] = total.count() ? static_cast<double>(g_SyncTime.count()) / total.count() : 0.0;
    GxDestroyScriptHost();
}
BENCHMARK(BM_SaveLoadRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: the bytes of the same save written with write and fsync.
void BM_PlainWriteSync(benchmark::State& state)
{
    BenchFolder folder;
    CreateHost();
    GxUserData game(nullptr);
    FillGame(game);
    const std::u16string path = folder.Path("gamedata001.gd");
    if (!game.SaveGameData(path)) state.SkipWithError("the save failed");
    GxDestroyScriptHost();
    const std::string bytes = [&] {
        std::string b(std::filesystem::file_size(folder.root / "gamedata001.gd"), '\0');
        const int fd = open((folder.root / "gamedata001.gd").c_str(), O_RDONLY);
        if (fd < 0 || read(fd, b.data(), b.size()) != static_cast<ssize_t>(b.size())) b.clear();
        if (fd >= 0) close(fd);
        return b;
    }();
    const std::string plain = (folder.root / "plain.gd").string();
    for (auto _ : state) {
        const int fd = open(plain.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) || fsync(fd) != 0)
            state.SkipWithError("the plain write failed");
        if (fd >= 0) close(fd);
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_PlainWriteSync)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
