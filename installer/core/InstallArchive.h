// InstallArchive.h -- the archive component's operations that the installation run uses.
//
// The run talks to the component only through these calls, so that its logic is tested with a
// scripted archive and runs unchanged over TKestrel (KestrelInstallArchive.h). Names are 8-bit
// strings with the native separator.
#pragma once

#include <cstdint>

#include "platform/KSTypes.h"

namespace ks::inst {

// One item as FindFirst/FindNext report it.
struct TInstallItem {
    AnsiString FileName;   // last component of the stored name
    AnsiString StoredPath; // folder part ending with a separator; empty at the root
};

// Told about items the component handled itself and did not install.
class IInstallObserver {
public:
    virtual ~IInstallObserver() = default;
    // The item failed and the answer to the failure prompt was not Retry. ItemName is the stored
    // path of the item (folder part included).
    virtual void ItemFailed(const AnsiString& ItemName) = 0;
    // A batch ended cancelled, or an item was skipped at the password prompt.
    virtual void ItemsNotInstalled() = 0;
};

class IInstallArchive {
public:
    virtual ~IInstallArchive() = default;

    virtual void SetObserver(IInstallObserver* Observer) = 0;
    virtual void SetBaseDir(const AnsiString& Dir) = 0;
    virtual void SetFileName(const AnsiString& Name) = 0;
    virtual AnsiString FileName() const = 0;
    virtual void SetOverwriteAlways() = 0;
    virtual void SetRecurse(bool Recurse) = 0;
    // These raise on failure (ks::Exception or a class derived from it). One search runs at a
    // time: FindNext continues the search the last FindFirst started.
    virtual void OpenArchive() = 0;
    virtual bool FindFirst(const AnsiString& Mask, TInstallItem& Item, int32_t SearchAttr) = 0;
    virtual bool FindNext(TInstallItem& Item) = 0;
    virtual void ExtractFiles(const AnsiString& Mask, int32_t SearchAttr) = 0;
    virtual void CloseArchive() = 0; // never raises
};

} // namespace ks::inst
