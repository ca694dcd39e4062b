// world.h -- the state of the whole city: record types, the fixed-capacity
// global arrays and mesh buffers handed to OpenGL, the shared scalars, the
// 15-bit random generator everything is drawn from, and the one-time
// generation that fills it all at start-up.
#pragma once

#include <cfloat>
#include <cstdint>

// A seed gives the same city bit for bit only where every float and double
// operation is rounded in its own type. x87 math keeps excess precision that
// a cast to float does not remove in C++, so it is refused here.
static_assert(FLT_EVAL_METHOD == 0,
              "boxcity needs float expressions evaluated in their own type "
              "(FLT_EVAL_METHOD 0); on 32-bit x86 build with SSE2 math: "
              "-msse2 -mfpmath=sse");

//----------------------------------------------------------------------------
// Constants
//----------------------------------------------------------------------------
enum {
    NUM_BUILDINGS = 6000,            // cityz[0..5999] stand on the ground
    NUM_BOXES     = 12000,           // buildings, then bars
    NUM_CARS      = 6000,
    NUM_CLOUDS    = 1000,
    NUM_TILES     = 600,             // floor tiles
    NUM_CHOICES   = 6000,            // entries of the choice table radoz
    NUM_CAMS      = 2,
    BOX_VERTS     = 8,               // box mesh: 8 corners, 6 quads
    BOX_INDEXES   = 24,
    QUAD_VERTS    = 4,               // quad mesh: one flat quad
    GEN_DRAWS     = 147600           // generator values used by generation
};

//----------------------------------------------------------------------------
// Types (plain 32-bit fields, no padding; the layouts are checked below)
//----------------------------------------------------------------------------
// The world is plain numbers and needs no display: its two GL types are
// declared here exactly as GL's own header declares them (an identical
// typedef may be repeated), so the core builds where GL is absent.
typedef float        GLfloat;
typedef unsigned int GLuint;

struct Vertex3 { GLfloat x, y, z; };  // a position, or an RGB colour

struct city {                         // one box of scenery: building or bar
    GLfloat xpos, ypos, zpos;         // minimum corner
    GLfloat speed;                    // set by generation, read by nothing
    GLfloat wpos, hpos, dpos;         // extents along x, y, z
    GLfloat r, g, b;
};

struct cloud {                        // a flat quad drifting toward -z
    GLfloat xpos, ypos, zpos;
    GLfloat speed;
    GLfloat wpos, hpos;               // extents along x and z
};

struct car {
    GLfloat xpos, ypos, zpos;         // minimum corner before the lane shift
    GLfloat speed;                    // distance per frame
    GLfloat wpos, hpos, dpos;
    GLfloat r, g, b;
    GLfloat offzet;                   // sideways lane shift
    GLfloat blockm;                   // distance since the last crossing
    int32_t state;                    // 0 -z, 1 -x, 2 +z, 3 +x
};

struct flooro {                       // a flat floor tile drifting toward -z
    GLfloat xpos, ypos, zpos;
    GLfloat speed;
    GLfloat wpos, hpos;               // extents along x and z
    GLfloat r, g, b;
};

struct mycam {
    GLfloat xcampos, ycampos, zcampos;             // eye target
    GLfloat xcamoldpos, ycamoldpos, zcamoldpos;    // eye glide start
    GLfloat xcam, ycam, zcam;                      // eye now
    GLfloat xlookpos, ylookpos, zlookpos;          // look-at target
    GLfloat xlookoldpos, ylookoldpos, zlookoldpos; // look-at glide start
    GLfloat xlook, ylook, zlook;                   // look-at point now
    int32_t camcounter, camtime;                   // eye glide frame, length
    int32_t lookcounter, looktime;                 // look-at glide frame, length
};

static_assert(sizeof(Vertex3) == 12, "Vertex3 layout");
static_assert(sizeof(city) == 40, "city layout");
static_assert(sizeof(cloud) == 24, "cloud layout");
static_assert(sizeof(car) == 52, "car layout");
static_assert(sizeof(flooro) == 36, "flooro layout");
static_assert(sizeof(mycam) == 88, "mycam layout");
static_assert(sizeof(GLfloat) == 4 && sizeof(GLuint) == 4, "32-bit GL types");

//----------------------------------------------------------------------------
// Globals (static storage; only the simulation moves them after start-up)
//----------------------------------------------------------------------------
extern city    cityz[NUM_BOXES];
extern Vertex3 city_verts[NUM_BOXES * BOX_VERTS];
extern Vertex3 city_colors[NUM_BOXES * BOX_VERTS];
extern GLuint  city_indexes[NUM_BOXES * BOX_INDEXES];

extern car     carz[NUM_CARS];
extern Vertex3 car_verts[NUM_CARS * BOX_VERTS];
extern Vertex3 car_colors[NUM_CARS * BOX_VERTS];
extern GLuint  car_indexes[NUM_CARS * BOX_INDEXES];

// The quad layers keep one spare zero slot past the last used one.
extern cloud   cloudz[NUM_CLOUDS];
extern Vertex3 cloud_verts[NUM_CLOUDS * QUAD_VERTS + 1];
extern GLuint  cloud_indexes[NUM_CLOUDS * QUAD_VERTS + 1];

extern flooro  floorz[NUM_TILES];
extern Vertex3 floor_verts[NUM_TILES * QUAD_VERTS + 1];
extern Vertex3 floor_colors[NUM_TILES * QUAD_VERTS + 1];
extern GLuint  floor_indexes[NUM_TILES * QUAD_VERTS + 1];

extern int32_t radoz[NUM_CHOICES];    // choice table, each entry 0, 1 or 2
extern mycam   mycamz[NUM_CAMS];

extern int32_t whichcam;              // active camera; always 0
extern GLfloat mmover;                // street block length, 400
extern GLfloat ccmove;                // base of a car's lane shift, 20
extern GLfloat cbound;                // cars wrap at +-cbound, 6000
extern int32_t rstep;                 // stride of the choice walk
extern int32_t rpos;                  // position of the choice walk

//----------------------------------------------------------------------------
// Functions
//----------------------------------------------------------------------------

// The generator: a 15-bit linear congruential generator (the one of the
// Windows C runtime), so that a seed gives the same city on every platform.
void     rngSeed(uint32_t seed);      // also restarts the draw count
int      rngNext(void);               // next value, 0..32767
uint64_t rngDraws(void);              // values drawn since the last seed
// Replaces where values come from (null restores the generator); for tests.
void     rngSetSource(int (*source)(void));

void initme(void);                    // seed from the clock, generate, assemble
void initmeSeeded(uint32_t seed);     // the same from a given seed
void resetWorld(void);                // back to the load-time state
