#include "ReedSolomon.h"

#include <algorithm>
#include <stdexcept>

namespace vexor::cad::dwg::r2007 {
namespace {

constexpr std::size_t kMaxParity = 32;

} // namespace

ReedSolomon::ReedSolomon(std::uint16_t fieldPolynomial, std::size_t parity)
    : parity_(std::min(parity, kMaxParity)) {
    unsigned x = 1;
    for (unsigned i = 0; i < 255; ++i) {
        exp_[i] = static_cast<std::uint8_t>(x);
        log_[x] = static_cast<std::uint16_t>(i);
        x <<= 1;
        if (x & 0x100)
            x ^= fieldPolynomial;
    }
    for (unsigned i = 255; i < exp_.size(); ++i)
        exp_[i] = exp_[i - 255];
    timesRoot_.resize(parity_);
    for (std::size_t j = 0; j < parity_; ++j)
        for (unsigned v = 0; v < 256; ++v)
            timesRoot_[j][v] = mul(static_cast<std::uint8_t>(v), exp_[j + 1]);
}

bool ReedSolomon::syndromes(std::span<const std::uint8_t, kBlockSize> block,
                            std::uint8_t* out) const {
    // Horner's rule from the highest coefficient down, all roots in one pass.
    std::array<std::uint8_t, kMaxParity> s{};
    for (std::size_t i = kBlockSize; i-- > 0;)
        for (std::size_t j = 0; j < parity_; ++j)
            s[j] = timesRoot_[j][s[j]] ^ block[i];
    bool clean = true;
    for (std::size_t j = 0; j < parity_; ++j) {
        out[j] = s[j];
        clean = clean && s[j] == 0;
    }
    return clean;
}

ReedSolomon::Outcome ReedSolomon::correct(std::span<std::uint8_t, kBlockSize> block) const {
    std::array<std::uint8_t, kMaxParity> s{};
    if (syndromes(block, s.data()))
        return Outcome::Clean;

    // Berlekamp-Massey: the shortest error locator whose recurrence yields the syndromes.
    std::array<std::uint8_t, kMaxParity + 1> locator{1};
    std::array<std::uint8_t, kMaxParity + 1> previous{1};
    std::size_t errors = 0;
    std::size_t shift = 1;
    std::uint8_t lastDiscrepancy = 1;
    for (std::size_t n = 0; n < parity_; ++n) {
        std::uint8_t d = s[n];
        for (std::size_t i = 1; i <= errors; ++i)
            d ^= mul(locator[i], s[n - i]);
        if (d == 0) {
            ++shift;
            continue;
        }
        const auto saved = locator;
        const std::uint8_t factor = div(d, lastDiscrepancy);
        for (std::size_t i = 0; i + shift <= kMaxParity; ++i)
            locator[i + shift] ^= mul(factor, previous[i]);
        if (2 * errors <= n) {
            errors = n + 1 - errors;
            previous = saved;
            lastDiscrepancy = d;
            shift = 1;
        } else {
            ++shift;
        }
    }
    if (errors == 0 || 2 * errors > parity_)
        return Outcome::Damaged;

    // The evaluator: syndromes times locator, modulo x^parity.
    std::array<std::uint8_t, kMaxParity> evaluator{};
    for (std::size_t i = 0; i < parity_; ++i)
        for (std::size_t j = 0; j <= std::min(i, errors); ++j)
            evaluator[i] ^= mul(locator[j], s[i - j]);

    // Chien search over every position, Forney's formula for each error's value.
    std::array<std::size_t, kMaxParity> positions{};
    std::array<std::uint8_t, kMaxParity> values{};
    std::size_t found = 0;
    for (std::size_t p = 0; p < kBlockSize; ++p) {
        const std::uint8_t inverse = exp_[(255 - p) % 255]; // X^-1 for X = alpha^p
        std::uint8_t sum = 0;
        std::uint8_t power = 1;
        for (std::size_t i = 0; i <= errors; ++i) {
            sum ^= mul(locator[i], power);
            power = mul(power, inverse);
        }
        if (sum != 0)
            continue;
        if (found == errors)
            return Outcome::Damaged;
        std::uint8_t omega = 0;
        power = 1;
        for (std::size_t i = 0; i < parity_; ++i) {
            omega ^= mul(evaluator[i], power);
            power = mul(power, inverse);
        }
        // The formal derivative keeps the odd terms only.
        std::uint8_t derivative = 0;
        power = 1;
        const std::uint8_t inverseSquared = mul(inverse, inverse);
        for (std::size_t i = 1; i <= errors; i += 2) {
            derivative ^= mul(locator[i], power);
            power = mul(power, inverseSquared);
        }
        if (derivative == 0)
            return Outcome::Damaged;
        positions[found] = p;
        values[found] = div(omega, derivative);
        ++found;
    }
    if (found != errors)
        return Outcome::Damaged;

    std::array<std::uint8_t, kBlockSize> fixed{};
    std::copy(block.begin(), block.end(), fixed.begin());
    for (std::size_t k = 0; k < found; ++k)
        fixed[positions[k]] ^= values[k];
    if (!syndromes(fixed, s.data()))
        return Outcome::Damaged;
    std::copy(fixed.begin(), fixed.end(), block.begin());
    return Outcome::Corrected;
}

BlockDamage decodeInterleaved(std::span<const std::uint8_t> coded, std::size_t blockCount,
                              const ReedSolomon& code, std::vector<std::uint8_t>& out) {
    if (coded.size() / ReedSolomon::kBlockSize < blockCount)
        throw std::out_of_range("interleaved blocks run past their buffer");
    BlockDamage damage;
    std::array<std::uint8_t, ReedSolomon::kBlockSize> block{};
    out.reserve(out.size() + blockCount * code.dataSize());
    for (std::size_t j = 0; j < blockCount; ++j) {
        const std::uint8_t* column = coded.data() + j;
        for (std::size_t i = 0; i < ReedSolomon::kBlockSize; ++i)
            block[i] = column[i * blockCount];
        switch (code.correct(block)) {
        case ReedSolomon::Outcome::Clean:
            break;
        case ReedSolomon::Outcome::Corrected:
            ++damage.corrected;
            break;
        case ReedSolomon::Outcome::Damaged:
            ++damage.damaged;
            damage.isDamaged.resize(blockCount);
            damage.isDamaged[j] = true;
            break;
        }
        out.insert(out.end(), block.begin(), block.begin() + code.dataSize());
    }
    return damage;
}

const ReedSolomon& systemCode() {
    static const ReedSolomon code(0x169, 16);
    return code;
}

const ReedSolomon& dataCode() {
    static const ReedSolomon code(0x11D, 4);
    return code;
}

} // namespace vexor::cad::dwg::r2007
