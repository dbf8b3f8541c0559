// KSWinVolumeFiles.cpp -- volume file lookup on Windows, whose file system ignores letter case:
// a volume exists under the name given or not at all.
#include "platform/KSFiles.h"

namespace ks {

TKSString KSFindVolumeFile(const TKSString& FileName) {
    return KSFileExists(FileName) ? FileName : TKSString();
}

} // namespace ks
