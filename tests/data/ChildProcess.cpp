// Child modes of this test program, chosen by VEXOR_DATA_CHILD before main() runs, so that
// tests can act from a real second process:
//   open   - opens the project database as the program does at start-up and prints the message
//            it would show (exit 0 opened, 1 refused);
//   hold   - opens it, prints "ready" and waits to be killed;
//   record - records drawings d0, d1, ... in a loop, printing each number once it is stored.
#include "data/HistoryStore.h"
#include "data/ProjectDatabase.h"
#include "fakes/FakeWindowSystem.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

[[noreturn]] void runChild(const std::string& mode, const std::string& folder) {
    using namespace vexor;
    if (mode == "open" || mode == "hold") {
        test::FakeWindowSystem windows;
        auto connection = data::OpenProjectDatabase(folder, windows);
        if (!connection) {
            std::fputs(windows.messages.at(0).text.c_str(), stdout);
            std::fflush(stdout);
            std::_Exit(1);
        }
        std::puts("ready");
        std::fflush(stdout);
        if (mode == "hold")
            for (;;)
                ::pause();
        std::_Exit(0);
    }
    if (mode == "record") {
        auto connection = data::openWorkingConnection(folder);
        for (long i = 0;; ++i) {
            data::recordDrawingRow(*connection, folder + "/d" + std::to_string(i) + ".dwg");
            std::printf("%ld\n", i);
            std::fflush(stdout);
        }
    }
    std::_Exit(2);
}

[[maybe_unused]] const bool childModeChecked = [] {
    const char* mode = std::getenv("VEXOR_DATA_CHILD");
    const char* folder = std::getenv("VEXOR_DATA_CHILD_FOLDER");
    if (mode && folder)
        runChild(mode, folder);
    return true;
}();

} // namespace
