// share_holder.cpp -- holds a file open with a given mode until standard input closes.
//
// Usage: platform_share_holder FILE MODE   (MODE in decimal or 0x hex)
// Prints "ready" once the file is open, or "failed" when the open is refused.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/KSStreams.h"
#include "platform/KSStrings.h"

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    const auto Mode = static_cast<uint16_t>(std::strtoul(argv[2], nullptr, 0));
    try {
        ks::TKSFileStream F(ks::Utf8ToWide(argv[1]), Mode);
        std::cout << "ready" << std::endl;
        std::string Line;
        while (std::getline(std::cin, Line)) {
        }
    } catch (const ks::Exception& E) {
        std::cout << "failed" << std::endl;
        return 1;
    }
    return 0;
}
