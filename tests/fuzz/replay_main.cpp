// The fuzz targets without libFuzzer: runs the target on every file of the
// given corpus files or directories, then on --random N inputs made by a
// fixed-seed generator (random bytes, and corpus files with bytes changed,
// cut short or extended).  Any fault aborts, as under the fuzzer.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<uint8_t> ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Run(const std::vector<uint8_t>& input)
{
    // A heap copy of exactly the input's size, as libFuzzer passes it.
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(input.size() ? input.size() : 1));
    if (!input.empty())
        std::memcpy(copy, input.data(), input.size());
    LLVMFuzzerTestOneInput(copy, input.size());
    std::free(copy);
}

}  // namespace

int main(int argc, char** argv)
{
    long randomRuns = 0;
    size_t maxSize = 4096;
    std::vector<std::vector<uint8_t>> corpus;
    for (int i = 1; i < argc; i++) {
        if (!std::strcmp(argv[i], "--random") && i + 1 < argc) {
            randomRuns = std::atol(argv[++i]);
        } else if (!std::strcmp(argv[i], "--max-len") && i + 1 < argc) {
            maxSize = static_cast<size_t>(std::atol(argv[++i]));
        } else if (std::filesystem::is_directory(argv[i])) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(argv[i]))
                files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            for (const auto& f : files)
                corpus.push_back(ReadFile(f));
        } else {
            corpus.push_back(ReadFile(argv[i]));
        }
    }
    for (const auto& input : corpus)
        Run(input);
    std::mt19937 rng(20261207);
    for (long n = 0; n < randomRuns; n++) {
        std::vector<uint8_t> input;
        if (!corpus.empty() && rng() % 2) {
            input = corpus[rng() % corpus.size()];
            for (int edits = 1 + static_cast<int>(rng() % 16); edits > 0 && !input.empty(); edits--)
                input[rng() % input.size()] = static_cast<uint8_t>(rng());
            if (rng() % 4 == 0)
                input.resize(rng() % (input.size() + 1));
            else if (rng() % 4 == 0)
                input.resize(input.size() + rng() % 64, static_cast<uint8_t>(rng()));
        } else {
            input.resize(rng() % (maxSize + 1));
            for (auto& b : input)
                b = static_cast<uint8_t>(rng());
        }
        Run(input);
    }
    std::printf("%zu corpus inputs and %ld random inputs ran without a fault\n", corpus.size(), randomRuns);
    return 0;
}
