#pragma once

#include <cstdlib>
#include <filesystem>

namespace vexor::bench {

// The shared corpus of real drawings: $VEXOR_CORPUS, or ../shared/corpus beside the checkout.
inline std::filesystem::path corpusRoot() {
    const char* env = std::getenv("VEXOR_CORPUS");
    return (env && *env) ? std::filesystem::path(env) : std::filesystem::path(VEXOR_DEFAULT_CORPUS);
}

} // namespace vexor::bench
