#include "CallLog.h"

#include <charconv>

namespace vexor::test {

std::string arg(const std::string& text) {
    return "\"" + text + "\"";
}
std::string arg(const char* text) {
    return arg(std::string(text));
}
std::string arg(double value) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}
std::string arg(int value) {
    return std::to_string(value);
}
std::string arg(long value) {
    return std::to_string(value);
}
std::string arg(unsigned long value) {
    return std::to_string(value);
}
std::string arg(bool value) {
    return value ? "true" : "false";
}

std::vector<std::string> only(const std::vector<std::string>& log,
                              const std::vector<std::string>& names) {
    std::vector<std::string> out;
    for (const auto& entry : log) {
        const std::string name = entry.substr(0, entry.find('('));
        for (const auto& n : names)
            if (n == name) {
                out.push_back(entry);
                break;
            }
    }
    return out;
}

} // namespace vexor::test
