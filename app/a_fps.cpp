// a_fps.cpp -- the frame rate over the picture (the screensaver's "show
// frame rate"): counted over each second, drawn with OpenGL 1.1 quads in the
// bottom-left corner, white on a black box, after the frame and before the
// swap. Everything it changes it puts back: the renderer sets its projection
// only once.
#include <GL/gl.h>

#include <chrono>
#include <cstdio>

#include "a_frames.h"

// ---- constants ----

// Glyphs of 3x5 cells, one row of three bits per byte, top row first.
static const char GLYPH_CHARS[] = "0123456789.-FPS ";
static const unsigned char GLYPHS[][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
    {0, 0, 0, 0, 2}, {0, 0, 7, 0, 0}, {7, 4, 6, 4, 4}, {7, 5, 7, 4, 4}, {7, 4, 7, 1, 7},
    {0, 0, 0, 0, 0},
};

// ---- types ----

using Clock = std::chrono::steady_clock;

// ---- globals ----

static Clock::time_point since;   // start of the second being counted
static int counted = -1;          // frames in it; -1 before the first
static double shown = -1.0;       // the last second's rate; < 0: none yet

// ---- functions ----

static void cell(double x, double y, double size)
{
    glVertex2d(x, y);
    glVertex2d(x + size, y);
    glVertex2d(x + size, y + size);
    glVertex2d(x, y + size);
}

static void countFrame(void)
{
    const Clock::time_point now = Clock::now();
    if (counted < 0) {
        since = now;
        counted = 0;
        return;
    }
    counted++;
    const double seconds = std::chrono::duration<double>(now - since).count();
    if (seconds >= 1.0) {
        shown = (double)counted / seconds;
        since = now;
        counted = 0;
    }
}

void drawFpsOverlay(int pictureW, int pictureH)
{
    countFrame();
    char text[32];
    if (shown < 0.0)
        std::snprintf(text, sizeof text, "-- FPS");
    else
        std::snprintf(text, sizeof text, "%.1f FPS", shown);

    // One cell is a 270th of the height (8 pixels at 2160), at least 2.
    const double size = pictureH / 270 > 2 ? (double)(pictureH / 270) : 2.0;
    int length = 0;
    while (text[length])
        length++;
    const double margin = size * 2.0;
    const double boxW = (double)length * 4.0 * size + size * 3.0;
    const double boxH = size * 9.0;

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, (double)pictureW, 0.0, (double)pictureH, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);

    glBegin(GL_QUADS);
    glColor3d(0.0, 0.0, 0.0);
    glVertex2d(margin, margin);
    glVertex2d(margin + boxW, margin);
    glVertex2d(margin + boxW, margin + boxH);
    glVertex2d(margin, margin + boxH);
    glColor3d(1.0, 1.0, 1.0);
    for (int i = 0; i < length; i++) {
        int g = 0;
        while (GLYPH_CHARS[g] && GLYPH_CHARS[g] != text[i])
            g++;
        if (!GLYPH_CHARS[g])
            continue;
        const double left = margin + size * 2.0 + (double)i * 4.0 * size;
        for (int row = 0; row < 5; row++)
            for (int col = 0; col < 3; col++)
                if (GLYPHS[g][row] & (4 >> col))
                    cell(left + (double)col * size, margin + size * (double)(6 - row), size);
    }
    glEnd();

    glEnable(GL_DEPTH_TEST);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}
