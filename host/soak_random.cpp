/* The soak's source of chance: xoshiro256** with its state filled by splitmix64 from the seed,
 * and an unbiased mapping onto 0..n-1 by multiplication with rejection.  Nothing here depends on
 * the C++ library's distributions, whose output the standard leaves open. */
#include "host/soak.h"

namespace vthost {

namespace {

uint64_t splitmix64(uint64_t& x) {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

}  // namespace

SoakRandom::SoakRandom(uint64_t seed) {
    uint64_t x = seed;
    for (uint64_t& word : state_) word = splitmix64(x);
}

uint64_t SoakRandom::next() {
    uint64_t result = rotl(state_[1] * 5, 7) * 9;
    uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = rotl(state_[3], 45);
    return result;
}

uint32_t SoakRandom::below(uint32_t n) {
    /* The high 32 bits times n; the low half of the product below 2^32 mod n would favour some
     * results, so such draws are taken again. */
    uint64_t product = (next() >> 32) * n;
    uint32_t low = static_cast<uint32_t>(product);
    if (low < n) {
        uint32_t threshold = (0u - n) % n;
        while (low < threshold) {
            product = (next() >> 32) * n;
            low = static_cast<uint32_t>(product);
        }
    }
    return static_cast<uint32_t>(product >> 32);
}

}  // namespace vthost
