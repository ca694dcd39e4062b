// w_local.h -- the world module's internals: the two halves of initme.
#pragma once

#include "world.h"

void generateRecords(void);           // fill every record from the generator
void assembleMeshes(void);            // pack the records into the mesh buffers
