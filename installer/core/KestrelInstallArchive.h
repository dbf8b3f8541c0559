// KestrelInstallArchive.h -- the installation run's archive operations over the TKestrel
// component, with the failure, password and disk-full handlers that tell the run which items the
// component handled itself and did not install.
#pragma once

#include "archive/KSPasswordRetry.h"
#include "archive/KSSearch.h"
#include "installer/core/InstallArchive.h"

namespace ks {
class TKestrel;
}

namespace ks::inst {

class TKestrelInstallArchive : public IInstallArchive {
public:
    // Assigns OnProcessFileFailure, OnPassword and OnDiskFull on Kestrel. Each shows the same
    // prompt with the same answer mapping as the component's built-in default, then reports the
    // item to the observer when it is not installed.
    explicit TKestrelInstallArchive(TKestrel& Kestrel);
    ~TKestrelInstallArchive() override;

    void SetObserver(IInstallObserver* Observer) override { FObserver = Observer; }
    void SetBaseDir(const AnsiString& Dir) override;
    void SetFileName(const AnsiString& Name) override;
    AnsiString FileName() const override;
    void SetOverwriteAlways() override;
    void SetRecurse(bool Recurse) override;
    void OpenArchive() override;
    bool FindFirst(const AnsiString& Mask, TInstallItem& Item, int32_t SearchAttr) override;
    bool FindNext(TInstallItem& Item) override;
    void ExtractFiles(const AnsiString& Mask, int32_t SearchAttr) override;
    void CloseArchive() override;

private:
    void Fill(TInstallItem& Item) const;

    TKestrel& FKestrel;
    TKSPasswordRetry FPasswordRetry; // password text typed into the dialog, tried in both encodings
    IInstallObserver* FObserver = nullptr;
    TKSArchiveItem FSearch;
    bool FHaveItem = false; // FSearch describes an item of the open archive
};

} // namespace ks::inst
