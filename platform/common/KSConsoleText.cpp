// KSConsoleText.cpp -- formatted text for the standard streams, written through KSWriteText.
#include <cstdarg>
#include <string>

#include "platform/KSConsole.h"

namespace ks {

void KSPrintf(std::FILE* Stream, const char* Format, ...) {
    char Small[1024];
    std::va_list Args;
    va_start(Args, Format);
    std::va_list Again;
    va_copy(Again, Args);
    const int Need = std::vsnprintf(Small, sizeof Small, Format, Args);
    va_end(Args);
    if (Need < 0) {
        va_end(Again);
        return;
    }
    if (static_cast<size_t>(Need) < sizeof Small) {
        va_end(Again);
        KSWriteText(Stream, std::string_view(Small, static_cast<size_t>(Need)));
        return;
    }
    std::string Big(static_cast<size_t>(Need) + 1, '\0');
    std::vsnprintf(Big.data(), Big.size(), Format, Again);
    va_end(Again);
    Big.resize(static_cast<size_t>(Need));
    KSWriteText(Stream, Big);
}

} // namespace ks
