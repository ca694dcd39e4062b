// w_generate.cpp -- one-time generation of the world's records.
//
// The draw order below fixes the whole city for a seed, so every value is
// taken in its own statement. Each formula is evaluated in double precision,
// one operation at a time, and rounded to float once, at the store; the four
// float constants enter the double arithmetic with their float rounding.
#include <ctime>

#include "w_local.h"

static const double F0_4 = (double)0.4f;
static const double F0_1 = (double)0.1f;
static const double F1_2 = (double)1.2f;
static const double F0_2 = (double)0.2f;

// Generation's values, drawn all at once before it starts (see rngFill).
static int genValues[GEN_DRAWS];
static int genNext, genReady;

// One draw reduced to 0..n-1. Past the values drawn beforehand, or with a
// test's source in place of the generator, it draws one value as it goes.
// The values are never negative, so the remainder is taken unsigned, which
// spares the sign correction of a signed one.
static int draw(int n)
{
    int v = genNext < genReady ? genValues[genNext++] : rngNext();
    return (int)((unsigned)v % (unsigned)n);
}

// A position on the city grid: a block of 400 units, then 80..299 into it.
static GLfloat gridCoord(void)
{
    int a = draw(40);
    int b = draw(220);
    double m = (double)mmover;
    return (GLfloat)(((double)(a - 20) * m + (double)(b - 120)) + m * 0.5);
}

// n / d + add, the shape of most extents.
static GLfloat scaled(int n, double d, double add)
{
    return (GLfloat)((double)n / d + add);
}

static void generateChoices(void)
{
    for (int i = 0; i < NUM_CHOICES; i++)
        radoz[i] = draw(3);
}

// The opening glide: down from 4000 to 1250 over 153 frames.
static void generateCamera(void)
{
    mycam *c = &mycamz[0];
    c->ycampos = 1250.0f;
    c->ycamoldpos = 4000.0f;
    c->camtime = 153;
    c->looktime = 141;
}

static void generateClouds(void)
{
    for (int i = 0; i < NUM_CLOUDS; i++) {
        cloud *c = &cloudz[i];
        c->xpos = (GLfloat)((double)(draw(6000) - 3000) * 2.0);
        c->ypos = (GLfloat)(((double)draw(14000) / 60.0) * 10.0 + 30.0);
        c->zpos = (GLfloat)((double)(draw(8000) - 4000) * 2.0);
        c->speed = (GLfloat)((double)draw(600) * 0.015625 + F0_4);
        c->wpos = scaled(draw(2600), 3.0, 152.5);
        c->hpos = scaled(draw(2600), 3.0, 152.5);
    }
}

static void generateFloor(void)
{
    for (int i = 0; i < NUM_TILES; i++) {
        flooro *f = &floorz[i];
        f->xpos = (GLfloat)((double)(draw(8000) - 4000) * 2.0);
        f->ypos = 0.0f;
        f->zpos = (GLfloat)((double)(draw(10000) - 5000) * 3.0);
        f->speed = scaled(draw(100), 100.0, F0_1);
        f->wpos = (GLfloat)((double)draw(3600) * 0.5 + 25.5);
        f->hpos = (GLfloat)((double)draw(3600) * 0.5 + 25.5);
        GLfloat grey = (GLfloat)((double)draw(25) / 100.0);
        f->r = f->g = f->b = grey;
    }
}

static void generateBuildings(void)
{
    for (int i = 0; i < NUM_BUILDINGS; i++) {
        city *c = &cityz[i];
        c->xpos = gridCoord();
        c->ypos = 0.0f;
        c->zpos = gridCoord();
        c->speed = 20.0f;
        c->wpos = scaled(draw(200), 10.0, 2.5);
        c->hpos = scaled(draw(19400), 10.0, 2.5);
        c->dpos = scaled(draw(200), 10.0, 2.5);
        GLfloat grey = (GLfloat)((double)draw(15) / 100.0);
        c->r = c->g = c->b = grey;
    }
}

// Bars float above the streets: dark red along z, dark blue along x.
static void generateBars(void)
{
    for (int i = NUM_BUILDINGS; i < NUM_BOXES; i++) {
        city *c = &cityz[i];
        c->xpos = gridCoord();
        c->ypos = (GLfloat)(((double)draw(18000) / 200.0) * 10.0 + 30.0);
        c->zpos = gridCoord();
        c->speed = 24.0f;
        if (draw(2) == 1) {
            c->wpos = scaled(draw(200), 10.0, 0.5);
            c->hpos = scaled(draw(200), 10.0, 0.5);
            c->dpos = scaled(draw(19200), 10.0, 20.5);
            c->r = (GLfloat)((double)draw(15) / 100.0);
            c->g = c->b = (GLfloat)((double)draw(2) / 100.0);
        } else {
            c->wpos = scaled(draw(19800), 10.0, 20.5);
            c->hpos = scaled(draw(200), 10.0, 0.5);
            c->dpos = scaled(draw(200), 10.0, 0.5);
            c->r = c->g = (GLfloat)((double)draw(2) / 100.0);
            c->b = (GLfloat)((double)draw(15) / 100.0);
        }
    }
}

// Every car starts at the origin heading toward -z.
static void generateCars(void)
{
    for (int i = 0; i < NUM_CARS; i++) {
        car *c = &carz[i];
        c->xpos = c->ypos = c->zpos = 0.0f;
        c->speed = scaled(draw(4000), 400.0, F1_2);
        c->wpos = 4.0f;
        c->hpos = scaled(draw(1600), 120.0, 4.5);
        c->dpos = 4.0f;
        c->blockm = c->offzet = 0.0f;
        c->state = 0;
        GLfloat grey = scaled(draw(80), 100.0, F0_2);
        c->r = c->g = c->b = grey;
    }
}

void generateRecords(void)
{
    generateChoices();
    generateCamera();
    generateClouds();
    generateFloor();
    generateBuildings();
    generateBars();
    generateCars();
}

// Generation and assembly write every other byte of the world, so only the
// rest is cleared first: clearing it all would write the world twice.
void initmeSeeded(uint32_t seed)
{
    resetUngenerated();
    rngSeed(seed);
    genNext = 0;
    genReady = rngFill(genValues, GEN_DRAWS);
    generateRecords();
    assembleMeshes();
}

void initme(void)
{
    initmeSeeded((uint32_t)time(0));
}
