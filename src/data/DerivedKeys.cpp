#include "DerivedKeys.h"

#include <array>
#include <fstream>
#include <map>
#include <mutex>
#include <openssl/evp.h>
#include <utility>

namespace vexor::data {
namespace {

// The encrypted engine's key derivation for the files it writes: PBKDF2 with HMAC-SHA1 over
// the file's 16-byte salt, 64,000 rounds, a 256-bit key.
constexpr int kSaltBytes = 16;
constexpr int kKeyBytes = 32;
constexpr int kRounds = 64000;

using Salt = std::array<unsigned char, kSaltBytes>;

bool readSalt(const std::string& path, Salt& salt) {
    std::ifstream file(path, std::ios::binary);
    return file.read(reinterpret_cast<char*>(salt.data()), kSaltBytes) &&
           file.gcount() == kSaltBytes;
}

std::string hexText(const unsigned char* bytes, int count) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(static_cast<std::size_t>(count) * 2);
    for (int i = 0; i < count; ++i) {
        text.push_back(digits[bytes[i] >> 4]);
        text.push_back(digits[bytes[i] & 15]);
    }
    return text;
}

} // namespace

std::string derivedRawKey(const std::string& path, const std::string& passphrase) {
    Salt salt{};
    if (!readSalt(path, salt))
        return {};
    static std::mutex guard;
    static std::map<std::pair<std::string, Salt>, std::string> known;
    const std::lock_guard<std::mutex> lock(guard);
    auto [entry, added] = known.try_emplace({passphrase, salt});
    if (added) {
        std::array<unsigned char, kKeyBytes> key{};
        if (PKCS5_PBKDF2_HMAC_SHA1(passphrase.data(), static_cast<int>(passphrase.size()),
                                   salt.data(), kSaltBytes, kRounds, kKeyBytes, key.data()) != 1) {
            known.erase(entry);
            return {};
        }
        entry->second = "x'" + hexText(key.data(), kKeyBytes) + "'";
    }
    return entry->second;
}

} // namespace vexor::data
