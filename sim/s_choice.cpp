// s_choice.cpp -- the choice walk: a random stride over the table radoz.
// The generator is drawn only when the walk runs off the table's end.
#include "s_local.h"

int Randooz(void)
{
    rpos = rpos + rstep;
    if (rpos > NUM_CHOICES - 1) {
        rstep = rngNext() % 5 + 1;    // stride first, then start
        rpos = rngNext() % 5;
    }
    return radoz[rpos];
}
