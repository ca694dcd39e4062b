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

void rngSetSource(int (*source)(void))
{
    rngSource = source;
}
