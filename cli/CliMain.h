// CliMain.h -- the kestrel tool behind its program entry: the arguments (after the program name)
// as UTF-8 text in, the exit status out. main (POSIX) and wmain (Windows) only gather the
// arguments in that form.
#pragma once

#include <string>
#include <vector>

namespace ks::cli {

int KSCliMain(std::vector<std::string> Args);

} // namespace ks::cli
