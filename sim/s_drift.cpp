// s_drift.cpp -- clouds and floor tiles drift toward -z; one that passes the
// bound is mirrored through z = 0 and streams on from the far side.
#include "s_local.h"

static const double DRIFT_BOUND = -8000.0;

// One quad's step; the bound is tested on the unrounded difference.
static GLfloat driftZ(GLfloat zpos, GLfloat speed)
{
    double z = (double)zpos - (double)speed;
    if (z < DRIFT_BOUND)
        z = -z;
    return (GLfloat)z;
}

// Only z moves: the near edge at zpos, the far edge at zpos + hpos.
static void quadZ(Vertex3 *v, GLfloat zpos, GLfloat hpos)
{
    GLfloat far = (GLfloat)((double)zpos + (double)hpos);
    v[0].z = zpos;
    v[1].z = zpos;
    v[2].z = far;
    v[3].z = far;
}

void cloudDrift(void)
{
    for (int i = 0; i < NUM_CLOUDS; i++) {
        cloud *c = &cloudz[i];
        c->zpos = driftZ(c->zpos, c->speed);
        quadZ(&cloud_verts[QUAD_VERTS * i], c->zpos, c->hpos);
    }
}

void floorDrift(void)
{
    for (int i = 0; i < NUM_TILES; i++) {
        flooro *f = &floorz[i];
        f->zpos = driftZ(f->zpos, f->speed);
        quadZ(&floor_verts[QUAD_VERTS * i], f->zpos, f->hpos);
    }
}
