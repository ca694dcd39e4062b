// w_random.cpp -- the 15-bit generator behind every random value of a run.
// The C library's rand differs between platforms; this one does not.
#include "world.h"

static uint32_t rngState;             // LCG state, set by rngSeed
static uint64_t rngCount;             // values drawn since the last seed
static int (*rngSource)(void);        // test replacement, null normally

void rngSeed(uint32_t seed)
{
    rngState = seed;
    rngCount = 0;
}

int rngNext(void)
{
    rngCount++;
    if (rngSource)
        return rngSource();
    rngState = rngState * 214013u + 2531011u;
    return (int)((rngState >> 16) & 0x7FFFu);
}

uint64_t rngDraws(void)
{
    return rngCount;
}

// Each value is a multiply on the state left by the one before, so drawn one
// at a time the generator waits on every multiply. Here four values are
// worked out at once from the same state: s * a^k + c_k is k steps in one.
int rngFill(int *out, int n)
{
    if (rngSource)
        return 0;
    const uint32_t a1 = 214013u, c1 = 2531011u;
    const uint32_t a2 = a1 * a1, c2 = a1 * c1 + c1;
    const uint32_t a3 = a1 * a2, c3 = a1 * c2 + c1;
    const uint32_t a4 = a1 * a3, c4 = a1 * c3 + c1;
    uint32_t s = rngState;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        out[i] = (int)(((s * a1 + c1) >> 16) & 0x7FFFu);
        out[i + 1] = (int)(((s * a2 + c2) >> 16) & 0x7FFFu);
        out[i + 2] = (int)(((s * a3 + c3) >> 16) & 0x7FFFu);
        s = s * a4 + c4;
        out[i + 3] = (int)((s >> 16) & 0x7FFFu);
    }
    for (; i < n; i++) {
        s = s * a1 + c1;
        out[i] = (int)((s >> 16) & 0x7FFFu);
    }
    rngState = s;
    rngCount += (uint64_t)n;
    return n;
}

void rngSetSource(int (*source)(void))
{
    rngSource = source;
}
