// ZipWriter.cpp -- the test ZIP writer, its damage helpers and the temporary folder.
#include "tests/support/ZipWriter.h"

#include <zlib.h>

#include <array>
#include <fstream>
#include <random>
#include <stdexcept>

namespace ks::test {

Bytes ToBytes(std::string_view Text) {
    return Bytes(Text.begin(), Text.end());
}

uint32_t Crc32(std::span<const uint8_t> Data) {
    uLong c = crc32(0L, Z_NULL, 0);
    size_t Done = 0;
    while (Done < Data.size()) {
        const uInt Chunk = static_cast<uInt>(std::min<size_t>(Data.size() - Done, 1u << 30));
        c = crc32(c, Data.data() + Done, Chunk);
        Done += Chunk;
    }
    return static_cast<uint32_t>(c);
}

Bytes NoiseBytes(size_t Count, uint64_t Seed) {
    Bytes Out(Count);
    uint64_t x = Seed ? Seed : 0x9E3779B97F4A7C15ull;
    for (size_t i = 0; i < Count; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        Out[i] = static_cast<uint8_t>(x >> 24);
    }
    return Out;
}

namespace {

// One raw-deflate stream reused for every entry of a writer (reset between entries).
class TDeflater {
public:
    ~TDeflater() {
        if (FOpen)
            deflateEnd(&FStream);
    }
    Bytes Run(std::span<const uint8_t> Data, int Level) {
        if (!FOpen || Level != FLevel) {
            if (FOpen)
                deflateEnd(&FStream);
            FStream = {};
            if (deflateInit2(&FStream, Level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
                throw std::runtime_error("deflateInit2 failed");
            FOpen = true;
            FLevel = Level;
        } else {
            deflateReset(&FStream);
        }
        Bytes Out(deflateBound(&FStream, static_cast<uLong>(Data.size())) + 16);
        FStream.next_in = const_cast<Bytef*>(Data.data());
        FStream.avail_in = static_cast<uInt>(Data.size());
        FStream.next_out = Out.data();
        FStream.avail_out = static_cast<uInt>(Out.size());
        if (deflate(&FStream, Z_FINISH) != Z_STREAM_END)
            throw std::runtime_error("deflate did not finish");
        Out.resize(FStream.total_out);
        return Out;
    }

private:
    z_stream FStream{};
    bool FOpen = false;
    int FLevel = 0;
};

void Append(Bytes& Out, std::span<const uint8_t> Data) {
    Out.insert(Out.end(), Data.begin(), Data.end());
}

// The writer serialises records itself, independently of the engine's record code, so that a
// fault in one is not mirrored by the other.
void Put(Bytes& Out, uint64_t Value, int Width) {
    for (int i = 0; i < Width; ++i)
        Out.push_back(static_cast<uint8_t>(Value >> (8 * i)));
}
void Put16(Bytes& Out, uint32_t Value) {
    Put(Out, Value, 2);
}
void Put32(Bytes& Out, uint64_t Value) {
    Put(Out, Value, 4);
}
void Put64(Bytes& Out, uint64_t Value) {
    Put(Out, Value, 8);
}

void PutAt(Bytes& Out, size_t Offset, uint64_t Value, int Width) {
    if (Offset + static_cast<size_t>(Width) > Out.size())
        throw std::out_of_range("patch outside the archive");
    for (int i = 0; i < Width; ++i)
        Out[Offset + static_cast<size_t>(i)] = static_cast<uint8_t>(Value >> (8 * i));
}
uint64_t GetAt(const Bytes& In, size_t Offset, int Width) {
    uint64_t v = 0;
    for (int i = 0; i < Width; ++i)
        v |= static_cast<uint64_t>(In[Offset + static_cast<size_t>(i)]) << (8 * i);
    return v;
}

void AppendField(Bytes& Out, uint16_t ID, std::span<const uint8_t> Data) {
    if (Data.size() > 0xFFFF)
        throw std::invalid_argument("extra field too long");
    Put16(Out, ID);
    Put16(Out, static_cast<uint32_t>(Data.size()));
    Append(Out, Data);
}

void AppendLocal(Bytes& B, const TKSZipFileHeader& L) {
    Put32(B, L.signature);
    Put16(B, L.extractVersion);
    Put16(B, L.genPurposeFlag);
    Put16(B, L.compMethod);
    Put16(B, L.lastModTime);
    Put16(B, L.lastModDate);
    Put32(B, L.crc32);
    Put32(B, L.compSize);
    Put32(B, L.unCompSize);
    Put16(B, L.nameLength);
    Put16(B, L.extraLength);
}

void AppendCentral(Bytes& B, const TKSZipCentralDir& C) {
    Put32(B, C.signature);
    Put16(B, C.versionMadeBy);
    Put16(B, C.extractVersion);
    Put16(B, C.genPurposeFlag);
    Put16(B, C.compMethod);
    Put16(B, C.lastModTime);
    Put16(B, C.lastModDate);
    Put32(B, C.crc32);
    Put32(B, C.compSize);
    Put32(B, C.unCompSize);
    Put16(B, C.nameLength);
    Put16(B, C.extraLength);
    Put16(B, C.commentLength);
    Put16(B, C.diskNumberStart);
    Put16(B, C.internalAttr);
    Put32(B, C.externalAttr);
    Put32(B, C.relOffsetLH);
}

void AppendEnd(Bytes& B, const TKSZipCentralDirEnd& E) {
    Put32(B, E.signature);
    Put16(B, E.diskNumber);
    Put16(B, E.startDiskNumber);
    Put16(B, E.entriesOnDisk);
    Put16(B, E.entriesCentralDir);
    Put32(B, E.centralDirSize);
    Put32(B, E.offsetStartDir);
    Put16(B, E.commentLength);
}

// Field widths of the headers that PatchCentralHeader / PatchLocalHeader / PatchEndRecord edit.
constexpr int kLocalWidths[] = {4, 2, 2, 2, 2, 2, 4, 4, 4, 2, 2};
constexpr int kCentralWidths[] = {4, 2, 2, 2, 2, 2, 2, 4, 4, 4, 2, 2, 2, 2, 2, 4, 4};
constexpr int kEndWidths[] = {4, 2, 2, 2, 2, 4, 4, 2};

template <size_t N> std::array<uint64_t, N> ReadFields(const Bytes& In, size_t Offset, const int (&W)[N]) {
    std::array<uint64_t, N> V{};
    for (size_t i = 0; i < N; ++i) {
        V[i] = GetAt(In, Offset, W[i]);
        Offset += static_cast<size_t>(W[i]);
    }
    return V;
}
template <size_t N>
void WriteFields(Bytes& Out, size_t Offset, const int (&W)[N], const std::array<uint64_t, N>& V) {
    for (size_t i = 0; i < N; ++i) {
        PutAt(Out, Offset, V[i], W[i]);
        Offset += static_cast<size_t>(W[i]);
    }
}

// The traditional cipher's key schedule.
struct TZipCryptoKeys {
    uint32_t k0 = 305419896, k1 = 591751049, k2 = 878082192;
    static const std::array<uint32_t, 256>& Table() {
        static const std::array<uint32_t, 256> T = [] {
            std::array<uint32_t, 256> t{};
            for (uint32_t n = 0; n < 256; ++n) {
                uint32_t c = n;
                for (int k = 0; k < 8; ++k)
                    c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
                t[n] = c;
            }
            return t;
        }();
        return T;
    }
    static uint32_t Crc(uint32_t c, uint8_t b) { return Table()[(c ^ b) & 0xFF] ^ (c >> 8); }
    void Update(uint8_t p) {
        k0 = Crc(k0, p);
        k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
        k2 = Crc(k2, static_cast<uint8_t>(k1 >> 24));
    }
    uint8_t Stream() const {
        const uint32_t t = (k2 | 2) & 0xFFFF;
        return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
    }
    uint8_t Encrypt(uint8_t p) {
        const uint8_t c = static_cast<uint8_t>(p ^ Stream());
        Update(p);
        return c;
    }
};

} // namespace

Bytes Deflate(std::span<const uint8_t> Data, int Level) {
    TDeflater d;
    return d.Run(Data, Level);
}

Bytes ZipCryptoEncrypt(std::string_view Password, std::span<const uint8_t> Data, uint8_t CheckByte,
                       uint64_t Seed) {
    TZipCryptoKeys Keys;
    for (char c : Password)
        Keys.Update(static_cast<uint8_t>(c));
    Bytes Header = NoiseBytes(12, Seed);
    Header[11] = CheckByte;
    Bytes Out;
    Out.reserve(12 + Data.size());
    for (uint8_t b : Header)
        Out.push_back(Keys.Encrypt(b));
    for (uint8_t b : Data)
        Out.push_back(Keys.Encrypt(b));
    return Out;
}

// ---- writer ---------------------------------------------------------------------------------------

struct ZipWriter::Impl {
    struct Central {
        TKSZipCentralDir cd;
        std::string name;
        Bytes extraTail; // central extra fields after the Zip64 field
        Bytes comment;
        uint64_t localPos = 0; // from the archive's own start
        uint64_t compSize = 0, unCompSize = 0;
        bool zip64 = false;
    };
    Bytes stub;
    Bytes comment;
    Bytes body; // local headers and data, without the stub
    std::vector<Central> central;
    TDeflater deflater;
    bool finished = false;
    bool anyZip64 = false;
};

ZipWriter::ZipWriter() : FImpl(std::make_unique<Impl>()) {}
ZipWriter::~ZipWriter() = default;

void ZipWriter::SetStub(std::span<const uint8_t> Stub) {
    FImpl->stub.assign(Stub.begin(), Stub.end());
}

void ZipWriter::SetComment(std::span<const uint8_t> Comment) {
    FImpl->comment.assign(Comment.begin(), Comment.end());
}

void ZipWriter::AddDirectory(std::string_view Name, EntryOptions Options) {
    std::string N(Name);
    if (N.empty() || N.back() != '/')
        N.push_back('/');
    Options.method = ZIP_None;
    if (Options.externalAttr == 0x20)
        Options.externalAttr = 0x10;
    AddFile(N, std::span<const uint8_t>{}, Options);
}

void ZipWriter::AddFile(std::string_view Name, std::span<const uint8_t> Data, const EntryOptions& O) {
    Impl& I = *FImpl;
    if (I.finished)
        throw std::logic_error("ZipWriter already finished");
    if (Name.size() > 0xFFFF)
        throw std::invalid_argument("name too long");

    const uint32_t Crc = Crc32(Data);
    Bytes Compressed;
    std::span<const uint8_t> Packed = Data;
    if (O.method == ZIP_ZLIB) {
        Compressed = I.deflater.Run(Data, O.level);
        Packed = Compressed;
    }

    uint16_t Flags = O.flags;
    if (O.dataDescriptor)
        Flags |= KSFlagDataDescriptor;
    if (O.password || O.aes)
        Flags |= KSFlagEncrypted;
    const uint16_t StoredMethod = O.aes ? ZIP_AES : O.method;

    EntryInfo Info{std::string(Name), Crc, Data.size(), O.method, O.dosTime, O.dosDate, Flags};
    Bytes Payload;
    if (O.transform) {
        Payload = O.transform(Info, Packed);
    } else if (O.password) {
        const uint8_t Check =
            O.dataDescriptor ? static_cast<uint8_t>(O.dosTime >> 8) : static_cast<uint8_t>(Crc >> 24);
        Payload = ZipCryptoEncrypt(*O.password, Packed, Check, 0x5EED + I.central.size());
    } else {
        Payload.assign(Packed.begin(), Packed.end());
    }

    const uint64_t LocalPos = I.body.size();
    const uint64_t CompSize = Payload.size();
    const uint64_t UnCompSize = Data.size();
    const bool Zip64 = O.zip64 || CompSize >= KSZip64Marker32 || UnCompSize >= KSZip64Marker32;
    I.anyZip64 |= Zip64;

    const uint32_t WrittenCrc = O.crc32.value_or((O.aes && O.aes->version == 2) ? 0 : Crc);
    const uint32_t WrittenComp =
        O.compSize.value_or(Zip64 ? KSZip64Marker32 : static_cast<uint32_t>(CompSize));
    const uint32_t WrittenUnComp =
        O.unCompSize.value_or(Zip64 ? KSZip64Marker32 : static_cast<uint32_t>(UnCompSize));
    const uint16_t Version = O.extractVersion ? O.extractVersion : O.aes ? 51 : Zip64 ? 45 : 20;

    // Extra fields shared by both headers (after any Zip64 field).
    Bytes Shared;
    Bytes AesField;
    if (O.aes) {
        Bytes Data;
        Put16(Data, O.aes->version);
        Put16(Data, O.aes->vendorID);
        Data.push_back(O.aes->strength);
        Put16(Data, O.method);
        AppendField(AesField, AesExtraFieldHeaderID, Data);
    }
    Bytes UnicodeField;
    if (O.unicodeName) {
        Bytes Data;
        Put32(Data, UnicodeAdditionalSignature);
        Put32(Data, O.unicodeName->size());
        for (TKSChar c : *O.unicodeName)
            Put16(Data, c);
        AppendField(UnicodeField, UnicodeExtraFieldHeaderID, Data);
    }

    Bytes LocalExtra;
    if (Zip64) {
        Bytes Data;
        Put64(Data, O.dataDescriptor ? 0 : UnCompSize);
        Put64(Data, O.dataDescriptor ? 0 : CompSize);
        AppendField(LocalExtra, Zip64ExtraFieldHeaderID, Data);
    }
    if (O.unicodeInLocal)
        Append(LocalExtra, UnicodeField);
    Append(LocalExtra, AesField);
    Append(LocalExtra, O.extra);
    Append(LocalExtra, O.localExtra);
    if (LocalExtra.size() > 0xFFFF)
        throw std::invalid_argument("local extra fields too long");

    TKSZipFileHeader L;
    L.extractVersion = Version;
    L.genPurposeFlag = Flags;
    L.compMethod = StoredMethod;
    L.lastModTime = O.dosTime;
    L.lastModDate = O.dosDate;
    if (O.dataDescriptor) {
        L.crc32 = 0;
        L.compSize = Zip64 ? KSZip64Marker32 : 0;
        L.unCompSize = Zip64 ? KSZip64Marker32 : 0;
    } else {
        L.crc32 = WrittenCrc;
        L.compSize = WrittenComp;
        L.unCompSize = WrittenUnComp;
    }
    L.nameLength = static_cast<uint16_t>(Name.size());
    L.extraLength = static_cast<uint16_t>(LocalExtra.size());

    Bytes& B = I.body;
    AppendLocal(B, L);
    B.insert(B.end(), Name.begin(), Name.end());
    Append(B, LocalExtra);
    const uint64_t DataPos = B.size();
    Append(B, Payload);
    uint64_t DescriptorPos = 0;
    if (O.dataDescriptor) {
        DescriptorPos = B.size();
        if (O.descriptorSignature)
            Put32(B, ZipDataDescriptorSignature);
        Put32(B, WrittenCrc);
        Put32(B, O.compSize.value_or(static_cast<uint32_t>(CompSize)));
        Put32(B, O.unCompSize.value_or(static_cast<uint32_t>(UnCompSize)));
    }

    Impl::Central C;
    C.cd.versionMadeBy = O.versionMadeBy;
    C.cd.extractVersion = Version;
    C.cd.genPurposeFlag = Flags;
    C.cd.compMethod = StoredMethod;
    C.cd.lastModTime = O.dosTime;
    C.cd.lastModDate = O.dosDate;
    C.cd.crc32 = WrittenCrc;
    C.cd.compSize = WrittenComp;
    C.cd.unCompSize = WrittenUnComp;
    C.cd.nameLength = static_cast<uint16_t>(Name.size());
    C.cd.commentLength = static_cast<uint16_t>(O.comment.size());
    C.cd.diskNumberStart = O.diskNumberStart.value_or(0);
    C.cd.internalAttr = O.internalAttr;
    C.cd.externalAttr = O.externalAttr;
    C.name.assign(Name);
    if (O.unicodeInCentral)
        Append(C.extraTail, UnicodeField);
    Append(C.extraTail, AesField);
    Append(C.extraTail, O.extra);
    Append(C.extraTail, O.centralExtra);
    C.comment = O.comment;
    C.localPos = LocalPos;
    C.compSize = CompSize;
    C.unCompSize = UnCompSize;
    C.zip64 = Zip64;
    I.central.push_back(std::move(C));

    FLayout.entries.push_back({std::string(Name), LocalPos, DataPos, Payload.size(), 0, DescriptorPos});
}

Bytes ZipWriter::Finish(const FinishOptions& F) {
    Impl& I = *FImpl;
    if (I.finished)
        throw std::logic_error("ZipWriter already finished");
    I.finished = true;

    const uint64_t Stub = I.stub.size();
    const uint64_t Base = F.offsetsFromArchiveStart ? 0 : Stub; // added to archive-relative offsets
    Bytes Out;
    size_t CentralBytes = 0;
    for (const auto& C : I.central)
        CentralBytes += 46 + C.name.size() + C.extraTail.size() + C.comment.size() + 32;
    Out.reserve(Stub + I.body.size() + CentralBytes + 128 + I.comment.size());
    Append(Out, I.stub);
    Append(Out, I.body);
    Bytes().swap(I.body);

    FLayout.stubSize = Stub;
    for (auto& e : FLayout.entries) {
        e.localOffset += Stub;
        e.dataOffset += Stub;
        if (e.descriptorOffset)
            e.descriptorOffset += Stub;
    }
    FLayout.centralDirOffset = Out.size();
    for (size_t k = 0; k < I.central.size(); ++k) {
        auto& C = I.central[k];
        const uint64_t Offset = C.localPos + Base;
        const bool BigOffset = C.zip64 || Offset >= KSZip64Marker32;
        TKSZipCentralDir cd = C.cd;
        Bytes Extra;
        if (C.zip64 || BigOffset) {
            // Only the saturated fields are carried, in the fixed order.
            Bytes Data;
            if (cd.unCompSize == KSZip64Marker32)
                Put64(Data, C.unCompSize);
            if (cd.compSize == KSZip64Marker32)
                Put64(Data, C.compSize);
            Put64(Data, Offset);
            cd.relOffsetLH = KSZip64Marker32;
            AppendField(Extra, Zip64ExtraFieldHeaderID, Data);
            I.anyZip64 = true;
        } else {
            cd.relOffsetLH = static_cast<uint32_t>(Offset);
        }
        Append(Extra, C.extraTail);
        if (Extra.size() > 0xFFFF)
            throw std::invalid_argument("central extra fields too long");
        cd.extraLength = static_cast<uint16_t>(Extra.size());
        FLayout.entries[k].centralOffset = Out.size();
        AppendCentral(Out, cd);
        Out.insert(Out.end(), C.name.begin(), C.name.end());
        Append(Out, Extra);
        Append(Out, C.comment);
    }
    FLayout.centralDirSize = Out.size() - FLayout.centralDirOffset;
    const uint64_t Count = I.central.size();
    const uint64_t DirOffset = FLayout.centralDirOffset - Stub + Base;

    const bool Zip64 = F.zip64 || I.anyZip64 || Count >= KSZip64Marker16 || DirOffset >= KSZip64Marker32 ||
                       FLayout.centralDirSize >= KSZip64Marker32;
    if (Zip64) {
        FLayout.zip64EndOffset = Out.size();
        Put32(Out, Zip64CentralDirEndSignature);
        Put64(Out, 44);
        Put16(Out, 45); // version made by
        Put16(Out, 45); // version needed
        Put32(Out, F.diskNumber);
        Put32(Out, F.startDiskNumber);
        Put64(Out, Count);
        Put64(Out, Count);
        Put64(Out, FLayout.centralDirSize);
        Put64(Out, DirOffset);
        FLayout.locatorOffset = Out.size();
        Put32(Out, Zip64CentralDirEndLocatorSignature);
        Put32(Out, F.diskNumber);
        Put64(Out, FLayout.zip64EndOffset - Stub + Base);
        Put32(Out, F.totalDisks);
    }

    FLayout.endOffset = Out.size();
    TKSZipCentralDirEnd End;
    End.diskNumber = F.diskNumber;
    End.startDiskNumber = F.startDiskNumber;
    const bool Saturate = Zip64 && F.saturateEndRecord;
    const uint16_t Entries =
        (Saturate || Count >= KSZip64Marker16) ? KSZip64Marker16 : static_cast<uint16_t>(Count);
    End.entriesOnDisk = End.entriesCentralDir = F.entriesOverride.value_or(Entries);
    End.centralDirSize = (Saturate || FLayout.centralDirSize >= KSZip64Marker32)
                             ? KSZip64Marker32
                             : static_cast<uint32_t>(FLayout.centralDirSize);
    End.offsetStartDir =
        (Saturate || DirOffset >= KSZip64Marker32) ? KSZip64Marker32 : static_cast<uint32_t>(DirOffset);
    if (I.comment.size() > 0xFFFF)
        throw std::invalid_argument("archive comment too long");
    End.commentLength = static_cast<uint16_t>(I.comment.size());
    AppendEnd(Out, End);
    Append(Out, I.comment);
    return Out;
}

// ---- damage ---------------------------------------------------------------------------------------

Bytes CutTail(Bytes Archive, size_t Count) {
    Archive.resize(Archive.size() - std::min(Count, Archive.size()));
    return Archive;
}

Bytes CutEndRecord(Bytes Archive, const ArchiveLayout& Layout) {
    Archive.resize(std::min<size_t>(Layout.endOffset, Archive.size()));
    return Archive;
}

Bytes AppendTrailing(Bytes Archive, size_t Count, uint8_t Fill) {
    Archive.insert(Archive.end(), Count, Fill);
    return Archive;
}

Bytes ZeroCentralDirectory(Bytes Archive, const ArchiveLayout& Layout) {
    const size_t From = std::min<size_t>(Layout.centralDirOffset, Archive.size());
    const size_t To = std::min<size_t>(Layout.centralDirOffset + Layout.centralDirSize, Archive.size());
    std::fill(Archive.begin() + static_cast<std::ptrdiff_t>(From),
              Archive.begin() + static_cast<std::ptrdiff_t>(To), 0);
    return Archive;
}

void PatchCentralHeader(Bytes& Archive, const ArchiveLayout& Layout, size_t Index,
                        const std::function<void(TKSZipCentralDir&)>& Edit) {
    const size_t At = Layout.entries.at(Index).centralOffset;
    if (At + 46 > Archive.size())
        throw std::out_of_range("record outside the archive");
    const auto v = ReadFields(Archive, At, kCentralWidths);
    TKSZipCentralDir C;
    C.signature = static_cast<uint32_t>(v[0]);
    C.versionMadeBy = static_cast<uint16_t>(v[1]);
    C.extractVersion = static_cast<uint16_t>(v[2]);
    C.genPurposeFlag = static_cast<uint16_t>(v[3]);
    C.compMethod = static_cast<uint16_t>(v[4]);
    C.lastModTime = static_cast<uint16_t>(v[5]);
    C.lastModDate = static_cast<uint16_t>(v[6]);
    C.crc32 = static_cast<uint32_t>(v[7]);
    C.compSize = static_cast<uint32_t>(v[8]);
    C.unCompSize = static_cast<uint32_t>(v[9]);
    C.nameLength = static_cast<uint16_t>(v[10]);
    C.extraLength = static_cast<uint16_t>(v[11]);
    C.commentLength = static_cast<uint16_t>(v[12]);
    C.diskNumberStart = static_cast<uint16_t>(v[13]);
    C.internalAttr = static_cast<uint16_t>(v[14]);
    C.externalAttr = static_cast<uint32_t>(v[15]);
    C.relOffsetLH = static_cast<uint32_t>(v[16]);
    Edit(C);
    WriteFields(Archive, At, kCentralWidths,
                {C.signature, C.versionMadeBy, C.extractVersion, C.genPurposeFlag, C.compMethod,
                 C.lastModTime, C.lastModDate, C.crc32, C.compSize, C.unCompSize, C.nameLength, C.extraLength,
                 C.commentLength, C.diskNumberStart, C.internalAttr, C.externalAttr, C.relOffsetLH});
}

void PatchLocalHeader(Bytes& Archive, const ArchiveLayout& Layout, size_t Index,
                      const std::function<void(TKSZipFileHeader&)>& Edit) {
    const size_t At = Layout.entries.at(Index).localOffset;
    if (At + 30 > Archive.size())
        throw std::out_of_range("record outside the archive");
    const auto v = ReadFields(Archive, At, kLocalWidths);
    TKSZipFileHeader L;
    L.signature = static_cast<uint32_t>(v[0]);
    L.extractVersion = static_cast<uint16_t>(v[1]);
    L.genPurposeFlag = static_cast<uint16_t>(v[2]);
    L.compMethod = static_cast<uint16_t>(v[3]);
    L.lastModTime = static_cast<uint16_t>(v[4]);
    L.lastModDate = static_cast<uint16_t>(v[5]);
    L.crc32 = static_cast<uint32_t>(v[6]);
    L.compSize = static_cast<uint32_t>(v[7]);
    L.unCompSize = static_cast<uint32_t>(v[8]);
    L.nameLength = static_cast<uint16_t>(v[9]);
    L.extraLength = static_cast<uint16_t>(v[10]);
    Edit(L);
    WriteFields(Archive, At, kLocalWidths,
                {L.signature, L.extractVersion, L.genPurposeFlag, L.compMethod, L.lastModTime, L.lastModDate,
                 L.crc32, L.compSize, L.unCompSize, L.nameLength, L.extraLength});
}

void PatchEndRecord(Bytes& Archive, const ArchiveLayout& Layout,
                    const std::function<void(TKSZipCentralDirEnd&)>& Edit) {
    const size_t At = Layout.endOffset;
    if (At + 22 > Archive.size())
        throw std::out_of_range("record outside the archive");
    const auto v = ReadFields(Archive, At, kEndWidths);
    TKSZipCentralDirEnd E;
    E.signature = static_cast<uint32_t>(v[0]);
    E.diskNumber = static_cast<uint16_t>(v[1]);
    E.startDiskNumber = static_cast<uint16_t>(v[2]);
    E.entriesOnDisk = static_cast<uint16_t>(v[3]);
    E.entriesCentralDir = static_cast<uint16_t>(v[4]);
    E.centralDirSize = static_cast<uint32_t>(v[5]);
    E.offsetStartDir = static_cast<uint32_t>(v[6]);
    E.commentLength = static_cast<uint16_t>(v[7]);
    Edit(E);
    WriteFields(Archive, At, kEndWidths,
                {E.signature, E.diskNumber, E.startDiskNumber, E.entriesOnDisk, E.entriesCentralDir,
                 E.centralDirSize, E.offsetStartDir, E.commentLength});
}

void PatchLE16(Bytes& Archive, size_t Offset, uint16_t Value) {
    PutAt(Archive, Offset, Value, 2);
}
void PatchLE32(Bytes& Archive, size_t Offset, uint32_t Value) {
    PutAt(Archive, Offset, Value, 4);
}
void PatchLE64(Bytes& Archive, size_t Offset, uint64_t Value) {
    PutAt(Archive, Offset, Value, 8);
}

// ---- files ----------------------------------------------------------------------------------------

namespace {
std::filesystem::path MakeUniqueDir(const std::filesystem::path& Base) {
    std::filesystem::create_directories(Base);
    std::random_device rd;
    std::mt19937_64 gen((static_cast<uint64_t>(rd()) << 32) ^ rd());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char Name[32];
        std::snprintf(Name, sizeof Name, "kestrel-test-%012llx",
                      static_cast<unsigned long long>(gen() & 0xFFFFFFFFFFFFull));
        const auto P = Base / Name;
        if (std::filesystem::create_directory(P))
            return P;
    }
    throw std::runtime_error("cannot create a temporary folder");
}
} // namespace

TempDir::TempDir() : FPath(MakeUniqueDir(std::filesystem::temp_directory_path())) {}
TempDir::TempDir(const std::filesystem::path& Base) : FPath(MakeUniqueDir(Base)) {}

TempDir::~TempDir() {
    std::error_code ec;
    // Read-only entries would stop removal on some systems: make everything writable first.
    for (auto it = std::filesystem::recursive_directory_iterator(FPath, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code ignored;
        if (!it->is_symlink(ignored))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(FPath, ec);
}

std::filesystem::path TempDir::Write(std::string_view RelativeName, std::span<const uint8_t> Data) const {
    const auto P = FPath / std::filesystem::path(std::u8string(RelativeName.begin(), RelativeName.end()));
    if (P.has_parent_path())
        std::filesystem::create_directories(P.parent_path());
    WriteFileBytes(P, Data);
    return P;
}

Bytes ReadFileBytes(const std::filesystem::path& File) {
    std::ifstream In(File, std::ios::binary);
    if (!In)
        throw std::runtime_error("cannot open " + File.string());
    return Bytes(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::filesystem::path& File, std::span<const uint8_t> Data) {
    std::ofstream Out(File, std::ios::binary | std::ios::trunc);
    Out.write(reinterpret_cast<const char*>(Data.data()), static_cast<std::streamsize>(Data.size()));
    if (!Out)
        throw std::runtime_error("cannot write " + File.string());
}

} // namespace ks::test
