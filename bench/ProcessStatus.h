#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

namespace vexor::bench {

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"); 0 when it is not there.
inline long statusKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0)
            return std::atol(line.c_str() + field.size() + 1);
    return 0;
}

} // namespace vexor::bench
