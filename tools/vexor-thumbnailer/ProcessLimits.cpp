#include "ProcessLimits.h"

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace vexor::tools {
namespace {

extern "C" void onTimeLimit(int) {
    static const char message[] = "vexor-thumbnailer: gave up: time limit reached\n";
    [[maybe_unused]] const auto written = ::write(2, message, sizeof message - 1);
    ::_exit(kTimedOutStatus);
}

void setLimit(int resource, rlim_t value) {
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0)
        return;
    // Never raise a limit the caller already set lower.
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < value)
        value = limit.rlim_max;
    limit.rlim_cur = value;
    ::setrlimit(resource, &limit);
}

} // namespace

void limitProcess(unsigned seconds, std::uint64_t addressSpaceBytes) {
    std::signal(SIGALRM, onTimeLimit);
    ::alarm(seconds);
    setLimit(RLIMIT_CPU, seconds + 1);
    setLimit(RLIMIT_AS, static_cast<rlim_t>(addressSpaceBytes));
    setLimit(RLIMIT_CORE, 0);
}

} // namespace vexor::tools
