// ZipOut.h -- a small ZIP writer for the installer's payload: deflated entries, each with the
// "NUCX" Unicode name field (0x554E) and Unix permissions, folder entries ending with "/".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ks::payload {

class TZipOut {
public:
    // Name: UTF-8 with "/" separators; Mode: Unix permission bits (0755, 0644).
    void AddFile(const std::string& Name, const std::vector<uint8_t>& Data, uint32_t Mode);
    void AddFolder(const std::string& Name); // Name ends with "/"
    // The finished archive: local headers and data, central directory, end record.
    std::vector<uint8_t> Finish();

private:
    struct TEntry {
        std::string Name;
        uint32_t Crc = 0, CompSize = 0, Size = 0, Offset = 0, ExtAttr = 0;
        uint16_t Method = 0;
        std::vector<uint8_t> Extra;
    };
    void Add(TEntry E, const std::vector<uint8_t>& Stored);

    std::vector<uint8_t> FOut;
    std::vector<TEntry> FEntries;
};

// Reads a whole file; throws std::runtime_error when it cannot.
std::vector<uint8_t> ReadFile(const std::string& Path);
void WriteFile(const std::string& Path, const std::vector<uint8_t>& Data);

} // namespace ks::payload
