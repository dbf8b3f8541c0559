// fuzz_replay_main.cpp -- runs a fuzz target's entry point over files, for builds without
// libFuzzer: each argument is a file or a folder of files (the seed corpus). Exit status 0 when
// every input was processed; a fault ends the process as it would under the fuzzer.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

namespace {

int RunFile(const std::filesystem::path& File) {
    std::ifstream In(File, std::ios::binary);
    if (!In) {
        std::fprintf(stderr, "cannot read %s\n", File.string().c_str());
        return 1;
    }
    std::vector<uint8_t> Bytes((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(Bytes.data(), Bytes.size());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    int Failures = 0, Inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path Arg(argv[i]);
        std::vector<std::filesystem::path> Files;
        if (std::filesystem::is_directory(Arg)) {
            for (const auto& Entry : std::filesystem::directory_iterator(Arg))
                if (Entry.is_regular_file())
                    Files.push_back(Entry.path());
            std::sort(Files.begin(), Files.end());
        } else {
            Files.push_back(Arg);
        }
        for (const auto& File : Files) {
            Failures += RunFile(File);
            ++Inputs;
        }
    }
    std::printf("%d inputs replayed\n", Inputs);
    return (Failures == 0 && Inputs > 0) ? 0 : 1;
}
