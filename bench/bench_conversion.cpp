// The conversion engine against ICU's transliterators doing the same jobs, in one run.
// After the table, prints each mapping's speed-up over its ICU counterpart.
#include <benchmark/benchmark.h>
#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "core/conversionset.h"
#include "util/mappings.h"

namespace {

// Mixed Japanese text as a clipboard would hold it: kana of both widths, voiced marks, kanji,
// ASCII and full-width Latin, punctuation and line breaks.
const std::u16string& Input() {
    static const std::u16string text = [] {
        const std::u16string line =
            u"Varnopileはクリップボードの文字列を変換します。ガギグゲゴ、パピプペポ、ｶﾞｷﾞｸﾞ ﾊﾟﾋﾟ ｱｲｳｴｵ。"
            u"ＡＢＣ１２３ abc 123「ひらがな」と『カタカナ』、漢字も混ざる。ヴァイオリンとばびぶべぼ\r\n";
        std::u16string s;
        while (s.size() < Varnopile::SourceLimit) s += line;
        s.resize(Varnopile::SourceLimit);
        return s;
    }();
    return text;
}

using Mapping = std::u16string (*)(const std::u16string&);

void Ours(benchmark::State& state, Mapping map) {
    const std::u16string& input = Input();
    if (map(input).empty()) state.SkipWithError("mapping gave an empty result");
    for (auto _ : state) benchmark::DoNotOptimize(map(input));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(input.size()));
}

void Icu(benchmark::State& state, const char* id) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> t(icu::Transliterator::createInstance(id, UTRANS_FORWARD, status));
    if (U_FAILURE(status) || !t) {
        state.SkipWithError("ICU transliterator not available");
        return;
    }
    const std::u16string& input = Input();
    for (auto _ : state) {
        icu::UnicodeString s(input.data(), static_cast<int32_t>(input.size()));
        t->transliterate(s);
        benchmark::DoNotOptimize(s.getBuffer());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(input.size()));
}

// A fresh set each time, dropped at once: the allocator may hand the pages back to the system
// and take page faults for them on the next call.
void WholeSet(benchmark::State& state) {
    const std::u16string& input = Input();
    for (auto _ : state) benchmark::DoNotOptimize(Varnopile::BuildConversionSet(input));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(input.size()));
}

// A text the set has to cut and trim, so the source is copied first.
void WholeSetCutAndTrimmed(benchmark::State& state) {
    const std::u16string input = u"\r\n" + Input();
    for (auto _ : state) benchmark::DoNotOptimize(Varnopile::BuildConversionSet(input));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(Varnopile::SourceLimit));
}

// As the Get command does it: the new set replaces the one the window holds.
void WholeSetIntoMData(benchmark::State& state) {
    const std::u16string& input = Input();
    Varnopile::ConversionSet mdata = Varnopile::BuildConversionSet(input);
    for (auto _ : state) {
        mdata = Varnopile::BuildConversionSet(input);
        benchmark::DoNotOptimize(mdata);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(input.size()));
}

struct Pair {
    const char* ours;
    const char* icu;
};
constexpr Pair Pairs[] = {
    {"Ours/HalfWidth", "ICU/Fullwidth-Halfwidth"},
    {"Ours/FullWidth", "ICU/Halfwidth-Fullwidth"},
    {"Ours/Katakana", "ICU/Hiragana-Katakana"},
    {"Ours/Hiragana", "ICU/Katakana-Hiragana"},
};

// Keeps each run's CPU time per iteration (the median when repetitions are asked for).
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median) continue;
            const std::string name = run.run_name.function_name;
            if (!median && medians_.count(name)) continue;
            if (median) medians_[name] = true;
            ns_[name] = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    const std::map<std::string, double>& Nanoseconds() const { return ns_; }

private:
    std::map<std::string, double> ns_;
    std::map<std::string, bool> medians_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("Ours/HalfWidth", Ours, Tormvale::MapHalfWidth);
    benchmark::RegisterBenchmark("ICU/Fullwidth-Halfwidth", Icu, "Fullwidth-Halfwidth");
    benchmark::RegisterBenchmark("Ours/FullWidth", Ours, Tormvale::MapFullWidth);
    benchmark::RegisterBenchmark("ICU/Halfwidth-Fullwidth", Icu, "Halfwidth-Fullwidth");
    benchmark::RegisterBenchmark("Ours/Katakana", Ours, Tormvale::MapKatakana);
    benchmark::RegisterBenchmark("ICU/Hiragana-Katakana", Icu, "Hiragana-Katakana");
    benchmark::RegisterBenchmark("Ours/Hiragana", Ours, Tormvale::MapHiragana);
    benchmark::RegisterBenchmark("ICU/Katakana-Hiragana", Icu, "Katakana-Hiragana");
    benchmark::RegisterBenchmark("BuildConversionSet", WholeSet);
    benchmark::RegisterBenchmark("BuildConversionSet/CutAndTrimmed", WholeSetCutAndTrimmed);
    benchmark::RegisterBenchmark("BuildConversionSet/IntoMData", WholeSetIntoMData);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto& ns = reporter.Nanoseconds();
    std::printf("\nInput: %zu UTF-16 units of mixed Japanese text (CPU time per call)\n", Input().size());
    for (const Pair& p : Pairs) {
        const auto ours = ns.find(p.ours), icu = ns.find(p.icu);
        if (ours == ns.end() || icu == ns.end()) continue;
        std::printf("%-16s %10.0f ns   %-24s %12.0f ns   ICU/ours %7.1fx (target >= 50x)\n", p.ours, ours->second,
                    p.icu, icu->second, icu->second / ours->second);
    }
    for (const char* name : {"BuildConversionSet", "BuildConversionSet/CutAndTrimmed", "BuildConversionSet/IntoMData"})
        if (const auto set = ns.find(name); set != ns.end())
            std::printf("%-33s all six: %6.1f us (target < 100 us)\n", name, set->second / 1000.0);
    return 0;
}
