// KSEntryDecrypter.cpp -- chooses the decrypter of an encrypted item.
//
// No cipher is linked into the reader yet: every encrypted item (traditional or AES) gets no
// decrypter, so its extraction fails as an unsupported format instead of producing garbage.
#include "archive/KSDecompress.h"

namespace ks {

std::unique_ptr<TKSEntryDecrypter> KSCreateEntryDecrypter(TKSBaseArchiver&, const TDirItem&,
                                                          const TKSZipFileHeader&) {
    return nullptr;
}

} // namespace ks
