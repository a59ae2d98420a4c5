// libFuzzer target for the R2007 container: any byte string must either give sections or a
// ReadError. Anything else escaping (another exception, a sanitizer report) is a finding, and
// so are sections larger than the container's expansion limit.
#include "cad/dwg/r2007/Sections.h"
#include "cad/model/ReadError.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto sections = vexor::cad::dwg::r2007::readSections({data, size}, "fuzz.dwg");
        if (sections.objects.size() > vexor::cad::dwg::r2004::kMaxExpansion * size)
            __builtin_trap();
    } catch (const vexor::cad::ReadError&) {
    }
    return 0;
}
