// s_local.h -- the sections of calcme, in the order it runs them.
#pragma once

#include "sim.h"

void cameraStep(void);                // eye and look-at glides, retargets
void cloudDrift(void);
void trafficStep(void);               // all 6000 cars
void floorDrift(void);

// A car's new direction of travel by its current one and its choice (0..2).
extern const int32_t turnState[4][3];
