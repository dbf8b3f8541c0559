// fuzz_open_list.cpp -- arbitrary bytes as an archive file: open, list every item, close.
//
// The component opens existing archives only from files, so each input is written to a file of
// its own first. Both ways of treating a damaged archive are exercised: refusing it, and rebuilding
// its directory from local headers. The engine may reject an input with its own exceptions (and
// the stream layer's); anything else, a crash or a sanitizer report, is a fault.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "archive/KSSearch.h"
#include "archive/Kestrel.h"
#include "platform/KSException.h"

namespace {

const std::filesystem::path& InputFile() {
    static const std::filesystem::path Path = [] {
        std::random_device Random;
        return std::filesystem::temp_directory_path() /
               ("kestrel-fuzz-" + std::to_string(Random()) + "-" + std::to_string(Random()) + ".zip");
    }();
    return Path;
}

struct TRemoveAtExit {
    // The name is made first, so that it is destroyed after this object (statics end in reverse
    // order of construction); otherwise the destructor reads a destroyed path.
    TRemoveAtExit() { InputFile(); }
    ~TRemoveAtExit() {
        std::error_code Ignored;
        std::filesystem::remove(InputFile(), Ignored);
    }
} RemoveAtExit;

void OpenAndList(bool OpenCorrupted) {
    ks::TKestrel Arc;
    Arc.SetFileName(InputFile().u16string());
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
    {
        std::ofstream Out(InputFile(), std::ios::binary | std::ios::trunc);
        Out.write(reinterpret_cast<const char*>(Data), static_cast<std::streamsize>(Size));
    }
    OpenAndList(true);
    OpenAndList(false);
    return 0;
}
