// KSPosixPath.cpp -- absolute paths, nearest existing parent, and the umask.
#include "platform/posix/KSPosixPath.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ks::posix {

std::string AbsoluteLexical(const std::string& Native) {
    std::string Full;
    if (!Native.empty() && Native[0] == '/')
        Full = Native;
    else {
        std::vector<char> Buf(4096);
        while (!getcwd(Buf.data(), Buf.size())) {
            if (errno != ERANGE)
                return Native; // no current folder to start from
            Buf.resize(Buf.size() * 2);
        }
        Full = std::string(Buf.data()) + "/" + Native;
    }
    std::vector<std::string> Parts;
    std::size_t I = 0;
    while (I < Full.size()) {
        std::size_t J = Full.find('/', I);
        if (J == std::string::npos)
            J = Full.size();
        const std::string Part = Full.substr(I, J - I);
        if (Part == "..") {
            if (!Parts.empty())
                Parts.pop_back();
        } else if (!Part.empty() && Part != ".")
            Parts.push_back(Part);
        I = J + 1;
    }
    std::string R;
    for (const auto& P : Parts)
        R += "/" + P;
    return R.empty() ? "/" : R;
}

std::string NearestExisting(const std::string& Absolute) {
    std::string P = Absolute;
    struct stat St;
    while (P.size() > 1 && stat(P.c_str(), &St) != 0) {
        const std::size_t Slash = P.rfind('/');
        P = (Slash == 0 || Slash == std::string::npos) ? "/" : P.substr(0, Slash);
    }
    return P;
}

unsigned CurrentUmask() {
    // Linux reports it in /proc; reading it there leaves the process state alone, which matters
    // when other threads create files meanwhile.
    if (FILE* F = std::fopen("/proc/self/status", "re")) {
        char Line[256];
        unsigned Mask = 0;
        bool Found = false;
        while (std::fgets(Line, sizeof Line, F))
            if (std::strncmp(Line, "Umask:", 6) == 0) {
                Found = std::sscanf(Line + 6, "%o", &Mask) == 1;
                break;
            }
        std::fclose(F);
        if (Found)
            return Mask & 0777;
    }
    static std::mutex M;
    std::lock_guard<std::mutex> Lock(M);
    const mode_t Old = umask(022);
    umask(Old);
    return static_cast<unsigned>(Old) & 0777;
}

} // namespace ks::posix
