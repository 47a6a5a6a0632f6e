// SHA-256 (FIPS 180-4), streaming: feed any number of pieces with Update, then Final. Used to
// tell whether an installed file is still the one the installation wrote. No Windows header.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qln {

class Sha256 {
public:
    using Digest = std::array<std::uint8_t, 32>;

    Sha256();
    void Update(const void* data, std::size_t length);
    void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
    // The digest of everything fed so far; the object starts over afterwards.
    Digest Final();

    // 64 lower-case hex digits.
    static std::string Hex(const Digest& digest);

private:
    void Reset();
    void Block(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> buffer_;
    std::size_t buffered_ = 0;
    std::uint64_t totalBytes_ = 0;
};

}  // namespace qln
