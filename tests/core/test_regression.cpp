// test_regression.cpp -- the world-state image of a few seeded runs, pinned by
// SHA-256 at several step counts. Any change to generation, assembly or the
// animation step that moves a single bit of any record or buffer shows here;
// speed work on the step must leave every hash as it is.
//
// The image's SHA-256 equals `sha256sum` of the same bytes written to a file,
// so a failing case can be checked by hand against the snapshot tool.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sim.h"
#include "state.h"
#include "w_local.h"

namespace {

// Plain FIPS 180-4 SHA-256; the test needs nothing beyond one-shot hashing.
class Sha256 {
public:
    std::string hex(const unsigned char *data, size_t n)
    {
        uint32_t h[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                         0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
        size_t full = n / 64;
        for (size_t b = 0; b < full; b++)
            block(h, data + 64 * b);
        // Tail, the 0x80 marker and the bit length, in one or two blocks.
        unsigned char tail[128] = {};
        size_t rest = n - 64 * full;
        std::memcpy(tail, data + 64 * full, rest);
        tail[rest] = 0x80;
        size_t blocks = rest + 9 <= 64 ? 1 : 2;
        uint64_t bits = (uint64_t)n * 8u;
        for (int i = 0; i < 8; i++)
            tail[64 * blocks - 1 - i] = (unsigned char)(bits >> (8 * i));
        for (size_t b = 0; b < blocks; b++)
            block(h, tail + 64 * b);
        char out[65];
        for (int i = 0; i < 8; i++)
            std::snprintf(out + 8 * i, 9, "%08x", h[i]);
        return std::string(out, 64);
    }

private:
    static uint32_t rotr(uint32_t x, int r) { return (x >> r) | (x << (32 - r)); }

    static void block(uint32_t *h, const unsigned char *p)
    {
        static const uint32_t k[64] = {
            0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
            0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
            0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
            0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
            0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
            0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
            0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
            0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
            0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
            0xc67178f2};
        uint32_t w[64];
        for (int i = 0; i < 16; i++)
            w[i] = (uint32_t)p[4 * i] << 24 | (uint32_t)p[4 * i + 1] << 16 |
                   (uint32_t)p[4 * i + 2] << 8 | (uint32_t)p[4 * i + 3];
        for (int i = 16; i < 64; i++) {
            uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], hh = h[7];
        for (int i = 0; i < 64; i++) {
            uint32_t t1 = hh + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) +
                          k[i] + w[i];
            uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            hh = g; g = f; f = e; e = d + t1;
            d = c; c = b; b = a; a = t1 + t2;
        }
        h[0] += a; h[1] += b; h[2] += c; h[3] += d;
        h[4] += e; h[5] += f; h[6] += g; h[7] += hh;
    }
};

std::string sha256(const std::string &s)
{
    return Sha256().hex(reinterpret_cast<const unsigned char *>(s.data()), s.size());
}

struct Pinned {
    uint32_t seed;
    int steps;                        // calcme calls after initmeSeeded
    const char *sha;
};

// Recorded from the step as first written, before any speed work.
const Pinned pinned[] = {
    {1u, 0,
     "d0b0272b6e5dd017d52d9ec92926be389eb1d5c7dd2edddf76c5c2b09a23c3b2"},
    {1u, 1,
     "f1b5971ccec33b43f50fd7f8275af878eba76f47d3e2dea3d82a11310a182c99"},
    {1u, 500,
     "887379a7a41f3f512bd3596aece1c62d94753cf48851d65fcffdcd86080a62fb"},
    {1u, 3000,
     "88048492e3681e3c61076f9f6ddedec2b1dcaab76b2e595ed6666d9daebe4462"},
    {20240607u, 0,
     "3ba95698e72e6f69ceee7b90f6e048e2285a35b9fe06cec1b70e18a1de0ffbe1"},
    {20240607u, 1,
     "8b8e0597b29113eb5b0a6c19faa52c6e084d24aad29b07b3a107bdd7f28ede57"},
    {20240607u, 500,
     "f374989f5fec35f491af003797a83ec1c4e1009cc2a1b64b13efae59c2cff999"},
    {20240607u, 3000,
     "6b599e32ddcf65c3c02928cfc2f4dd44b7be474576d7b3d85f52a9058186bcf6"},
    {4000000000u, 0,
     "0a4d6fffe5416b042d47c565f1a7533e61cb051966e5eafa71fc209dc45b6b73"},
    {4000000000u, 1,
     "00fcd33fc36420d589ad66fc26a27eb3296ec0c61797af76c49d3e3f44f3c1d7"},
    {4000000000u, 500,
     "a26472bd75cca70f3c5f6fded246a3c660ffe9996786a901bc7bef1bedacea11"},
    {4000000000u, 3000,
     "ea3c2434ec9dbcb769d3c0a1b525c21a3260123c966e8055ed6a9bc6a5b09901"},
};

TEST(RegressionSha256, KnownVectors)
{
    EXPECT_EQ(sha256(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the first padded block.
    EXPECT_EQ(sha256("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(sha256(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// Walks each seed once through its pinned step counts.
TEST(RegressionStateImage, SeededRunsKeepEveryBit)
{
    std::vector<unsigned char> image(STATE_IMAGE_BYTES);
    size_t i = 0;
    const size_t n = sizeof pinned / sizeof pinned[0];
    while (i < n) {
        uint32_t seed = pinned[i].seed;
        initmeSeeded(seed);
        int done = 0;
        for (; i < n && pinned[i].seed == seed; i++) {
            for (; done < pinned[i].steps; done++)
                calcme();
            stateImageFill(image.data());
            EXPECT_EQ(Sha256().hex(image.data(), image.size()), pinned[i].sha)
                << "seed " << seed << " after " << pinned[i].steps << " steps";
        }
    }
}

// Generation takes its values from rngFill, several at a time: they must be
// the values, and leave the generator where, one draw at a time would.
TEST(RegressionGenerator, FillDrawsWhatSingleDrawsWould)
{
    for (int n : {0, 1, 3, 4, 7, 1001}) {
        rngSeed(0xC0FFEEu);
        std::vector<int> single(n + 5);
        for (int &v : single)
            v = rngNext();
        rngSeed(0xC0FFEEu);
        std::vector<int> filled(n + 5);
        ASSERT_EQ(rngFill(filled.data(), n), n);
        EXPECT_EQ(rngDraws(), (uint64_t)n);
        for (int i = n; i < n + 5; i++)
            filled[i] = rngNext();
        EXPECT_EQ(filled, single) << n << " values";
    }
}

int planted() { return 77; }

TEST(RegressionGenerator, FillLeavesAReplacementSourceAlone)
{
    rngSeed(5);
    rngSetSource(planted);
    int out[4] = {-1, -1, -1, -1};
    EXPECT_EQ(rngFill(out, 4), 0);
    EXPECT_EQ(rngDraws(), 0u);
    EXPECT_EQ(out[0], -1);
    EXPECT_EQ(rngNext(), 77);
    rngSetSource(nullptr);
}

// Generation clears only what it does not write itself, so a world left in
// any state must give the image of a fresh one; every byte is spoilt first.
TEST(RegressionStateImage, GenerationOverwritesAStaleWorld)
{
    std::vector<unsigned char> fresh(STATE_IMAGE_BYTES), again(STATE_IMAGE_BYTES);
    resetWorld();
    initmeSeeded(pinned[0].seed);
    stateImageFill(fresh.data());

    std::memset(cityz, 0xA5, sizeof cityz);
    std::memset(city_verts, 0xA5, sizeof city_verts);
    std::memset(city_colors, 0xA5, sizeof city_colors);
    std::memset(city_indexes, 0xA5, sizeof city_indexes);
    std::memset(carz, 0xA5, sizeof carz);
    std::memset(car_verts, 0xA5, sizeof car_verts);
    std::memset(car_colors, 0xA5, sizeof car_colors);
    std::memset(car_indexes, 0xA5, sizeof car_indexes);
    std::memset(cloudz, 0xA5, sizeof cloudz);
    std::memset(cloud_verts, 0xA5, sizeof cloud_verts);
    std::memset(cloud_indexes, 0xA5, sizeof cloud_indexes);
    std::memset(floorz, 0xA5, sizeof floorz);
    std::memset(floor_verts, 0xA5, sizeof floor_verts);
    std::memset(floor_colors, 0xA5, sizeof floor_colors);
    std::memset(floor_indexes, 0xA5, sizeof floor_indexes);
    std::memset(radoz, 0xA5, sizeof radoz);
    std::memset(mycamz, 0xA5, sizeof mycamz);
    whichcam = rstep = rpos = -5;
    mmover = ccmove = cbound = -1.0f;
    initmeSeeded(pinned[0].seed);
    stateImageFill(again.data());
    EXPECT_TRUE(fresh == again);
}

} // namespace
