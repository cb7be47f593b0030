// Content stream throughput: about 10 MB of mixed records (S32, S64, F64, short strings, lists)
// written and read back in the binary form and in the text form.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "core/GxContentWriter.h"
#include "tests/support/GxContentFixture.h"

namespace {

struct Record
{
    int32_t id;
    int64_t stamp;
    double value;
    std::u16string name;
    int32_t pair[2];
};

// Roughly 50 bytes per record in the binary form: 200,000 records make about 10 MB.
constexpr int kRecords = 200000;

const std::vector<Record>& Records()
{
    static const std::vector<Record> records = [] {
        std::vector<Record> v;
        v.reserve(kRecords);
        uint32_t seed = 12345;
        auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
        for (int i = 0; i < kRecords; ++i) {
            Record r;
            r.id = static_cast<int32_t>(next());
            r.stamp = (static_cast<int64_t>(next()) << 20) - 5;
            r.value = static_cast<double>(static_cast<int32_t>(next())) / 1024.0;
            r.name = u"m_Name_" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) + u"_" +
                     std::u16string(1 + i % 5, u'x');
            r.pair[0] = i;
            r.pair[1] = -i;
            v.push_back(std::move(r));
        }
        return v;
    }();
    return records;
}

void WriteAll(GxContentWriterBase& w)
{
    w.WriteHeader("BBENCH", 100);
    for (const Record& r : Records()) {
        w.WriteGxS32("m_Id", r.id);
        w.WriteGxS64("m_Stamp", r.stamp);
        w.WriteGxF64("m_Value", r.value);
        w.WriteGxStringStdW("m_Name", r.name);
        w.WriteListBegin("m_Pair", "", 2);
        w.WriteGxS32("m_Item", r.pair[0]);
        w.WriteGxS32("m_Item", r.pair[1]);
        w.WriteListEnd();
    }
}

int64_t ReadAll(GxContentReaderBase& r)
{
    int64_t sum = 0;
    uint32_t version = 0;
    r.ReadHeader("BBENCH", version);
    std::u16string name;
    for (int i = 0; i < kRecords; ++i) {
        int32_t id = 0, item = 0;
        int64_t stamp = 0;
        double value = 0;
        uint32_t count = 0;
        r.ReadGxS32("m_Id", id);
        r.ReadGxS64("m_Stamp", stamp);
        r.ReadGxF64("m_Value", value);
        r.ReadGxStringStdW("m_Name", name);
        r.ReadListBegin("m_Pair", count);
        for (uint32_t k = 0; k < count; ++k) {
            r.ReadGxS32("m_Item", item);
            sum += item;
        }
        r.ReadListEnd();
        sum += id + stamp + static_cast<int64_t>(value) + static_cast<int64_t>(name.size());
    }
    return sum;
}

const std::string& Stream(GxContentForm form)
{
    static const std::string binary = GxContentWriteToString(GxContentForm::Binary, WriteAll);
    static const std::string text = GxContentWriteToString(GxContentForm::Text, WriteAll);
    return form == GxContentForm::Binary ? binary : text;
}

void BenchWrite(benchmark::State& state, GxContentForm form)
{
    FILE* f = fopen("/dev/null", "wb");
    if (!f) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    for (auto _ : state) {
        if (form == GxContentForm::Binary) {
            GxContentBinaryWriter w(f);
            WriteAll(w);
            if (w.GetErrorCount()) state.SkipWithError("write failed");
        } else {
            GxContentTextWriter w(f);
            WriteAll(w);
            if (w.GetErrorCount()) state.SkipWithError("write failed");
        }
    }
    fclose(f);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * Stream(form).size());
    state.counters["stream_MB"] = Stream(form).size() / 1e6;
}

void BenchRead(benchmark::State& state, GxContentForm form)
{
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, Stream(form));
    for (auto _ : state) {
        int errors;
        int64_t sum;
        if (form == GxContentForm::Binary) {
            GxContentBinaryReader r(buffer);
            sum = ReadAll(r);
            errors = r.GetErrorCount();
        } else {
            GxContentTextReader r(buffer);
            sum = ReadAll(r);
            errors = r.GetErrorCount();
        }
        benchmark::DoNotOptimize(sum);
        if (errors) state.SkipWithError("read failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * buffer.GetSize());
    state.counters["stream_MB"] = buffer.GetSize() / 1e6;
}

void BM_ContentBinaryWrite(benchmark::State& state) { BenchWrite(state, GxContentForm::Binary); }
void BM_ContentBinaryRead(benchmark::State& state) { BenchRead(state, GxContentForm::Binary); }
void BM_ContentTextWrite(benchmark::State& state) { BenchWrite(state, GxContentForm::Text); }
void BM_ContentTextRead(benchmark::State& state) { BenchRead(state, GxContentForm::Text); }

BENCHMARK(BM_ContentBinaryWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContentBinaryRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContentTextWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContentTextRead)->Unit(benchmark::kMillisecond);

}  // namespace
