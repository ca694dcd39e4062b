// sim.h -- the per-frame animation step: the camera glide, the traffic and
// the drifting cloud and floor layers, all driven by one shared choice walk.
#pragma once

#include "world.h"

void calcme(void);                    // advance the whole world by one frame
int  Randooz(void);                   // next value (0, 1 or 2) of the choice walk
