// fuzz_open_list.cpp -- arbitrary bytes as an archive file: open, list every item, close.
//
// The component opens existing archives only from files, so each input is written to a file of
// its own first. Both ways of treating a damaged archive are exercised: refusing it, and rebuilding
// its directory from local headers. The engine may reject an input with its own exceptions (and
// the stream layer's); anything else, a crash or a sanitizer report, is a fault.
#include <cstddef>
#include <cstdint>

#include "archive/KSSearch.h"
#include "archive/Kestrel.h"
#include "platform/KSException.h"
#include "tests/fuzz/FuzzInputFile.h"

namespace {

void OpenAndList(bool OpenCorrupted) {
    ks::TKestrel Arc;
    Arc.SetFileName(ks::test::FuzzInputFile().u16string());
    Arc.SetOpenCorruptedArchives(OpenCorrupted);
    try {
        Arc.OpenArchive(ks::KSOpenModeReadOnly);
        ks::TKSArchiveItem Item;
        uint64_t Total = 0;
        for (bool More = Arc.FindFirst(u"*.*", Item, 0x28BF, u""); More; More = Arc.FindNext(Item))
            Total += Item.FileName.size() + Item.StoredPath.size();
        (void)Total;
    } catch (const ks::Exception&) {
        // A refused archive is a valid outcome.
    }
    Arc.CloseArchive();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    ks::test::WriteFuzzInput(Data, Size);
    OpenAndList(true);
    OpenAndList(false);
    return 0;
}
