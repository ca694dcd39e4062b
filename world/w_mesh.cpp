// w_mesh.cpp -- packs the generated records into the vertex, colour and index
// buffers that the renderer hands to OpenGL. Runs once; afterwards only the
// simulation rewrites the moving coordinates.
#include "w_local.h"

// Corner order of a box, and its six quads by corner number.
static const GLuint boxQuads[BOX_INDEXES] = {
    0, 1, 2, 3,   // face at z = Z
    1, 5, 6, 2,   // face at x = X + W
    5, 6, 7, 4,   // face at z = Z + D
    0, 3, 7, 4,   // face at x = X
    0, 4, 5, 1,   // bottom
    3, 2, 6, 7    // top
};

// One float addition of two stored fields.
static GLfloat add(GLfloat a, GLfloat b)
{
    return (GLfloat)((double)a + (double)b);
}

static void boxVerts(Vertex3 *v, GLfloat x, GLfloat y, GLfloat z,
                     GLfloat w, GLfloat h, GLfloat d)
{
    GLfloat x1 = add(x, w), y1 = add(y, h), z1 = add(z, d);
    v[0] = {x, y, z};   v[1] = {x1, y, z};   v[2] = {x1, y1, z};   v[3] = {x, y1, z};
    v[4] = {x, y, z1};  v[5] = {x1, y, z1};  v[6] = {x1, y1, z1};  v[7] = {x, y1, z1};
}

// A flat quad in the plane y = Y; h is its extent along z.
static void quadVerts(Vertex3 *v, GLfloat x, GLfloat y, GLfloat z,
                      GLfloat w, GLfloat h)
{
    GLfloat x1 = add(x, w), z1 = add(z, h);
    v[0] = {x, y, z};  v[1] = {x1, y, z};  v[2] = {x1, y, z1};  v[3] = {x, y, z1};
}

static void fillColor(Vertex3 *c, int n, GLfloat r, GLfloat g, GLfloat b)
{
    for (int k = 0; k < n; k++)
        c[k] = {r, g, b};
}

static void boxIndexes(GLuint *idx, int boxes)
{
    GLuint stepper = 0;
    for (int i = 0; i < boxes; i++) {
        for (int k = 0; k < BOX_INDEXES; k++)
            idx[BOX_INDEXES * i + k] = stepper + boxQuads[k];
        stepper += BOX_VERTS;
    }
}

static void quadIndexes(GLuint *idx, int quads)
{
    for (int j = 0; j < quads * QUAD_VERTS; j++)
        idx[j] = (GLuint)j;
}

void assembleMeshes(void)
{
    int stepper = 0;
    for (int i = 0; i < NUM_TILES; i++) {
        const flooro *f = &floorz[i];
        quadVerts(&floor_verts[stepper], f->xpos, f->ypos, f->zpos, f->wpos, f->hpos);
        fillColor(&floor_colors[stepper], QUAD_VERTS, f->r, f->g, f->b);
        stepper += QUAD_VERTS;
    }
    quadIndexes(floor_indexes, NUM_TILES);

    for (int i = 0; i < NUM_CLOUDS; i++) {
        const cloud *c = &cloudz[i];
        quadVerts(&cloud_verts[QUAD_VERTS * i], c->xpos, c->ypos, c->zpos, c->wpos, c->hpos);
    }
    quadIndexes(cloud_indexes, NUM_CLOUDS);

    for (int i = 0; i < NUM_BOXES; i++) {
        const city *c = &cityz[i];
        boxVerts(&city_verts[BOX_VERTS * i], c->xpos, c->ypos, c->zpos, c->wpos, c->hpos, c->dpos);
        fillColor(&city_colors[BOX_VERTS * i], BOX_VERTS, c->r, c->g, c->b);
    }
    boxIndexes(city_indexes, NUM_BOXES);

    // No lane shift yet: every offzet is still 0.
    for (int i = 0; i < NUM_CARS; i++) {
        const car *c = &carz[i];
        boxVerts(&car_verts[BOX_VERTS * i], c->xpos, c->ypos, c->zpos, c->wpos, c->hpos, c->dpos);
        fillColor(&car_colors[BOX_VERTS * i], BOX_VERTS, c->r, c->g, c->b);
    }
    boxIndexes(car_indexes, NUM_CARS);
}
