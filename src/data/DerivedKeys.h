#pragma once

// Opening an encrypted database derives its page key from the passphrase with a deliberately slow
// function, some tens of milliseconds each time. The program opens its database many times
// (the splash, the history menu, the view settings, each drawing opened), so the key derived
// for one file is kept for the life of the process and handed to the engine directly.

#include <string>

namespace vexor::data {

// The engine's raw-key text ("x'<64 hex digits>'") for the database file at `path` unlocked by
// `passphrase`: derived once per passphrase and file salt (the file's first 16 bytes), then
// served from memory. Empty when the file has no salt to read (missing, or shorter than one).
std::string derivedRawKey(const std::string& path, const std::string& passphrase);

} // namespace vexor::data
