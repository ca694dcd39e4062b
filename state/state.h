// state.h -- the world-state image: every global of the world, every slot of
// every array, as little-endian 32-bit words in one fixed order, so that any
// frame of any run can be compared bit for bit.
#pragma once

#include <cstddef>

enum { STATE_IMAGE_BYTES = 6177044 };

// Writes the image of the world as it stands into out (STATE_IMAGE_BYTES).
void stateImageFill(unsigned char *out);
