// KSHash.cpp -- the hash registry and the one-call hash.
#include "crypto/KSHash.h"

#include "crypto/KSsha1.h"

namespace ks {

constinit std::array<PHashDesc, C_MaxHash + 1> PHashVec{};

namespace {

bool ValidFor(std::int32_t Slot, PHashDesc PHash) {
    return PHash != nullptr && PHash->HSig == C_HashSig && PHash->HAlgNum == Slot;
}

// The built-in algorithms are registered exactly once, before the first lookup and at the
// latest during static initialisation, whichever comes first.
void RegisterBuiltIns() {
    static const bool registered = (RegisterHash(_SHA1, &SHA1_Desc), true);
    (void)registered;
}

const bool registeredAtStartUp = (RegisterBuiltIns(), true);

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

void RegisterHash(THashAlgorithm AlgId, PHashDesc PHash) {
    if (AlgId < C_MinHash || AlgId > C_MaxHash || PHash == nullptr)
        return;
    if (PHash->HAlgNum != AlgId || PHash->HSig != C_HashSig || PHash->HDVersion != C_HashVers ||
        PHash->HDSize != sizeof(THashDesc))
        return;
    PHashVec[static_cast<std::size_t>(AlgId)] = PHash;
}

PHashDesc FindHash_by_ID(std::int32_t AlgoID) {
    RegisterBuiltIns();
    if (AlgoID < C_MinHash || AlgoID > C_MaxHash)
        return nullptr;
    const PHashDesc p = PHashVec[static_cast<std::size_t>(AlgoID)];
    return ValidFor(AlgoID, p) ? p : nullptr;
}

PHashDesc FindHash_by_Name(std::string_view AlgoName) {
    RegisterBuiltIns();
    (void)registeredAtStartUp;
    const std::string_view wanted = AlgoName.substr(0, MaxHashNameLen);
    for (std::int32_t slot = C_MinHash; slot <= C_MaxHash; ++slot) {
        const PHashDesc p = PHashVec[static_cast<std::size_t>(slot)];
        if (!ValidFor(slot, p))
            continue;
        const std::string_view name = p->HName.View();
        if (name.size() != wanted.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i)
            same = AsciiUpper(name[i]) == AsciiUpper(wanted[i]);
        if (same)
            return p;
    }
    return nullptr;
}

void HashFullXL(PHashDesc PHash, THashDigest& Digest, const void* Msg, std::int32_t Len) {
    if (PHash == nullptr || PHash->HSig != C_HashSig)
        return;
    THashContext context;
    PHash->HInit(context);
    PHash->HUpdateXL(context, Msg, Len);
    PHash->HFinal(context, Digest);
}

} // namespace ks
