// Runs a libFuzzer target without libFuzzer: over the files named on the command
// line, or over a fixed number of pseudo-random inputs, so the regular build and
// test run exercise every fuzz target (scripts/fuzz runs the real fuzzer).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) {
            std::ifstream in(argv[i], std::ios::binary);
            std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        }
        return 0;
    }
    // Each input writes files with fsync, so a few hundred keep the run short.
    constexpr int kRounds = 500;
    std::mt19937 random(1);
    // Inputs built mostly from the bytes the targets care about.
    const char alphabet[] = "add,remove,clear,LABEL= none ntfs rw,auto,nobrowse\n\r\t#\xc3\xa9\x00\x01,,";
    for (int round = 0; round < kRounds; ++round) {
        std::vector<std::uint8_t> bytes(random() % 200);
        for (auto& byte : bytes)
            byte = random() % 4 == 0 ? static_cast<std::uint8_t>(random()) : alphabet[random() % (sizeof alphabet - 1)];
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("fuzz regression: %d inputs\n", kRounds);
    return 0;
}
