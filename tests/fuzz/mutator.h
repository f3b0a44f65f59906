#pragma once
// A small mutation engine: inputs grow from seeds by bit flips, byte edits, block copies and tokens
// that the parsers give meaning to. Deterministic for a seed, so a CI run can be repeated exactly.
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

using Bytes = std::vector<uint8_t>;

class Mutator {
public:
    explicit Mutator(uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}

    uint64_t Next();
    size_t Below(size_t bound) { return bound ? static_cast<size_t>(Next() % bound) : 0; }

    // One to four edits of input, kept under maxSize bytes. Tokens are inserted whole.
    Bytes Mutate(const Bytes& input, const std::vector<Bytes>& tokens, size_t maxSize);

private:
    void EditOnce(Bytes& data, const std::vector<Bytes>& tokens);
    uint64_t state_;
};

// UTF-16 text of a byte buffer (odd trailing byte dropped) and back.
std::wstring ToWide(const Bytes& data);
Bytes FromWide(const std::wstring& text);

}  // namespace fuzz
