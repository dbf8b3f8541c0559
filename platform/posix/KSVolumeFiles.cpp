// KSVolumeFiles.cpp -- finding a volume file whose name differs only in letter case (POSIX).
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

#include "platform/KSFiles.h"
#include "platform/KSStrings.h"

namespace ks {

TKSString KSFindVolumeFile(const TKSString& FileName) {
    if (KSFileExists(FileName))
        return FileName;
    const TKSString Folder = KSExtractFilePath(FileName);
    const TKSString Wanted = KSLowerCase(KSExtractFileName(FileName));
    if (Wanted.empty())
        return TKSString();
    const AnsiString NativeFolder = Folder.empty() ? AnsiString(".") : KSToNativePath(Folder);
    DIR* D = opendir(NativeFolder.c_str());
    if (D == nullptr)
        return TKSString();
    std::vector<TKSString> Matches;
    while (const dirent* E = readdir(D)) {
        const TKSString Name = KSFromNativePath(E->d_name);
        if (Name.size() == Wanted.size() && KSLowerCase(Name) == Wanted)
            Matches.push_back(Name);
    }
    closedir(D);
    std::sort(Matches.begin(), Matches.end());
    for (const TKSString& Name : Matches) {
        const TKSString Candidate = Folder + Name;
        // Folders of that name do not count: a volume is a file.
        if (KSFileExists(Candidate))
            return Candidate;
    }
    return TKSString();
}

} // namespace ks
