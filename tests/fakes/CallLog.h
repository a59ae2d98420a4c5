#pragma once

#include <string>
#include <vector>

namespace vexor::test {

// Formats recorded calls as Name(arg, arg): texts quoted, numbers in their shortest form.
std::string arg(const std::string& text);
std::string arg(const char* text);
std::string arg(double value);
std::string arg(int value);
std::string arg(long value);
std::string arg(unsigned long value);
std::string arg(bool value);

template <typename... Args> std::string call(const std::string& name, const Args&... args) {
    std::string text = name + "(";
    bool first = true;
    ((text += (first ? "" : ", ") + arg(args), first = false), ...);
    return text + ")";
}

// The calls of `log` whose names are in `names`, in order.
std::vector<std::string> only(const std::vector<std::string>& log,
                              const std::vector<std::string>& names);

} // namespace vexor::test
