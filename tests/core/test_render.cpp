// test_render.cpp -- the renderer on an offscreen context: the fixed state
// initGL leaves, the state a frame leaves behind, the view built from the
// camera, the draws a frame hands to the driver, and the pixels of small
// hand-built scenes and of real frames.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <dlfcn.h>

#include <cmath>
#include <cstring>
#include <set>
#include <vector>

#include "offscreen.h"
#include "render.h"
#include "sim.h"
#include "state.h"
#include "w_local.h"
#include "world.h"

namespace {

const int W = 1024, H = 768;
const uint32_t SEED = 20240607;
const double GREY = 0.3499999940395355;  // the float nearest 0.35

struct Vec { double x, y, z; };
struct Mat { double m[16]; };  // column-major, as OpenGL reports it

Vec sub(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec unit(Vec a) { double n = std::sqrt(dot(a, a)); return {a.x / n, a.y / n, a.z / n}; }

Mat perspective(double fovy, double aspect, double zNear, double zFar)
{
    double f = 1.0 / std::tan(fovy * 3.14159265358979323846 / 360.0);
    Mat p = {};
    p.m[0] = f / aspect;
    p.m[5] = f;
    p.m[10] = (zFar + zNear) / (zNear - zFar);
    p.m[11] = -1.0;
    p.m[14] = 2.0 * zFar * zNear / (zNear - zFar);
    return p;
}

const Mat PROJECTION = perspective(101.0, (double)(float)(4.0 / 3.0), (double)0.1f, 150000.0);

// Rows side, up and -forward, then the eye moved to the origin.
Mat lookAt(Vec eye, Vec centre, Vec up)
{
    Vec f = unit(sub(centre, eye)), s = unit(cross(f, up)), u = cross(s, f);
    return {{s.x, u.x, -f.x, 0, s.y, u.y, -f.y, 0, s.z, u.z, -f.z, 0,
             -dot(s, eye), -dot(u, eye), dot(f, eye), 1}};
}

void expectMatrix(GLenum which, const Mat &want, double tolerance, const char *what)
{
    GLdouble got[16];
    glGetDoublev(which, got);
    for (int i = 0; i < 16; i++)
        EXPECT_NEAR(got[i], want.m[i], tolerance * std::fmax(1.0, std::fabs(want.m[i])))
            << what << ", element " << i;
}

void setCamera(Vec eye, Vec look)
{
    mycam &c = mycamz[whichcam];
    c.xcam = (GLfloat)eye.x; c.ycam = (GLfloat)eye.y; c.zcam = (GLfloat)eye.z;
    c.xlook = (GLfloat)look.x; c.ylook = (GLfloat)look.y; c.zlook = (GLfloat)look.z;
}

// Records by hand; every record left at zero becomes a degenerate box or
// quad at the origin, which draws nothing.
void building(int i, double x, double z, double w, double h, double r, double g, double b)
{
    city &c = cityz[i];
    c.xpos = (GLfloat)x; c.zpos = (GLfloat)z; c.wpos = (GLfloat)w; c.dpos = (GLfloat)w;
    c.hpos = (GLfloat)h; c.r = (GLfloat)r; c.g = (GLfloat)g; c.b = (GLfloat)b;
}

void cloudAt(int i, double x, double y, double z, double w)
{
    cloud &c = cloudz[i];
    c.xpos = (GLfloat)x; c.ypos = (GLfloat)y; c.zpos = (GLfloat)z;
    c.wpos = (GLfloat)w; c.hpos = (GLfloat)w;
}

void tile(int i, double x, double z, double w, double r, double g, double b)
{
    flooro &f = floorz[i];
    f.xpos = (GLfloat)x; f.zpos = (GLfloat)z; f.wpos = (GLfloat)w; f.hpos = (GLfloat)w;
    f.r = (GLfloat)r; f.g = (GLfloat)g; f.b = (GLfloat)b;
}

const char *openError = "not opened";

// A draw as the driver receives it, with the arrays bound at that moment
// (colours null while the colour array is off).
struct Draw {
    GLenum mode;
    GLsizei count;
    GLenum type;
    const void *indexes, *verts, *colours;
};
std::vector<Draw> draws;              // every draw since the test cleared it

} // namespace

// Records each draw on its way to the driver.
extern "C" void glDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid *indexes)
{
    static auto real = reinterpret_cast<void (*)(GLenum, GLsizei, GLenum, const GLvoid *)>(
        dlsym(RTLD_NEXT, "glDrawElements"));
    GLvoid *verts = nullptr, *colours = nullptr;
    glGetPointerv(GL_VERTEX_ARRAY_POINTER, &verts);
    if (glIsEnabled(GL_COLOR_ARRAY))
        glGetPointerv(GL_COLOR_ARRAY_POINTER, &colours);
    draws.push_back({mode, count, type, indexes, verts, colours});
    real(mode, count, type, indexes);
}

namespace {

class Render : public ::testing::Test {
protected:
    static void SetUpTestSuite() { openError = offscreenOpen(W, H); }
    static void TearDownTestSuite() { offscreenClose(); }

    void SetUp() override
    {
        ASSERT_EQ(openError, nullptr) << openError;
        resetWorld();
        initGL();
        pixels.assign((size_t)W * H * 4, 0);
    }

    void draw()
    {
        drawFrame();
        offscreenRead(pixels.data());
    }

    // One pixel (image rows, top first) against a colour, with a step of
    // slack for the conversion to 8 bits.
    void expectPixel(int x, int y, double r, double g, double b)
    {
        const unsigned char *p = &pixels[((size_t)y * W + (size_t)x) * 4];
        EXPECT_NEAR(p[0], r * 255.0, 1.0) << "red at " << x << "," << y;
        EXPECT_NEAR(p[1], g * 255.0, 1.0) << "green at " << x << "," << y;
        EXPECT_NEAR(p[2], b * 255.0, 1.0) << "blue at " << x << "," << y;
    }

    size_t litPixels() const
    {
        size_t n = 0;
        for (size_t i = 0; i < pixels.size(); i += 4)
            n += (pixels[i] | pixels[i + 1] | pixels[i + 2]) != 0;
        return n;
    }

    size_t colours() const
    {
        std::set<uint32_t> seen;
        for (size_t i = 0; i < pixels.size(); i += 4)
            seen.insert((uint32_t)pixels[i] << 16 | (uint32_t)pixels[i + 1] << 8 | pixels[i + 2]);
        return seen.size();
    }

    std::vector<unsigned char> pixels;
};

} // namespace

TEST_F(Render, InitGLSetsViewportProjectionAndFixedState)
{
    // Start from other values, so that each one is seen to be set.
    glViewport(3, 4, 5, 6);
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    glClearDepth(0.25);
    glDepthFunc(GL_GREATER);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_DITHER);
    glShadeModel(GL_FLAT);
    glMatrixMode(GL_PROJECTION);
    glScaled(2.0, 3.0, 4.0);
    glMatrixMode(GL_MODELVIEW);
    glTranslated(7.0, 8.0, 9.0);
    initGL();

    GLint v[4];
    glGetIntegerv(GL_VIEWPORT, v);
    EXPECT_TRUE(v[0] == 0 && v[1] == 0 && v[2] == 1024 && v[3] == 768)
        << v[0] << " " << v[1] << " " << v[2] << " " << v[3];
    // The aspect and the near plane reach GLU with their float rounding.
    expectMatrix(GL_PROJECTION_MATRIX, PROJECTION, 1e-6, "projection");
    expectMatrix(GL_MODELVIEW_MATRIX, {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}, 0.0,
                 "modelview");
    glGetIntegerv(GL_MATRIX_MODE, v);
    EXPECT_EQ(v[0], GL_MODELVIEW);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    glGetIntegerv(GL_DEPTH_FUNC, v);
    EXPECT_EQ(v[0], GL_LEQUAL);
    EXPECT_FALSE(glIsEnabled(GL_DITHER));
    glGetIntegerv(GL_SHADE_MODEL, v);
    EXPECT_EQ(v[0], GL_SMOOTH);

    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_TRUE(clear[0] == 0.0f && clear[1] == 0.0f && clear[2] == 0.0f && clear[3] == 0.0f);
    GLdouble depth;
    glGetDoublev(GL_DEPTH_CLEAR_VALUE, &depth);
    EXPECT_EQ(depth, 1.0);

    for (GLenum cap : {GL_LIGHTING, GL_CULL_FACE, GL_FOG, GL_STENCIL_TEST, GL_TEXTURE_2D, GL_BLEND})
        EXPECT_FALSE(glIsEnabled(cap)) << "capability 0x" << std::hex << cap;
}

TEST_F(Render, FrameLeavesBlendingAndClientArraysOff)
{
    initmeSeeded(SEED);
    calcme();
    glEnable(GL_DITHER);
    drawFrame();

    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_DITHER)) << "dithering goes off in every frame";
    GLint src, dst;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_TRUE(src == GL_SRC_ALPHA && dst == GL_ONE);
    GLfloat c[4];
    glGetFloatv(GL_CURRENT_COLOR, c);
    EXPECT_TRUE(c[0] == 0.35f && c[1] == 0.35f && c[2] == 0.35f && c[3] == 1.0f);
    expectMatrix(GL_PROJECTION_MATRIX, PROJECTION, 1e-6, "projection after a frame");
}

// Every camera goes to the look-at matrix unchanged, except that a line of
// sight along the up vector takes -z as up, and an eye on its own look-at
// point looks straight down.
TEST_F(Render, ViewFollowsTheCamera)
{
    const Vec yUp = {0, 1, 0}, zUp = {0, 0, -1};
    struct Case { const char *what; Vec eye, look, up, centre; };
    const Case cases[] = {
        {"oblique", {300, 800, -2500}, {10, 5, 12}, yUp, {10, 5, 12}},
        {"level", {-4000, 200, 100}, {0, 200, 0}, yUp, {0, 200, 0}},
        {"almost straight down", {0, 1000, 0.25}, {0, 0, 0}, yUp, {0, 0, 0}},
        {"almost straight down, x", {0.125, 3000, 0}, {0, 10, 0}, yUp, {0, 10, 0}},
        {"straight down", {120, 2500, -40}, {120, 13, -40}, zUp, {120, 13, -40}},
        {"straight up", {5, 10, 6}, {5, 900, 6}, zUp, {5, 900, 6}},
        {"eye on its look-at point", {-50, 700, 30}, {-50, 700, 30}, zUp, {-50, 699, 30}},
    };
    for (const Case &c : cases) {
        setCamera(c.eye, c.look);
        mycam before = mycamz[whichcam];
        drawFrame();
        expectMatrix(GL_MODELVIEW_MATRIX, lookAt(c.eye, c.centre, c.up), 2e-6, c.what);
        EXPECT_EQ(std::memcmp(&before, &mycamz[whichcam], sizeof before), 0)
            << c.what << ": the camera record is left as it was";
    }
}

// Four draws, each from the start of its layer's arrays and over all of it,
// never into the spare slots past the floor and the clouds.
TEST_F(Render, FrameDrawsEveryLayerWhole)
{
    initmeSeeded(SEED);
    calcme();
    draws.clear();
    drawFrame();
    const Draw want[] = {
        {GL_QUADS, 2400, GL_UNSIGNED_INT, floor_indexes, floor_verts, floor_colors},
        {GL_QUADS, 144000, GL_UNSIGNED_INT, car_indexes, car_verts, car_colors},
        {GL_QUADS, 288000, GL_UNSIGNED_INT, city_indexes, city_verts, city_colors},
        {GL_QUADS, 4000, GL_UNSIGNED_INT, cloud_indexes, cloud_verts, nullptr},
    };
    ASSERT_EQ(draws.size(), 4u);
    for (int i = 0; i < 4; i++) {
        const Draw &got = draws[i], &w = want[i];
        EXPECT_TRUE(got.mode == w.mode && got.type == w.type) << "draw " << i;
        EXPECT_EQ(got.count, w.count) << "draw " << i;
        EXPECT_TRUE(got.indexes == w.indexes && got.verts == w.verts && got.colours == w.colours)
            << "draw " << i << " reads other arrays";
    }
}

// The first and the last element of each layer, alone in the world, show in
// their own colour: no layer stops short or starts late.
TEST_F(Render, EveryLayerShowsItsFirstAndLastElement)
{
    struct Layer {
        const char *what;
        int last;
        void (*place)(int);
        double r, g, b;
    };
    const Layer layers[] = {
        {"floor tile", NUM_TILES - 1, [](int i) { tile(i, -8, -8, 20, 0.2, 0.4, 0.6); },
         0.2, 0.4, 0.6},
        {"car", NUM_CARS - 1,
         [](int i) {
             car &k = carz[i];
             k.wpos = 4.0f; k.hpos = 2.0f; k.dpos = 4.0f;
             k.r = 0.9f; k.g = 0.5f; k.b = 0.1f;
         },
         0.9, 0.5, 0.1},
        {"box", NUM_BOXES - 1, [](int i) { building(i, -8, -8, 20, 5, 0.1, 0.7, 0.3); },
         0.1, 0.7, 0.3},
        {"cloud", NUM_CLOUDS - 1, [](int i) { cloudAt(i, -8, 5, -8, 20); }, GREY, GREY, GREY},
    };
    for (const Layer &layer : layers)
        for (int i : {0, layer.last}) {
            SCOPED_TRACE(testing::Message() << layer.what << " " << i);
            resetWorld();
            layer.place(i);
            assembleMeshes();
            setCamera({2, 30, 3}, {2, 0, 2});
            draw();
            expectPixel(512, 384, layer.r, layer.g, layer.b);
        }
}

TEST_F(Render, StraightDownViewIsUprightAndUnmirrored)
{
    tile(0, -100, -300, 200, 1, 0, 0);  // toward -z
    tile(1, -100, 100, 200, 0, 0, 1);   // toward +z
    tile(2, 100, -100, 200, 0, 1, 0);   // toward +x
    assembleMeshes();
    setCamera({0, 1000, 0}, {0, 0, 0});
    draw();
    // 200 units at a distance of 1000 lie about 63 pixels off the centre.
    expectPixel(512, 384 - 63, 1, 0, 0);
    expectPixel(512, 384 + 63, 0, 0, 1);
    expectPixel(512 + 63, 384, 0, 1, 0);
    expectPixel(512 - 63, 384, 0, 0, 0);
}

TEST_F(Render, CloudAddsItsGreyToWhatLiesBehind)
{
    cloudAt(0, -100, 500, -100, 200);
    assembleMeshes();
    setCamera({0, 1000, 1}, {0, 0, 0});
    draw();
    expectPixel(512, 384, GREY, GREY, GREY);
    expectPixel(0, 0, 0, 0, 0);
    expectPixel(1023, 767, 0, 0, 0);

    // Over a building; green goes past 1 and stops there.
    building(0, -50, -50, 100, 100, 0.5, 0.8, 0.2);
    assembleMeshes();
    draw();
    expectPixel(512, 384, 0.5 + GREY, 1.0, 0.2 + GREY);
}

TEST_F(Render, NearerBuildingHidesCloud)
{
    cloudAt(0, -100, 50, -100, 200);
    building(0, -50, -50, 100, 100, 0.5, 0.8, 0.2);
    assembleMeshes();
    setCamera({0, 1000, 1}, {0, 0, 0});
    draw();
    expectPixel(512, 384, 0.5, 0.8, 0.2);
    expectPixel(512 + 25, 384, GREY, GREY, GREY);  // beside the building
}

// Clouds write depth: a nearer cloud drawn first keeps a farther one out.
TEST_F(Render, OverlappingCloudsAddOnlyWhenTheFartherComesFirst)
{
    setCamera({0, 1000, 1}, {0, 0, 0});
    cloudAt(0, -100, 600, -100, 200);
    cloudAt(1, -100, 500, -100, 200);
    assembleMeshes();
    draw();
    expectPixel(512, 384, GREY, GREY, GREY);

    cloudAt(0, -100, 500, -100, 200);
    cloudAt(1, -100, 600, -100, 200);
    assembleMeshes();
    draw();
    expectPixel(512, 384, 2 * GREY, 2 * GREY, 2 * GREY);
}

TEST_F(Render, GeometryOutsideNearAndFarPlanesIsClipped)
{
    tile(0, -200000, -200000, 400000, 0.2, 0.4, 0.6);
    assembleMeshes();
    setCamera({0, 149000, 1}, {0, 0, 0});
    draw();
    expectPixel(512, 384, 0.2, 0.4, 0.6);
    // With a near plane of 0.1 the single-precision projection blurs the far
    // plane: Mesa's software renderer still draws at 160500 and clips from
    // 161000. Well beyond it nothing is left.
    setCamera({0, 250000, 1}, {0, 0, 0});
    draw();
    EXPECT_EQ(litPixels(), 0u) << "beyond the far plane";

    setCamera({0, 0.2, 0.001}, {0, 0, 0});
    draw();
    expectPixel(512, 384, 0.2, 0.4, 0.6);
    setCamera({0, 0.05, 0.001}, {0, 0, 0});
    draw();
    EXPECT_EQ(litPixels(), 0u) << "nearer than the near plane";
}

TEST_F(Render, FirstFrameShowsTheCityFromAbove)
{
    initmeSeeded(SEED);
    calcme();
    const mycam &c = mycamz[whichcam];
    ASSERT_TRUE(c.xcam == c.xlook && c.zcam == c.zlook && c.ycam > c.ylook)
        << "the opening descent looks straight down";

    std::vector<unsigned char> before(STATE_IMAGE_BYTES), after(STATE_IMAGE_BYTES);
    stateImageFill(before.data());
    draw();
    stateImageFill(after.data());
    EXPECT_TRUE(before == after) << "drawing changes nothing in the world";
    EXPECT_GT(litPixels(), (size_t)W * H / 2);
    EXPECT_GT(colours(), 100u);
}

TEST_F(Render, EyeOnItsLookAtPointStillDraws)
{
    initmeSeeded(SEED);
    for (int i = 0; i < 200; i++)
        calcme();
    setCamera({mycamz[0].xcam, mycamz[0].ycam, mycamz[0].zcam},
              {mycamz[0].xcam, mycamz[0].ycam, mycamz[0].zcam});
    draw();
    EXPECT_GT(litPixels(), (size_t)W * H / 4);
    EXPECT_GT(colours(), 50u);
}
