// w_local.h -- the world module's internals: the two halves of initme and
// what they need of the generator and the storage.
#pragma once

#include "world.h"

void generateRecords(void);           // fill every record from the generator
void assembleMeshes(void);            // pack the records into the mesh buffers

// Draws the next n values into out, as n calls of rngNext would, only faster;
// returns n. With a replacement source set it draws nothing and returns 0:
// a source is asked one value at a time.
int  rngFill(int *out, int n);
// Back to the load-time state for all that generation and assembly leave
// unwritten: the camera records, the spare quad slots and the scalars.
void resetUngenerated(void);
