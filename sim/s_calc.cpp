// s_calc.cpp -- calcme, the one per-frame entry of the simulation. The camera
// takes its choices before the cars, so this order decides who gets which.
#include "s_local.h"

void calcme(void)
{
    cameraStep();
    cloudDrift();
    trafficStep();
    floorDrift();
}
