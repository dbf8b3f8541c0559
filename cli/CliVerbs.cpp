// CliVerbs.cpp -- the verb registry.
#include "cli/CliVerbs.h"

#include <algorithm>

namespace ks::cli {

namespace {

std::vector<const TCliVerb*>& Registry() {
    // Built on first use, so registrations from any file's static initialisers find it ready.
    static std::vector<const TCliVerb*> Verbs;
    return Verbs;
}

} // namespace

TCliVerbRegistration::TCliVerbRegistration(const TCliVerb& Verb) {
    Registry().push_back(&Verb);
}

std::vector<const TCliVerb*> KSCliVerbs() {
    std::vector<const TCliVerb*> Verbs = Registry();
    std::stable_sort(Verbs.begin(), Verbs.end(),
                     [](const TCliVerb* A, const TCliVerb* B) { return A->Order < B->Order; });
    return Verbs;
}

const TCliVerb* KSFindCliVerb(const std::string& Name) {
    for (const TCliVerb* V : Registry())
        if (Name == V->Name)
            return V;
    return nullptr;
}

} // namespace ks::cli
