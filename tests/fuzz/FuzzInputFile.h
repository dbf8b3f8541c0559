// FuzzInputFile.h -- the file through which a fuzz target hands its input to the component, which
// opens existing archives only from files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace ks::test {

// A name of this process's own in the temporary folder, removed when the process ends.
inline const std::filesystem::path& FuzzInputFile() {
    static const std::filesystem::path Path = [] {
        std::random_device Random;
        return std::filesystem::temp_directory_path() /
               ("kestrel-fuzz-" + std::to_string(Random()) + "-" + std::to_string(Random()) + ".zip");
    }();
    // Made after Path, so destroyed before it (statics end in reverse order of construction): its
    // destructor still reads a live name.
    static struct TRemoveAtExit {
        ~TRemoveAtExit() {
            std::error_code Ignored;
            std::filesystem::remove(Path, Ignored);
        }
    } RemoveAtExit;
    return Path;
}

// Replaces the file's contents with the input; returns its name.
inline const std::filesystem::path& WriteFuzzInput(const uint8_t* Data, size_t Size) {
    const std::filesystem::path& Path = FuzzInputFile();
    std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
    Out.write(reinterpret_cast<const char*>(Data), static_cast<std::streamsize>(Size));
    return Path;
}

} // namespace ks::test
