#include "mutator.h"

#include <cstring>

namespace fuzz {

uint64_t Mutator::Next() {
    // xorshift64*
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1Dull;
}

Bytes Mutator::Mutate(const Bytes& input, const std::vector<Bytes>& tokens, size_t maxSize) {
    Bytes data = input;
    size_t edits = 1 + Below(4);
    for (size_t i = 0; i < edits; ++i) EditOnce(data, tokens);
    if (data.size() > maxSize) data.resize(maxSize);
    return data;
}

void Mutator::EditOnce(Bytes& data, const std::vector<Bytes>& tokens) {
    switch (Below(7)) {
    case 0:  // flip a bit
        if (!data.empty()) data[Below(data.size())] ^= static_cast<uint8_t>(1u << Below(8));
        break;
    case 1:  // set a byte to an edge value
        if (!data.empty()) {
            static const uint8_t edges[] = {0x00, 0x01, 0x7F, 0x80, 0xFF, '@', ',', '-', '\\', '%'};
            data[Below(data.size())] = edges[Below(sizeof(edges))];
        }
        break;
    case 2:  // delete a run
        if (!data.empty()) {
            size_t at = Below(data.size());
            size_t n = 1 + Below(data.size() - at);
            data.erase(data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(at + n));
        }
        break;
    case 3:  // insert random bytes
    {
        size_t at = Below(data.size() + 1);
        size_t n = 1 + Below(8);
        for (size_t k = 0; k < n; ++k) data.insert(data.begin() + static_cast<long>(at), static_cast<uint8_t>(Next()));
        break;
    }
    case 4:  // duplicate a block
        if (!data.empty()) {
            size_t at = Below(data.size());
            size_t n = 1 + Below(data.size() - at);
            Bytes block(data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(at + n));
            size_t to = Below(data.size() + 1);
            data.insert(data.begin() + static_cast<long>(to), block.begin(), block.end());
        }
        break;
    case 5:  // insert a token
        if (!tokens.empty()) {
            const Bytes& token = tokens[Below(tokens.size())];
            size_t at = Below(data.size() + 1);
            // Wide texts keep their characters aligned.
            at &= ~static_cast<size_t>(1);
            data.insert(data.begin() + static_cast<long>(at), token.begin(), token.end());
        }
        break;
    default:  // truncate
        if (!data.empty()) data.resize(Below(data.size()));
        break;
    }
}

std::wstring ToWide(const Bytes& data) {
    std::wstring text(data.size() / 2, L'\0');
    if (!text.empty()) std::memcpy(&text[0], data.data(), text.size() * sizeof(wchar_t));
    return text;
}

Bytes FromWide(const std::wstring& text) {
    Bytes data(text.size() * sizeof(wchar_t));
    if (!data.empty()) std::memcpy(data.data(), text.data(), data.size());
    return data;
}

}  // namespace fuzz
