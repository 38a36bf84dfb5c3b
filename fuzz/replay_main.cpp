// Without libFuzzer (a GCC build): runs a fuzz target once on every file named or found in the
// folders named, so the seed corpus and past findings replay as a test in every build; then, with
// --random=N, on N inputs drawn from a fixed seed (seed corpus files cut, spliced and flipped, and
// plain random bytes), so the targets' invariants guard every build and not only the fuzz runs.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    std::vector<std::filesystem::path> inputs;
    unsigned long randomRuns = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option.rfind("--random=", 0) == 0) {
            randomRuns = std::stoul(option.substr(9));
            continue;
        }
        const std::filesystem::path arg = argv[i];
        if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg))
                if (entry.is_regular_file()) inputs.push_back(entry.path());
        } else if (std::filesystem::is_regular_file(arg)) {
            inputs.push_back(arg);
        } else {
            std::fprintf(stderr, "%s: no such file or folder\n", argv[i]);
            return 2;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    std::vector<std::string> seeds;
    for (const auto& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        std::fprintf(stderr, "Running: %s (%zu bytes)\n", path.c_str(), seeds.back().size());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(seeds.back().data()), seeds.back().size());
    }
    std::mt19937 random(20261209);
    auto below = [&](std::size_t n) {
        return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    for (unsigned long run = 0; run < randomRuns; ++run) {
        std::string bytes;
        if (seeds.empty() || run % 4 == 0) {
            bytes.resize(below(512));
        } else {
            // A seed's slice, spliced with another's, then a few bytes changed.
            const std::string& a = seeds[below(seeds.size())];
            const std::string& b = seeds[below(seeds.size())];
            const std::size_t from = below(a.size() + 1);
            bytes = a.substr(from, below(a.size() - from + 1)) + b.substr(below(b.size() + 1));
        }
        for (std::size_t i = 0, flips = 1 + below(8); i < flips && !bytes.empty(); ++i)
            bytes[below(bytes.size())] = static_cast<char>(random());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::fprintf(stderr, "Executed %zu inputs and %lu random ones\n", inputs.size(), randomRuns);
    return inputs.empty() ? 1 : 0;
}
