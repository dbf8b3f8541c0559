// bench_installer_run PAYLOAD.zip PARENT -- one installation run of PAYLOAD.zip into
// PARENT/Ferrovan/ over the real engine and the Linux services, without a window; prints the
// run's wall time in seconds and the messages it showed.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "archive/Kestrel.h"
#include "installer/core/KestrelInstallArchive.h"
#include "installer/core/MainLogic.h"
#include "installer/qt/LinuxOsServices.h"

namespace {

// The window as the run sees it: folder-choice mode at a given folder, messages printed.
class THeadlessView : public ks::inst::IMainView {
public:
    explicit THeadlessView(ks::AnsiString Dir) : FDir(std::move(Dir)) {}
    std::vector<ks::AnsiString> Messages;
    void SetLabel2Caption(const ks::AnsiString&) override {}
    void SetUpdatePanelVisible(bool) override {}
    bool UpdatePanelVisible() const override { return false; }
    void SetPathCaption(const ks::AnsiString&) override {}
    ks::AnsiString PathCaption() const override { return {}; }
    void SetDrive(const ks::AnsiString&) override {}
    ks::AnsiString Drive() const override { return "/"; }
    void SetDirDrive(const ks::AnsiString&) override {}
    void SetDirDirectory(const ks::AnsiString&) override {}
    ks::AnsiString DirDirectory() const override { return FDir; }
    void DirUpdate() override {}
    void SetWaitVisible(bool) override {}
    void SetRunEnabled(bool) override {}
    void SetExitEnabled(bool) override {}
    void SetUjMappaEnabled(bool) override {}
    bool ShortcutChecked() const override { return true; }
    void SetWindowEnabled(bool) override {}
    void ProcessMessages() override {}
    void ShowMessage(const ks::AnsiString& Text) override { Messages.push_back(Text); }
    void CloseWindow() override {}

private:
    ks::AnsiString FDir;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: bench_installer_run PAYLOAD.zip PARENT\n";
        return 2;
    }
    std::ifstream In(argv[1], std::ios::binary);
    const std::vector<uint8_t> Payload{std::istreambuf_iterator<char>(In), {}};
    if (Payload.empty()) {
        std::cerr << "cannot read " << argv[1] << '\n';
        return 2;
    }
    THeadlessView View(argv[2]);
    ks::TLinuxOsServices Os;
    ks::TKestrel Kestrel;
    ks::inst::TKestrelInstallArchive Archive(Kestrel);
    ks::inst::TMainLogic Logic(View, Os, Archive, Payload, nullptr);
    Logic.FormCreate();

    const auto T0 = std::chrono::steady_clock::now();
    const std::clock_t C0 = std::clock();
    Logic.btnRunClick();
    const double Cpu = static_cast<double>(std::clock() - C0) / CLOCKS_PER_SEC;
    const double Secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count();

    // Wall time, and the processor time (user + system) of this process.
    std::printf("run_seconds %.3f\n", Secs);
    std::printf("run_cpu_seconds %.3f\n", Cpu);
    for (const auto& M : View.Messages)
        std::printf("message %s\n", M.c_str());
    return 0;
}
