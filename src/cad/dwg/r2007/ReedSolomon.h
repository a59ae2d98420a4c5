#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vexor::cad::dwg::r2007 {

// A Reed-Solomon code over GF(256) with 255-byte blocks, as the R2007 container uses it: byte i
// of a block is the coefficient of x^i, the data bytes come first and the parity bytes last, and
// the generator's roots are alpha^1 .. alpha^parity.
class ReedSolomon {
public:
    // `fieldPolynomial` is the field's primitive polynomial (with its x^8 bit), `parity` the
    // number of check bytes per block.
    ReedSolomon(std::uint16_t fieldPolynomial, std::size_t parity);

    static constexpr std::size_t kBlockSize = 255;
    std::size_t dataSize() const { return kBlockSize - parity_; }
    std::size_t parity() const { return parity_; }

    enum class Outcome { Clean, Corrected, Damaged };

    // Checks one block and corrects up to parity/2 wrong bytes in place. A block with more
    // errors than that is reported Damaged and left as it was.
    Outcome correct(std::span<std::uint8_t, kBlockSize> block) const;

private:
    std::uint8_t mul(std::uint8_t a, std::uint8_t b) const {
        return a == 0 || b == 0 ? 0 : exp_[log_[a] + log_[b]];
    }
    std::uint8_t div(std::uint8_t a, std::uint8_t b) const {
        return a == 0 ? 0 : exp_[log_[a] + 255 - log_[b]];
    }
    // Returns true when every syndrome is zero.
    bool syndromes(std::span<const std::uint8_t, kBlockSize> block, std::uint8_t* out) const;

    std::size_t parity_;
    std::array<std::uint8_t, 512> exp_{};
    std::array<std::uint16_t, 256> log_{};
    // Multiplication by each root alpha^(j+1), one table per root, so that checking a clean
    // block (nearly every block) costs one lookup per byte and root.
    std::vector<std::array<std::uint8_t, 256>> timesRoot_;
};

// What decoding interleaved blocks found.
struct BlockDamage {
    std::size_t corrected = 0;   // blocks with errors that were put right
    std::size_t damaged = 0;     // blocks with more errors than the code can correct
    std::vector<bool> isDamaged; // per block, filled only when some block is damaged
};

// Decodes `blockCount` blocks stored interleaved (byte i of block j at i * blockCount + j) from
// `coded`, which holds at least blockCount * 255 bytes, and appends each block's data bytes to
// `out`. A damaged block's bytes are appended as stored.
BlockDamage decodeInterleaved(std::span<const std::uint8_t> coded, std::size_t blockCount,
                              const ReedSolomon& code, std::vector<std::uint8_t>& out);

// The two codes of the container: the file header and the page and section maps carry 16
// check bytes per block, data pages 4, each over its own field.
const ReedSolomon& systemCode();
const ReedSolomon& dataCode();

} // namespace vexor::cad::dwg::r2007
