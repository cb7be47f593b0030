// Reading pack members through the file layer, uncached and cached, beside a plain POSIX read
// loop over the same bytes: a pack of 2,000 small files and a pack of 20 files of 1 MiB, and the
// cached whole-file load of one 4 KiB file (pack member and loose file).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "core/GxBinBuffer.h"
#include "core/GxFile.h"
#include "core/GxFileCache.h"
#include "core/GxPackFile.h"
#include "core/GxString.h"
#include "tests/support/GxPackWriter.h"

namespace {

struct Member
{
    std::u16string name;
    uint64_t offset;
    uint32_t size;
};

struct BenchGame
{
    GxTestGameFolder folder;
    std::vector<Member> small;
    std::vector<Member> large;
    uint64_t smallBytes = 0;
    uint64_t largeBytes = 0;

    BenchGame()
    {
        GxPackWriter s;
        for (int i = 0; i < 2000; ++i) {
            const uint32_t size = 256 + static_cast<uint32_t>((i * 7919) % 3841);  // 256 .. 4096 bytes
            std::vector<uint8_t> data(size);
            for (uint32_t k = 0; k < size; ++k) data[k] = static_cast<uint8_t>(k * 13 + i);
            const std::u16string name = u"cg/small/s" + GxIntToString(i) + u".png";
            s.AddMember(name, std::move(data), 1000 + i);
            small.push_back({name, 0, size});
            smallBytes += size;
        }
        s.AddMember(u"cg/four.png", std::vector<uint8_t>(4096, 0x44), 77);
        for (size_t i = 0; i < small.size(); ++i) small[i].offset = s.GetMemberFileOffset(i);
        s.Write("small.pak");

        GxPackWriter l;
        for (int i = 0; i < 20; ++i) {
            std::vector<uint8_t> data(0x100000);
            for (uint32_t k = 0; k < data.size(); ++k) data[k] = static_cast<uint8_t>(k ^ i);
            const std::u16string name = u"bgm/large" + GxIntToString(i) + u".ogg";
            l.AddMember(name, std::move(data), 2000 + i);
            large.push_back({name, 0, 0x100000});
            largeBytes += 0x100000;
        }
        for (size_t i = 0; i < large.size(); ++i) large[i].offset = l.GetMemberFileOffset(i);
        l.Write("large.pak");
        folder.Write("ui/four_loose.png", std::vector<uint8_t>(4096, 0x55));

        // An installed game's folders were written long ago: the lookup keeps the listing of a
        // folder only once it has been left unchanged for a few seconds, so wait that out once.
        std::this_thread::sleep_for(std::chrono::milliseconds(4100));

        GxFileOpenPack(u"small.pak");
        GxFileOpenPack(u"large.pak");
        GxFileCacheSetMaxSize(0xB400000);
        GxFileCacheSetMaxFileSize(0x100000);
    }
};

BenchGame& Game()
{
    static BenchGame game;
    return game;
}

void LoadAll(benchmark::State& state, const std::vector<Member>& members, uint64_t bytes, bool cached)
{
    GxFileCacheClear();
    GxFileCacheSetEnabled(cached);
    GxBinBuffer buf;
    if (cached) {
        for (const Member& m : members) GxFileLoadToBinBuffer(buf, m.name, true, true);
    }
    for (auto _ : state) {
        for (const Member& m : members) {
            if (!GxFileLoadToBinBuffer(buf, m.name, cached, true) || buf.GetSize() != m.size) {
                state.SkipWithError("load failed");
                return;
            }
            benchmark::DoNotOptimize(buf.GetBuffer());
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * members.size()));
    GxFileCacheSetEnabled(false);
    GxFileCacheClear();
}

// The least a whole-file read can do: open, read the member's bytes into a fresh buffer, close.
void PlainLoop(benchmark::State& state, const char* pack, const std::vector<Member>& members, uint64_t bytes)
{
    for (auto _ : state) {
        for (const Member& m : members) {
            const int fd = open(pack, O_RDONLY | O_CLOEXEC);
            std::unique_ptr<uint8_t[]> data(new uint8_t[m.size]);
            const ssize_t n = pread(fd, data.get(), m.size, static_cast<off_t>(m.offset));
            close(fd);
            if (n != static_cast<ssize_t>(m.size)) {
                state.SkipWithError("read failed");
                return;
            }
            benchmark::DoNotOptimize(data.get());
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * members.size()));
}

void BM_SmallPack_FileLayer(benchmark::State& state) { LoadAll(state, Game().small, Game().smallBytes, false); }
void BM_SmallPack_FileLayerCached(benchmark::State& state) { LoadAll(state, Game().small, Game().smallBytes, true); }
void BM_SmallPack_PlainLoop(benchmark::State& state) { PlainLoop(state, "small.pak", Game().small, Game().smallBytes); }
void BM_LargePack_FileLayer(benchmark::State& state) { LoadAll(state, Game().large, Game().largeBytes, false); }
void BM_LargePack_FileLayerCached(benchmark::State& state) { LoadAll(state, Game().large, Game().largeBytes, true); }
void BM_LargePack_PlainLoop(benchmark::State& state) { PlainLoop(state, "large.pak", Game().large, Game().largeBytes); }

// Streaming a large member through a handle in 64 KiB reads, as the sound threads do.
void BM_LargePack_HandleReads(benchmark::State& state)
{
    std::vector<uint8_t> chunk(0x10000);
    for (auto _ : state) {
        for (const Member& m : Game().large) {
            GxFileHandle h;
            GxFileOpen(h, m.name);
            uint64_t got = 0;
            while (uint32_t n = GxFileRead(chunk.data(), static_cast<uint32_t>(chunk.size()), h)) got += n;
            if (got != m.size) {
                state.SkipWithError("read failed");
                return;
            }
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Game().largeBytes));
}

void CachedOne(benchmark::State& state, const char16_t* name)
{
    Game();
    GxFileCacheClear();
    GxFileCacheSetEnabled(true);
    GxBinBuffer buf;
    GxFileLoadToBinBuffer(buf, name, true, true);
    for (auto _ : state) {
        GxFileLoadToBinBuffer(buf, name, true, true);
        benchmark::DoNotOptimize(buf.GetBuffer());
    }
    if (buf.GetSize() != 4096) state.SkipWithError("load failed");
    GxFileCacheSetEnabled(false);
    GxFileCacheClear();
}

// The floor under any load on this machine: the system calls that check a loose file.
void BM_Floor_StatLooseFile(benchmark::State& state)
{
    Game();
    struct stat st;
    for (auto _ : state) benchmark::DoNotOptimize(stat("ui/four_loose.png", &st));
}

void BM_Floor_OpenFstatClose(benchmark::State& state)
{
    Game();
    struct stat st;
    for (auto _ : state) {
        const int fd = open("ui/four_loose.png", O_RDONLY | O_CLOEXEC);
        fstat(fd, &st);
        close(fd);
    }
}

void BM_CachedLoad4KiB_Member(benchmark::State& state) { CachedOne(state, u"CG/Four.png"); }
void BM_CachedLoad4KiB_Loose(benchmark::State& state) { CachedOne(state, u"ui/four_loose.png"); }

}  // namespace

BENCHMARK(BM_SmallPack_PlainLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallPack_FileLayer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallPack_FileLayerCached)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargePack_PlainLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargePack_FileLayer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargePack_FileLayerCached)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargePack_HandleReads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Floor_StatLooseFile);
BENCHMARK(BM_Floor_OpenFstatClose);
BENCHMARK(BM_CachedLoad4KiB_Member);
BENCHMARK(BM_CachedLoad4KiB_Loose);
