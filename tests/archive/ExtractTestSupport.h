// ExtractTestSupport.h -- opens test archives for the extraction, decompression and event tests.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "archive/KSBaseArchiver.h"
#include "archive/Kestrel.h"
#include "tests/support/ZipWriter.h"

namespace ks::test {

// An archive written to a fresh folder and opened read-only; Out() is a second fresh folder used
// as the extraction target.
class OpenedArchive {
public:
    explicit OpenedArchive(const Bytes& Zip) {
        FPath = FDir.Write("archive.zip", Zip);
        FOut = FDir.Path() / "out";
        std::filesystem::create_directories(FOut);
        Arc = std::make_unique<TKestrel>();
        Arc->SetFileName(FPath.u16string());
        Arc->SetBaseDir(FOut.u16string());
        Arc->OpenArchive(KSOpenModeReadOnly);
    }

    const std::filesystem::path& Out() const { return FOut; }
    const std::filesystem::path& Root() const { return FDir.Path(); }
    const std::filesystem::path& ArchivePath() const { return FPath; }
    std::filesystem::path OutFile(const std::string& Rel) const { return FOut / Rel; }

    std::unique_ptr<TKestrel> Arc;

private:
    TempDir FDir;
    std::filesystem::path FPath;
    std::filesystem::path FOut;
};

inline std::string ReadText(const std::filesystem::path& P) {
    const Bytes b = ReadFileBytes(P);
    return std::string(b.begin(), b.end());
}

} // namespace ks::test
