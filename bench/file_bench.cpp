// Reading pack members through the file layer, uncached and cached, beside a plain POSIX read
// loop over the same bytes: a pack of 2,000 small files and a pack of 20 files of 1 MiB, and the
// cached whole-file load of one 4 KiB file (pack member and loose file).
//
// The Paired cases run the file layer and the same reads done with pread alternately in one
// run and report both and their ratio (target 1.3x): the large members loaded whole and
// streamed in 64 KiB reads, and the cached 4 KiB loads, beside which the stat of the loose file
// is reported as the floor of any load that looks at the file at all.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
    Member four;

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
        four = {u"cg/four.png", s.GetMemberFileOffset(small.size()), 4096};
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

// Runs engine and floor alternately, each `batch` times a round, and reports their mean times
// (microseconds) and ratio; `extra`, when given, is timed the same way as a third figure.
template <class Engine, class Floor, class Extra>
void Paired(benchmark::State& state, int batch, Engine engine, Floor floor, Extra* extra)
{
    using Clock = std::chrono::steady_clock;
    double e = 0, f = 0, x = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (int i = 0; i < batch; ++i)
            if (!engine()) return state.SkipWithError("file layer read failed");
        const auto t1 = Clock::now();
        for (int i = 0; i < batch; ++i)
            if (!floor()) return state.SkipWithError("pread failed");
        const auto t2 = Clock::now();
        if (extra)
            for (int i = 0; i < batch; ++i) (*extra)();
        const auto t3 = Clock::now();
        e += std::chrono::duration<double, std::micro>(t1 - t0).count();
        f += std::chrono::duration<double, std::micro>(t2 - t1).count();
        x += std::chrono::duration<double, std::micro>(t3 - t2).count();
    }
    const double n = static_cast<double>(state.iterations()) * batch;
    state.counters["engine_us"] = e / n;
    state.counters["pread_us"] = f / n;
    state.counters["ratio"] = f > 0 ? e / f : 0;
    if (extra) state.counters["stat_us"] = x / n;
}

bool PreadMember(const char* pack, const Member& m, uint8_t* to)
{
    const int fd = open(pack, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const ssize_t n = pread(fd, to, m.size, static_cast<off_t>(m.offset));
    close(fd);
    return n == static_cast<ssize_t>(m.size);
}

// Every 1 MiB member loaded whole (uncached) against open, one pread into a fresh buffer, close.
void BM_Paired_LargeMembers(benchmark::State& state)
{
    BenchGame& g = Game();
    GxFileCacheClear();
    GxFileCacheSetEnabled(false);
    GxBinBuffer buf;
    auto engine = [&] {
        for (const Member& m : g.large)
            if (!GxFileLoadToBinBuffer(buf, m.name, false, true) || buf.GetSize() != m.size) return false;
        return true;
    };
    auto floor = [&] {
        for (const Member& m : g.large) {
            std::unique_ptr<uint8_t[]> data(new uint8_t[m.size]);
            if (!PreadMember("large.pak", m, data.get())) return false;
            benchmark::DoNotOptimize(data.get());
        }
        return true;
    };
    Paired(state, 1, engine, floor, static_cast<bool (*)()>(nullptr));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * g.largeBytes * 2));
}

// Every 1 MiB member streamed through a handle in 64 KiB reads against the same preads.
void BM_Paired_LargeMembersStreamed(benchmark::State& state)
{
    BenchGame& g = Game();
    std::vector<uint8_t> chunk(0x10000);
    auto engine = [&] {
        for (const Member& m : g.large) {
            GxFileHandle h;
            if (!GxFileOpen(h, m.name)) return false;
            uint64_t got = 0;
            while (uint32_t n = GxFileRead(chunk.data(), static_cast<uint32_t>(chunk.size()), h)) got += n;
            GxFileClose(h);
            if (got != m.size) return false;
        }
        return true;
    };
    auto floor = [&] {
        for (const Member& m : g.large) {
            const int fd = open("large.pak", O_RDONLY | O_CLOEXEC);
            uint64_t got = 0;
            while (got < m.size) {
                const ssize_t n = pread(fd, chunk.data(), std::min<uint64_t>(chunk.size(), m.size - got),
                                        static_cast<off_t>(m.offset + got));
                if (n <= 0) break;
                got += static_cast<uint64_t>(n);
            }
            close(fd);
            if (got != m.size) return false;
        }
        return true;
    };
    Paired(state, 1, engine, floor, static_cast<bool (*)()>(nullptr));
}

// A cached 4 KiB load against open, pread of the same 4 KiB into a fresh buffer, close; the
// stat of the loose file beside them.
void PairedCached(benchmark::State& state, const char16_t* name, const char* file, const Member& member)
{
    Game();
    GxFileCacheClear();
    GxFileCacheSetEnabled(true);
    GxBinBuffer buf;
    GxFileLoadToBinBuffer(buf, name, true, true);
    auto engine = [&] {
        return GxFileLoadToBinBuffer(buf, name, true, true) && buf.GetSize() == member.size;
    };
    auto floor = [&] {
        std::unique_ptr<uint8_t[]> data(new uint8_t[member.size]);
        const bool ok = PreadMember(file, member, data.get());
        benchmark::DoNotOptimize(data.get());
        return ok;
    };
    auto statFloor = [] {
        struct stat st;
        benchmark::DoNotOptimize(stat("ui/four_loose.png", &st));
    };
    Paired(state, 200, engine, floor, &statFloor);
    GxFileCacheSetEnabled(false);
    GxFileCacheClear();
}

void BM_Paired_CachedLoad4KiB_Member(benchmark::State& state)
{
    BenchGame& g = Game();
    PairedCached(state, u"CG/Four.png", "small.pak", g.four);
}

void BM_Paired_CachedLoad4KiB_Loose(benchmark::State& state)
{
    PairedCached(state, u"ui/four_loose.png", "ui/four_loose.png", Member{u"", 0, 4096});
}

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
BENCHMARK(BM_Paired_LargeMembers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Paired_LargeMembersStreamed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Paired_CachedLoad4KiB_Member)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Paired_CachedLoad4KiB_Loose)->Unit(benchmark::kMicrosecond);
