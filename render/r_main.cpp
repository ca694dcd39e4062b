// r_main.cpp -- the renderer: fixed GL state, the view from the camera, and
// the four layers (floor, cars, buildings, additive clouds) of each frame.
#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

#include "render.h"
#include "world.h"

static const GLfloat CLOUD_GREY = 0.35f;

// The picture's pixels: the 1024x768 mode unless a front end draws sharper.
static int pictureW = 1024;
static int pictureH = 768;

void setPictureSize(int width, int height)
{
    pictureW = width;
    pictureH = height;
}

int initGL(void)
{
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glViewport(0, 0, pictureW, pictureH);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // Aspect and near plane carry their float rounding into GLU.
    gluPerspective(101.0, (double)(GLfloat)(4.0 / 3.0), (double)0.1f, 150000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DITHER);
    return 1;
}

// gluLookAt has no defined view when the line of sight runs along the up
// vector (0, 1, 0), as it does for the whole opening descent; then the view
// keeps -z toward the top of the screen instead. An eye on its own look-at
// point looks straight down.
static void lookAt(const mycam *c)
{
    double ex = c->xcam, ey = c->ycam, ez = c->zcam;
    double cx = c->xlook, cy = c->ylook, cz = c->zlook;
    double ux = 0.0, uy = 1.0, uz = 0.0;
    if (cx == ex && cz == ez) {
        uy = 0.0;
        uz = -1.0;
        if (cy == ey)
            cy = ey - 1.0;
    }
    gluLookAt(ex, ey, ez, cx, cy, cz, ux, uy, uz);
}

static void drawColored(const Vertex3 *verts, const Vertex3 *colors,
                        GLsizei count, const GLuint *indexes)
{
    glVertexPointer(3, GL_FLOAT, 0, verts);
    glColorPointer(3, GL_FLOAT, 0, colors);
    glDrawElements(GL_QUADS, count, GL_UNSIGNED_INT, indexes);
}

void drawFrame(void)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glDisable(GL_DITHER);
    lookAt(&mycamz[whichcam]);

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    drawColored(floor_verts, floor_colors, NUM_TILES * QUAD_VERTS, floor_indexes);
    drawColored(car_verts, car_colors, NUM_CARS * BOX_INDEXES, car_indexes);
    drawColored(city_verts, city_colors, NUM_BOXES * BOX_INDEXES, city_indexes);
    glDisableClientState(GL_COLOR_ARRAY);

    // Clouds add their grey to whatever lies behind them.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_BLEND);
    glEnableClientState(GL_VERTEX_ARRAY);
    glColor3f(CLOUD_GREY, CLOUD_GREY, CLOUD_GREY);
    glVertexPointer(3, GL_FLOAT, 0, cloud_verts);
    glDrawElements(GL_QUADS, NUM_CLOUDS * QUAD_VERTS, GL_UNSIGNED_INT, cloud_indexes);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisable(GL_BLEND);
}

int drawGLScene(void)
{
    drawFrame();
    SDL_Delay(6);
    SDL_GL_SwapBuffers();
    return 1;
}
