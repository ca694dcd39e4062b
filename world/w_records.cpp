// w_records.cpp -- storage for every global of the world, at its load-time
// value, and the reset that brings a used world back to that state.
#include <cstring>

#include "w_local.h"

city    cityz[NUM_BOXES];
Vertex3 city_verts[NUM_BOXES * BOX_VERTS];
Vertex3 city_colors[NUM_BOXES * BOX_VERTS];
GLuint  city_indexes[NUM_BOXES * BOX_INDEXES];

car     carz[NUM_CARS];
Vertex3 car_verts[NUM_CARS * BOX_VERTS];
Vertex3 car_colors[NUM_CARS * BOX_VERTS];
GLuint  car_indexes[NUM_CARS * BOX_INDEXES];

cloud   cloudz[NUM_CLOUDS];
Vertex3 cloud_verts[NUM_CLOUDS * QUAD_VERTS + 1];
GLuint  cloud_indexes[NUM_CLOUDS * QUAD_VERTS + 1];

flooro  floorz[NUM_TILES];
Vertex3 floor_verts[NUM_TILES * QUAD_VERTS + 1];
Vertex3 floor_colors[NUM_TILES * QUAD_VERTS + 1];
GLuint  floor_indexes[NUM_TILES * QUAD_VERTS + 1];

int32_t radoz[NUM_CHOICES];
mycam   mycamz[NUM_CAMS];

int32_t whichcam = 0;
GLfloat mmover = 400.0f;
GLfloat ccmove = 20.0f;
GLfloat cbound = 6000.0f;
int32_t rstep = 1;
int32_t rpos = 1;

void resetWorld(void)
{
    std::memset(cityz, 0, sizeof cityz);
    std::memset(city_verts, 0, sizeof city_verts);
    std::memset(city_colors, 0, sizeof city_colors);
    std::memset(city_indexes, 0, sizeof city_indexes);
    std::memset(carz, 0, sizeof carz);
    std::memset(car_verts, 0, sizeof car_verts);
    std::memset(car_colors, 0, sizeof car_colors);
    std::memset(car_indexes, 0, sizeof car_indexes);
    std::memset(cloudz, 0, sizeof cloudz);
    std::memset(cloud_verts, 0, sizeof cloud_verts);
    std::memset(cloud_indexes, 0, sizeof cloud_indexes);
    std::memset(floorz, 0, sizeof floorz);
    std::memset(floor_verts, 0, sizeof floor_verts);
    std::memset(floor_colors, 0, sizeof floor_colors);
    std::memset(floor_indexes, 0, sizeof floor_indexes);
    std::memset(radoz, 0, sizeof radoz);
    resetUngenerated();
}

void resetUngenerated(void)
{
    cloud_verts[NUM_CLOUDS * QUAD_VERTS] = Vertex3{0.0f, 0.0f, 0.0f};
    cloud_indexes[NUM_CLOUDS * QUAD_VERTS] = 0;
    floor_verts[NUM_TILES * QUAD_VERTS] = Vertex3{0.0f, 0.0f, 0.0f};
    floor_colors[NUM_TILES * QUAD_VERTS] = Vertex3{0.0f, 0.0f, 0.0f};
    floor_indexes[NUM_TILES * QUAD_VERTS] = 0;
    std::memset(mycamz, 0, sizeof mycamz);
    whichcam = 0;
    mmover = 400.0f;
    ccmove = 20.0f;
    cbound = 6000.0f;
    rstep = 1;
    rpos = 1;
}
