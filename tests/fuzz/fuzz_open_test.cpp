// fuzz_open_test.cpp -- arbitrary bytes as an archive file: open it and test every item
// (decompression, sizes, CRC-32, the overlap and expansion checks), then close.
//
// Failed items are ignored so that every item is tried; password questions skip the item. The
// engine may reject an input or an item with its own exceptions (and the stream layer's); anything
// else, a crash, a hang or a sanitizer report, is a fault.
#include <cstddef>
#include <cstdint>

#include "archive/Kestrel.h"
#include "platform/KSException.h"
#include "tests/fuzz/FuzzInputFile.h"

namespace {

void OpenAndTest(bool KeepCorrupted) {
    ks::TKestrel Arc;
    Arc.SetFileName(ks::test::FuzzInputFile().u16string());
    Arc.SetExtractCorruptedFiles(KeepCorrupted);
    Arc.FOnProcessFileFailure = [](ks::TComponent*, const ks::TKSString&, ks::TKSProcessOperation, int32_t,
                                   int32_t, const ks::TKSString&,
                                   ks::TKSAction& Action) { Action = ks::fxaIgnore; };
    Arc.FOnPassword = [](ks::TComponent*, const ks::TKSString&, ks::AnsiString&, bool& Skip) { Skip = true; };
    try {
        Arc.OpenArchive(ks::KSOpenModeReadOnly);
        Arc.TestFiles(u"*.*", 0x28BF, u"");
    } catch (const ks::Exception&) {
        // A refused archive, or a read error that ends the run, is a valid outcome.
    }
    Arc.CloseArchive();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    ks::test::WriteFuzzInput(Data, Size);
    OpenAndTest(false);
    OpenAndTest(true);
    return 0;
}
