// The library's one initialiser: runs when a host loads it, in every process
// alike; which replacements take effect depends on the classes the process
// has.
#include "Tweak/HomeScreen.h"

namespace {
__attribute__((constructor)) void hoververseXIInitialiser() { installHooks(); }
}  // namespace
