// Settings file load and save time against the file's size. The fitted complexity that Google
// Benchmark prints under each family (BigO, RMS) shows whether the time grows linearly.
//
//   bench_settings --benchmark_filter=Sections    many sections of one entry each
//   bench_settings --benchmark_filter=Keys        the window's section stuffed with many entries
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

#include "util/settingsstore.h"

namespace {

using Tormvale::SettingsEncoding;
using Tormvale::SettingsStore;

void AppendLe(std::string& out, const std::string& ascii) {
    for (const char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
}

// The bytes the program itself would save, padded out with many sections, or with many keys after
// the window's own.
std::string SettingsBytes(long sections, long windowKeys) {
    std::string out = "\xFF\xFE";
    AppendLe(out, "[Font]\r\nName=Noto Sans\r\nSize=9\r\n\r\n");
    for (long s = 0; s < sections; ++s) AppendLe(out, "[Section" + std::to_string(s) + "]\r\nKey=value\r\n\r\n");
    AppendLe(out, "[Window]\r\nTop=201\r\nLeft=336\r\nHeight=400\r\nWidth=400\r\n");
    for (long k = 0; k < windowKeys; ++k) AppendLe(out, "Key" + std::to_string(k) + "=value\r\n");
    AppendLe(out, "\r\n");
    return out;
}

class SettingsFile {
public:
    explicit SettingsFile(const std::string& bytes) {
        char pattern[] = "/tmp/varnopile-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
        folder_ = pattern;
        path_ = folder_ + "/" + Tormvale::SettingsFileName;
        std::ofstream(path_, std::ios::binary) << bytes;
    }
    ~SettingsFile() {
        std::remove(path_.c_str());
        ::rmdir(folder_.c_str());
    }
    const std::string& Path() const { return path_; }

private:
    std::string folder_, path_;
};

// What the window does at start: load with mark detection and read the six entries.
void Read(benchmark::State& state, long sections, long keys) {
    const std::string bytes = SettingsBytes(sections, keys);
    const SettingsFile file(bytes);
    for (auto _ : state) {
        const SettingsStore store = SettingsStore::Load(file.Path(), SettingsEncoding::Detect);
        benchmark::DoNotOptimize(store.ReadString(u"Font", u"Name", u""));
        benchmark::DoNotOptimize(store.ReadInteger(u"Font", u"Size", 0));
        for (const char16_t* key : {u"Top", u"Left", u"Height", u"Width"})
            benchmark::DoNotOptimize(store.ReadInteger(u"Window", key, 0));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    state.counters["file_bytes"] = static_cast<double>(bytes.size());
    state.SetComplexityN(state.range(0));
}

// What the window does at close: load afresh, write the six entries, save.
void Save(benchmark::State& state, long sections, long keys) {
    const std::string bytes = SettingsBytes(sections, keys);
    const SettingsFile file(bytes);
    for (auto _ : state) {
        SettingsStore store = SettingsStore::Load(file.Path(), SettingsEncoding::Detect);
        store.WriteString(u"Font", u"Name", u"Noto Sans");
        store.WriteInteger(u"Font", u"Size", 9);
        for (const char16_t* key : {u"Top", u"Left", u"Height", u"Width"}) store.WriteInteger(u"Window", key, 300);
        store.UpdateFile();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    state.counters["file_bytes"] = static_cast<double>(bytes.size());
    state.SetComplexityN(state.range(0));
}

void BM_LoadSections(benchmark::State& state) { Read(state, state.range(0), 0); }
void BM_SaveSections(benchmark::State& state) { Save(state, state.range(0), 0); }
void BM_LoadKeys(benchmark::State& state) { Read(state, 0, state.range(0)); }
void BM_SaveKeys(benchmark::State& state) { Save(state, 0, state.range(0)); }
// A write for every tenth key of one large section: each must find its key without scanning the others.
void BM_WriteKeys(benchmark::State& state) {
    const long keys = state.range(0);
    const SettingsStore loaded = SettingsStore::Parse(SettingsBytes(0, keys), SettingsEncoding::Detect);
    for (auto _ : state) {
        SettingsStore store = loaded;
        for (long k = 0; k < keys; k += 10) {
            const std::string key = "key" + std::to_string(k);
            store.WriteInteger(u"Window", std::u16string(key.begin(), key.end()), 1);
        }
        benchmark::DoNotOptimize(store.Sections().data());
    }
    state.SetComplexityN(keys);
}

}  // namespace

BENCHMARK(BM_LoadSections)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_SaveSections)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_LoadKeys)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_SaveKeys)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_WriteKeys)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond)->Complexity();

BENCHMARK_MAIN();
