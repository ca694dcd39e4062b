// s_camera.cpp -- the camera director. Eye and look-at point each glide in a
// straight line to a target of which one coordinate, chosen by the choice
// walk, is redrawn at every retarget; so every glide runs along one axis.
#include "s_local.h"

// start + ((target - start) / time) * counter, rounded once.
static GLfloat glide(GLfloat start, GLfloat target, int32_t time, int32_t counter)
{
    return (GLfloat)((double)start +
                     (((double)target - (double)start) / (double)time) * (double)counter);
}

// (n - 13000) / 7: eye x and z targets.
static GLfloat eyeSpan(void)
{
    return (GLfloat)((double)(rngNext() % 26000 - 13000) / 7.0);
}

// (n - 1000) / 80: look-at x and z targets, close to the vertical axis.
static GLfloat lookSpan(void)
{
    return (GLfloat)((double)(rngNext() % 2000 - 1000) / 80.0);
}

static void retargetEye(mycam *c)
{
    c->xcamoldpos = c->xcampos;
    c->ycamoldpos = c->ycampos;
    c->zcamoldpos = c->zcampos;
    switch (Randooz()) {
    case 0: c->xcampos = eyeSpan(); break;
    case 1: c->ycampos = (GLfloat)((double)(rngNext() % 16000) / 7.0 + 2.0); break;
    case 2: c->zcampos = eyeSpan(); break;
    default: break;
    }
    c->camcounter = 0;
    c->camtime = rngNext() % 340 + 40;
}

// The look-at glide keeps its first length for the whole run.
static void retargetLook(mycam *c)
{
    c->xlookoldpos = c->xlookpos;
    c->ylookoldpos = c->ylookpos;
    c->zlookoldpos = c->zlookpos;
    switch (Randooz()) {
    case 0: c->xlookpos = lookSpan(); break;
    case 1: c->ylookpos = (GLfloat)((double)(rngNext() % 12000) / 7.0 + 5.0); break;
    case 2: c->zlookpos = lookSpan(); break;
    default: break;
    }
    c->lookcounter = 0;
}

void cameraStep(void)
{
    mycam *c = &mycamz[whichcam];

    c->camcounter++;
    if (c->camcounter > c->camtime)
        retargetEye(c);
    c->xcam = glide(c->xcamoldpos, c->xcampos, c->camtime, c->camcounter);
    c->ycam = glide(c->ycamoldpos, c->ycampos, c->camtime, c->camcounter);
    c->zcam = glide(c->zcamoldpos, c->zcampos, c->camtime, c->camcounter);

    c->lookcounter++;
    if (c->lookcounter > c->looktime)
        retargetLook(c);
    c->xlook = glide(c->xlookoldpos, c->xlookpos, c->looktime, c->lookcounter);
    c->ylook = glide(c->ylookoldpos, c->ylookpos, c->looktime, c->lookcounter);
    c->zlook = glide(c->zlookoldpos, c->zlookpos, c->looktime, c->lookcounter);
}
