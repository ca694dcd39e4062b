// s_traffic.cpp -- 6000 cars drive the street grid. Each moves by its speed,
// wraps at the square's edge, and after a whole block stands on the crossing
// and takes a choice: straight on, or a turn into either cross direction.
// Sums are formed in double and rounded once at the store; comparisons and
// the overshoot use the unrounded value.
#include "s_local.h"

// Directions of travel, as stored in car.state.
enum { TOWARD_NEG_Z = 0, TOWARD_NEG_X = 1, TOWARD_POS_Z = 2, TOWARD_POS_X = 3 };

// New state by current state and choice: never the reverse direction.
const int32_t turnState[4][3] = {
    {0, 1, 3},
    {0, 1, 2},
    {1, 2, 3},
    {0, 2, 3},
};

// Moves the car along its axis and wraps it to the opposite bound.
static void moveCar(car *c)
{
    double speed = (double)c->speed;
    double bound = (double)cbound;
    double p;
    switch (c->state) {
    case TOWARD_NEG_Z:
        p = (double)c->zpos - speed;
        if (p < -bound) { c->zpos = cbound; c->blockm = 0.0f; }
        else c->zpos = (GLfloat)p;
        break;
    case TOWARD_NEG_X:
        p = (double)c->xpos - speed;
        if (p < -bound) { c->xpos = cbound; c->blockm = 0.0f; }
        else c->xpos = (GLfloat)p;
        break;
    case TOWARD_POS_Z:
        p = (double)c->zpos + speed;
        if (p > bound) { c->zpos = -cbound; c->blockm = 0.0f; }
        else c->zpos = (GLfloat)p;
        break;
    case TOWARD_POS_X:
        p = (double)c->xpos + speed;
        if (p > bound) { c->xpos = -cbound; c->blockm = 0.0f; }
        else c->xpos = (GLfloat)p;
        break;
    default:
        break;
    }
}

// The car has passed a crossing by e: back onto it, then choose.
static void crossing(car *c, double e)
{
    switch (c->state) {
    case TOWARD_NEG_Z: c->zpos = (GLfloat)((double)c->zpos + e); break;
    case TOWARD_NEG_X: c->xpos = (GLfloat)((double)c->xpos + e); break;
    case TOWARD_POS_Z: c->zpos = (GLfloat)((double)c->zpos - e); break;
    case TOWARD_POS_X: c->xpos = (GLfloat)((double)c->xpos - e); break;
    default: break;
    }
    c->blockm = 0.0f;

    int32_t chancer = Randooz();
    int32_t from = c->state;
    int32_t to = turnState[from & 3][chancer];
    double speed = (double)c->speed;
    double base = (double)ccmove;
    c->state = to;
    if (from == TOWARD_NEG_X && to == TOWARD_POS_Z)
        c->offzet = (GLfloat)(-base - speed);   // this one turn shifts further
    else if (to == TOWARD_NEG_Z || to == TOWARD_POS_X)
        c->offzet = (GLfloat)(base - speed);
    else
        c->offzet = (GLfloat)(speed - base);
}

// The car's box, shifted by offzet across its direction of travel; only x
// and z are written, the heights stay as assembled.
static void rebuildCar(const car *c, Vertex3 *v)
{
    double x = (double)c->xpos, z = (double)c->zpos;
    double w = (double)c->wpos, d = (double)c->dpos, o = (double)c->offzet;
    GLfloat x0, x1, z0, z1;
    if (c->state & 1) {               // along x: shift in z
        x0 = c->xpos;
        x1 = (GLfloat)(x + w);
        z0 = (GLfloat)(z + o);
        z1 = (GLfloat)((z + d) + o);
    } else {                          // along z: shift in x
        x0 = (GLfloat)(x + o);
        x1 = (GLfloat)((x + w) + o);
        z0 = c->zpos;
        z1 = (GLfloat)(z + d);
    }
    v[0].x = x0; v[0].z = z0;
    v[1].x = x1; v[1].z = z0;
    v[2].x = x1; v[2].z = z0;
    v[3].x = x0; v[3].z = z0;
    v[4].x = x0; v[4].z = z1;
    v[5].x = x1; v[5].z = z1;
    v[6].x = x1; v[6].z = z1;
    v[7].x = x0; v[7].z = z1;
}

// Each car is worked on in a local copy and only its moving fields are
// stored back at the end. Working in place, the compiler merged reads of
// neighbouring fields into wide loads that overlap the narrow stores just
// made to the same car, and the failed store forwarding stalled every car.
void trafficStep(void)
{
    double block = (double)mmover;
    for (int i = 0; i < NUM_CARS; i++) {
        car *c = &carz[i];
        car k = *c;
        moveCar(&k);
        double b = (double)k.blockm + (double)k.speed;
        k.blockm = (GLfloat)b;
        if (b > block)
            crossing(&k, b - block);
        rebuildCar(&k, &car_verts[BOX_VERTS * i]);
        c->xpos = k.xpos;
        c->zpos = k.zpos;
        c->blockm = k.blockm;
        c->state = k.state;
        c->offzet = k.offzet;
    }
}
