#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace vexor::test {

// Writes a drawing with ezdxf (Debian's python3-ezdxf, run by the system's Python): `body` is
// Python that fills `doc` (an ezdxf document of `version`, with `msp` its model space); the
// drawing is saved as `out`. True when it was written.
inline bool writeWithEzdxf(const std::filesystem::path& out, const std::string& body,
                           const std::string& version = "R2010") {
    const std::filesystem::path script = out.string() + ".py";
    {
        std::ofstream py(script);
        py << "import sys, ezdxf\n"
           << "doc = ezdxf.new('" << version << "')\n"
           << "msp = doc.modelspace()\n"
           << body << "\n"
           << "doc.saveas(sys.argv[1])\n";
    }
    std::error_code ec;
    std::filesystem::remove(out, ec);
    const std::string command =
        "/usr/bin/python3 '" + script.string() + "' '" + out.string() + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0 && std::filesystem::exists(out);
}

} // namespace vexor::test
