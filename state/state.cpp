// state.cpp -- the world-state image. Every field of the world is a 32-bit
// word, so the image is the arrays' words one after another, each written
// little-endian whatever the host's byte order.
#include <cstdint>
#include <cstring>

#include "state.h"
#include "world.h"

static unsigned char *put(unsigned char *out, const void *data, size_t bytes)
{
    const unsigned char *p = static_cast<const unsigned char *>(data);
    for (size_t i = 0; i < bytes; i += 4) {
        uint32_t w;
        std::memcpy(&w, p + i, 4);
        out[0] = (unsigned char)(w);
        out[1] = (unsigned char)(w >> 8);
        out[2] = (unsigned char)(w >> 16);
        out[3] = (unsigned char)(w >> 24);
        out += 4;
    }
    return out;
}

void stateImageFill(unsigned char *out)
{
    unsigned char *p = out;
    p = put(p, cityz, sizeof cityz);
    p = put(p, city_verts, sizeof city_verts);
    p = put(p, city_colors, sizeof city_colors);
    p = put(p, city_indexes, sizeof city_indexes);
    p = put(p, carz, sizeof carz);
    p = put(p, car_verts, sizeof car_verts);
    p = put(p, car_colors, sizeof car_colors);
    p = put(p, car_indexes, sizeof car_indexes);
    p = put(p, cloudz, sizeof cloudz);
    p = put(p, cloud_verts, sizeof cloud_verts);
    p = put(p, cloud_indexes, sizeof cloud_indexes);
    p = put(p, floorz, sizeof floorz);
    p = put(p, floor_verts, sizeof floor_verts);
    p = put(p, floor_colors, sizeof floor_colors);
    p = put(p, floor_indexes, sizeof floor_indexes);
    p = put(p, radoz, sizeof radoz);
    p = put(p, mycamz, sizeof mycamz);
    p = put(p, &whichcam, 4);
    p = put(p, &mmover, 4);
    p = put(p, &ccmove, 4);
    p = put(p, &cbound, 4);
    p = put(p, &rstep, 4);
    p = put(p, &rpos, 4);
}
