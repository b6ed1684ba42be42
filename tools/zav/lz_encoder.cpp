// The LZ encoder: greedy matching over hash chains, tokens as the decoder
// reads them (codes at or above the escape byte are raised by one).
#include "lz_encoder.h"

#include <algorithm>
#include <array>
#include <limits>
#include <memory>

#include "files/archive_format.h"

namespace zav {
namespace {

using DuRud::kLzMaxDistance;
using DuRud::kLzMaxMatch;
using DuRud::kLzMinMatch;

constexpr int kHashBits = 16;
constexpr int kMaxChain = 16;
constexpr size_t kGoodEnough = 256;  // a match this long ends the search
constexpr uint32_t kNone = 0xFFFFFFFFu;

uint32_t hash4(const unsigned char* p) {
    uint32_t v = DuRud::LoadU32(p);
    return (v * 2654435761u) >> (32 - kHashBits);
}

// Bytes of a back-reference token of this length and distance - 1.
size_t tokenCost(uint32_t length, uint32_t distance) {
    size_t cost = 2 + (length - kLzMinMatch >= 32 ? 1 : 0);
    return cost + (distance < 0x100 ? 1 : distance < 0x10000 ? 2 : 3);
}

class Packer {
  public:
    Packer(const unsigned char* in, size_t size, unsigned char escape)
        : in_(in), size_(size), esc_(escape) {
        head_.fill(kNone);
        prev_.assign(size, kNone);
    }

    void run(std::vector<unsigned char>& out) {
        size_t pos = 0;
        while (pos < size_) {
            uint32_t bestLength = 0, bestBack = 0;
            if (size_ - pos >= kLzMinMatch) findMatch(pos, &bestLength, &bestBack);
            if (bestLength >= kLzMinMatch) {
                const uint32_t distance = bestBack - 1;
                // A match must beat the literals it replaces.
                size_t literalCost = 0;
                for (uint32_t i = 0; i < bestLength; ++i)
                    literalCost += in_[pos + i] == esc_ ? 2 : 1;
                if (tokenCost(bestLength, distance) < literalCost) {
                    emitMatch(out, bestLength, distance);
                    for (uint32_t i = 0; i < bestLength; ++i) insert(pos + i);
                    pos += bestLength;
                    continue;
                }
            }
            emitLiteral(out, in_[pos]);
            insert(pos);
            ++pos;
        }
    }

  private:
    void insert(size_t pos) {
        if (size_ - pos < kLzMinMatch) return;
        const uint32_t h = hash4(in_ + pos);
        prev_[pos] = head_[h];
        head_[h] = static_cast<uint32_t>(pos);
    }

    void findMatch(size_t pos, uint32_t* bestLength, uint32_t* bestBack) {
        const size_t maxLength = std::min<size_t>(kLzMaxMatch, size_ - pos);
        uint32_t candidate = head_[hash4(in_ + pos)];
        for (int chain = 0; candidate != kNone && chain < kMaxChain; ++chain) {
            const size_t back = pos - candidate;
            if (back > kLzMaxDistance) break;
            if (in_[candidate + *bestLength] == in_[pos + *bestLength] || *bestLength == 0) {
                size_t n = 0;
                while (n < maxLength && in_[candidate + n] == in_[pos + n]) ++n;
                if (n > *bestLength) {
                    *bestLength = static_cast<uint32_t>(n);
                    *bestBack = static_cast<uint32_t>(back);
                    if (n == maxLength || n >= kGoodEnough) break;
                }
            }
            candidate = prev_[candidate];
        }
    }

    void emitLiteral(std::vector<unsigned char>& out, unsigned char b) {
        out.push_back(b);
        if (b == esc_) out.push_back(b);
    }

    void emitMatch(std::vector<unsigned char>& out, uint32_t length, uint32_t distance) {
        const uint32_t l = length - kLzMinMatch;
        const uint32_t distanceCode = distance < 0x100 ? 0 : distance < 0x10000 ? 1 : 2;
        const bool extended = l >= 32;
        uint32_t code = ((l & 31) << 3) | (extended ? 4u : 0u) | distanceCode;
        if (code >= esc_) code += 1;  // the reader lowers codes above the escape
        out.push_back(esc_);
        out.push_back(static_cast<unsigned char>(code));
        if (extended) out.push_back(static_cast<unsigned char>(l >> 5));
        out.push_back(static_cast<unsigned char>(distance));
        if (distanceCode >= 1) out.push_back(static_cast<unsigned char>(distance >> 8));
        if (distanceCode == 2) out.push_back(static_cast<unsigned char>(distance >> 16));
    }

    const unsigned char* in_;
    size_t size_;
    unsigned char esc_;
    std::array<uint32_t, 1u << kHashBits> head_;
    std::vector<uint32_t> prev_;
};

}  // namespace

std::vector<unsigned char> LzPack(const void* data, size_t size) {
    std::vector<unsigned char> out;
    if (size >= std::numeric_limits<uint32_t>::max() - DuRud::kPackedHeadSize) return out;
    const auto* in = static_cast<const unsigned char*>(data);
    std::array<size_t, 256> counts{};
    for (size_t i = 0; i < size; ++i) ++counts[in[i]];
    unsigned char escape = 0;
    for (int b = 1; b < 256; ++b)
        if (counts[b] < counts[escape]) escape = static_cast<unsigned char>(b);

    out.resize(DuRud::kPackedHeadSize);
    out.reserve(size / 2 + 64);
    auto packer = std::make_unique<Packer>(in, size, escape);
    packer->run(out);
    if (out.size() > std::numeric_limits<uint32_t>::max()) return {};
    DuRud::StoreU32(out.data(), static_cast<uint32_t>(size));
    DuRud::StoreU32(out.data() + 4, static_cast<uint32_t>(out.size()));
    out[8] = escape;
    return out;
}

}  // namespace zav
