#pragma once

#include <string>

namespace vexor::data {

// The upper-case form of UTF-8 text, for comparing file names without regard to letter case in
// every script (not only A-Z). Invalid UTF-8 sequences compare by their replacement character.
std::string upperCaseKey(const std::string& utf8);

} // namespace vexor::data
