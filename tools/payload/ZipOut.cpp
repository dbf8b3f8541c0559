#include "tools/payload/ZipOut.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <zlib.h>

namespace ks::payload {

namespace {
// 2024-05-01 10:00:00 as MS-DOS time and date: the payload is the same on every build.
constexpr uint16_t DosTime = (10 << 11);
constexpr uint16_t DosDate = ((2024 - 1980) << 9) | (5 << 5) | 1;

void Put16(std::vector<uint8_t>& B, uint32_t V) {
    B.push_back(static_cast<uint8_t>(V));
    B.push_back(static_cast<uint8_t>(V >> 8));
}
void Put32(std::vector<uint8_t>& B, uint32_t V) {
    Put16(B, V & 0xFFFF);
    Put16(B, V >> 16);
}

std::u16string Utf16(const std::string& S) {
    std::u16string Out;
    for (size_t i = 0; i < S.size();) {
        const auto C = static_cast<unsigned char>(S[i]);
        uint32_t Cp;
        int N;
        if (C < 0x80) {
            Cp = C;
            N = 1;
        } else if ((C >> 5) == 6) {
            Cp = C & 0x1F;
            N = 2;
        } else if ((C >> 4) == 14) {
            Cp = C & 0x0F;
            N = 3;
        } else {
            Cp = C & 0x07;
            N = 4;
        }
        if (i + N > S.size())
            throw std::runtime_error("bad UTF-8 in name " + S);
        for (int k = 1; k < N; ++k)
            Cp = (Cp << 6) | (static_cast<unsigned char>(S[i + k]) & 0x3F);
        i += N;
        if (Cp >= 0x10000) {
            Cp -= 0x10000;
            Out.push_back(static_cast<char16_t>(0xD800 + (Cp >> 10)));
            Out.push_back(static_cast<char16_t>(0xDC00 + (Cp & 0x3FF)));
        } else {
            Out.push_back(static_cast<char16_t>(Cp));
        }
    }
    return Out;
}

// The Unicode name field: ID 0x554E, size, "NUCX", code-unit count, UTF-16LE name.
std::vector<uint8_t> UnicodeNameField(const std::string& Name) {
    const std::u16string W = Utf16(Name);
    std::vector<uint8_t> F;
    Put16(F, 0x554E);
    Put16(F, static_cast<uint32_t>(8 + 2 * W.size()));
    Put32(F, 0x5843554E);
    Put32(F, static_cast<uint32_t>(W.size()));
    for (char16_t C : W)
        Put16(F, C);
    return F;
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& Data) {
    z_stream Z{};
    if (deflateInit2(&Z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::vector<uint8_t> Out(deflateBound(&Z, static_cast<uLong>(Data.size())) + 16);
    Z.next_in = const_cast<Bytef*>(Data.data());
    Z.avail_in = static_cast<uInt>(Data.size());
    Z.next_out = Out.data();
    Z.avail_out = static_cast<uInt>(Out.size());
    const int R = deflate(&Z, Z_FINISH);
    Out.resize(Z.total_out);
    deflateEnd(&Z);
    if (R != Z_STREAM_END)
        throw std::runtime_error("deflate failed");
    return Out;
}
} // namespace

void TZipOut::AddFile(const std::string& Name, const std::vector<uint8_t>& Data, uint32_t Mode) {
    TEntry E;
    E.Name = Name;
    E.Method = 8;
    E.Size = static_cast<uint32_t>(Data.size());
    E.Crc = static_cast<uint32_t>(crc32(0, Data.data(), static_cast<uInt>(Data.size())));
    E.ExtAttr = ((0100000u | Mode) << 16) | 0x20; // regular file + archive bit
    const std::vector<uint8_t> Packed = Deflate(Data);
    E.CompSize = static_cast<uint32_t>(Packed.size());
    Add(std::move(E), Packed);
}

void TZipOut::AddFolder(const std::string& Name) {
    TEntry E;
    E.Name = Name;
    E.Method = 8; // every entry deflated: an empty folder is an empty deflate stream
    const std::vector<uint8_t> Packed = Deflate({});
    E.CompSize = static_cast<uint32_t>(Packed.size());
    E.ExtAttr = ((0040000u | 0755u) << 16) | 0x10; // folder
    Add(std::move(E), Packed);
}

void TZipOut::Add(TEntry E, const std::vector<uint8_t>& Stored) {
    E.Offset = static_cast<uint32_t>(FOut.size());
    E.Extra = UnicodeNameField(E.Name);
    Put32(FOut, 0x04034B50);
    Put16(FOut, 20);
    Put16(FOut, 0x0800); // names are UTF-8
    Put16(FOut, E.Method);
    Put16(FOut, DosTime);
    Put16(FOut, DosDate);
    Put32(FOut, E.Crc);
    Put32(FOut, E.CompSize);
    Put32(FOut, E.Size);
    Put16(FOut, static_cast<uint32_t>(E.Name.size()));
    Put16(FOut, static_cast<uint32_t>(E.Extra.size()));
    FOut.insert(FOut.end(), E.Name.begin(), E.Name.end());
    FOut.insert(FOut.end(), E.Extra.begin(), E.Extra.end());
    FOut.insert(FOut.end(), Stored.begin(), Stored.end());
    FEntries.push_back(std::move(E));
}

std::vector<uint8_t> TZipOut::Finish() {
    const auto CdStart = static_cast<uint32_t>(FOut.size());
    for (const TEntry& E : FEntries) {
        Put32(FOut, 0x02014B50);
        Put16(FOut, (3 << 8) | 20); // made on Unix
        Put16(FOut, 20);
        Put16(FOut, 0x0800);
        Put16(FOut, E.Method);
        Put16(FOut, DosTime);
        Put16(FOut, DosDate);
        Put32(FOut, E.Crc);
        Put32(FOut, E.CompSize);
        Put32(FOut, E.Size);
        Put16(FOut, static_cast<uint32_t>(E.Name.size()));
        Put16(FOut, static_cast<uint32_t>(E.Extra.size()));
        Put16(FOut, 0); // comment
        Put16(FOut, 0); // disk
        Put16(FOut, 0); // internal attributes
        Put32(FOut, E.ExtAttr);
        Put32(FOut, E.Offset);
        FOut.insert(FOut.end(), E.Name.begin(), E.Name.end());
        FOut.insert(FOut.end(), E.Extra.begin(), E.Extra.end());
    }
    const auto CdSize = static_cast<uint32_t>(FOut.size()) - CdStart;
    Put32(FOut, 0x06054B50);
    Put16(FOut, 0);
    Put16(FOut, 0);
    Put16(FOut, static_cast<uint32_t>(FEntries.size()));
    Put16(FOut, static_cast<uint32_t>(FEntries.size()));
    Put32(FOut, CdSize);
    Put32(FOut, CdStart);
    Put16(FOut, 0);
    return std::move(FOut);
}

std::vector<uint8_t> ReadFile(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    if (!In)
        throw std::runtime_error("cannot read " + Path);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(In), {});
}

void WriteFile(const std::string& Path, const std::vector<uint8_t>& Data) {
    std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
    Out.write(reinterpret_cast<const char*>(Data.data()), static_cast<std::streamsize>(Data.size()));
    if (!Out)
        throw std::runtime_error("cannot write " + Path);
}

} // namespace ks::payload
