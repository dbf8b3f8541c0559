#include "installer/qt/LinuxOsServices.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QStorageInfo>
#include <filesystem>
#include <fontconfig/fontconfig.h>
#include <fstream>

#include "installer/core/PathRules.h"
#include "platform/KSException.h"
#include "platform/KSFiles.h"

namespace ks {

namespace fs = std::filesystem;

namespace {
QString Q(const AnsiString& S) {
    return QString::fromStdString(S);
}
AnsiString A(const QString& S) {
    return S.toStdString();
}
fs::path P(const AnsiString& S) {
    return fs::path(S); // UTF-8 is the native encoding of Linux file names here
}

// Quoting of an Exec argument: inside double quotes, '"', '`', '$' and '\' are escaped.
AnsiString QuoteExecArg(const AnsiString& S) {
    AnsiString Out = "\"";
    for (char C : S) {
        if (C == '"' || C == '`' || C == '$' || C == '\\')
            Out += '\\';
        Out += C;
    }
    return Out + "\"";
}
} // namespace

std::optional<AnsiString> TLinuxOsServices::ReadAppPath(const AnsiString& AppKey) {
    QSettings S(QStringLiteral("Larkspur"), Q(AppKey));
    if (S.allKeys().isEmpty())
        return std::nullopt;
    return A(S.value(QStringLiteral("AppPath")).toString());
}

std::optional<AnsiString> TLinuxOsServices::DocumentsFolder() {
    const QString D = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (D.isEmpty() || !QFileInfo(D).isDir())
        return std::nullopt;
    return A(QDir::cleanPath(D));
}

AnsiString TLinuxOsServices::DesktopFolder() {
    return A(QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)));
}

AnsiString TLinuxOsServices::MountPointOf(const AnsiString& Path) {
    const QStorageInfo Info(Q(Path));
    return Info.isValid() ? A(Info.rootPath()) : AnsiString("/");
}

bool TLinuxOsServices::FileExists(const AnsiString& Path) {
    std::error_code Ec;
    return fs::is_regular_file(P(Path), Ec);
}

bool TLinuxOsServices::DirectoryExists(const AnsiString& Path) {
    std::error_code Ec;
    return fs::is_directory(P(Path), Ec);
}

bool TLinuxOsServices::ForceDirectories(const AnsiString& Path) {
    std::error_code Ec;
    fs::create_directories(P(Path), Ec);
    return fs::is_directory(P(Path), Ec);
}

void TLinuxOsServices::WriteNewFile(const AnsiString& Path, std::span<const uint8_t> Data) {
    std::ofstream Out(P(Path), std::ios::binary | std::ios::trunc);
    if (!Out)
        throw EFCreateError("Cannot create file \"" + Path + "\"");
    Out.write(reinterpret_cast<const char*>(Data.data()), static_cast<std::streamsize>(Data.size()));
    Out.close();
    if (!Out)
        throw EWriteError("Stream write error writing \"" + Path + "\"");
}

bool TLinuxOsServices::MoveFile(const AnsiString& From, const AnsiString& To) {
    std::error_code Ec;
    if (fs::exists(P(To), Ec))
        return false; // a rename never replaces an existing file
    fs::rename(P(From), P(To), Ec);
    return !Ec;
}

bool TLinuxOsServices::DeleteFile(const AnsiString& Path) {
    std::error_code Ec;
    if (!fs::is_regular_file(fs::symlink_status(P(Path), Ec)) &&
        !fs::is_symlink(fs::symlink_status(P(Path), Ec)))
        return false;
    return fs::remove(P(Path), Ec);
}

bool TLinuxOsServices::CopyFile(const AnsiString& From, const AnsiString& To) {
    std::error_code Ec;
    return fs::copy_file(P(From), P(To), fs::copy_options::overwrite_existing, Ec) && !Ec;
}

bool TLinuxOsServices::SetFileAttributes(const AnsiString& Path, uint32_t Attr) {
    return KSSetFileAttr(Q(Path).toStdU16String(), Attr);
}

AnsiString DesktopEntryText(const AnsiString& Name, const AnsiString& Target, const AnsiString& WorkDir) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Version=1.0\n"
           "Name=" +
           Name + "\nExec=" + QuoteExecArg(Target) + "\nPath=" + WorkDir + "\nTerminal=false\n";
}

bool TLinuxOsServices::CreateShortcut(const AnsiString& Target, const AnsiString& WorkDir,
                                      const AnsiString& LinkName) {
    {
        std::ofstream Out(P(LinkName), std::ios::binary | std::ios::trunc);
        if (!Out)
            return false;
        Out << DesktopEntryText(inst::BaseName(LinkName), Target, WorkDir);
        if (!Out)
            return false;
    }
    std::error_code Ec;
    fs::permissions(P(LinkName),
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                        fs::perms::others_read | fs::perms::others_exec,
                    Ec);
    return !Ec;
}

AnsiString TLinuxOsServices::UserFontFolder() {
    return A(QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                             QStringLiteral("/fonts")));
}

int TLinuxOsServices::AddFontResource(const AnsiString& Path) {
    const AnsiString Dir = UserFontFolder();
    const AnsiString Dest = Dir + "/" + inst::ExtractFileName(Path);
    if (!ForceDirectories(Dir) || !CopyFile(Path, Dest))
        return 0;
    FcFontSet* Set = FcFontSetCreate();
    if (!Set)
        return 0;
    int Faces = 0;
    if (FcFileScan(Set, nullptr, nullptr, nullptr, reinterpret_cast<const FcChar8*>(Dest.c_str()), FcTrue))
        Faces = Set->nfont;
    FcFontSetDestroy(Set);
    if (Faces == 0)
        DeleteFile(Dest); // not a font: do not leave it among the user's fonts
    return Faces;
}

void TLinuxOsServices::BroadcastFontChange() {
    // Detached: fc-cache waits for the folder's time stamp to move on (a second or two), and
    // nothing in the run depends on the refreshed cache; programs that read the folder before it
    // finishes rescan it themselves.
    QProcess::startDetached(QStringLiteral("fc-cache"), {QStringLiteral("-f"), Q(UserFontFolder())});
}

void TLinuxOsServices::Launch(const AnsiString& File, const AnsiString& Param, const AnsiString& WorkDir) {
    QProcess::startDetached(Q(File), {Q(Param)}, Q(WorkDir));
}

} // namespace ks
