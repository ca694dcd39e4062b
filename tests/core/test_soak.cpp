// test_soak.cpp -- long runs of the animation from fixed seeds, with the
// whole world checked after every step against what must always hold: cars
// inside their square and on a legal lane shift, drifting quads above the
// wrap bound, every moving vertex equal to the mesh its record describes,
// everything written once still as it was at start-up, the choice walk and the
// camera in range, and no NaN or infinity anywhere.
//
// The meshes are rebuilt here from the records by the geometry rules alone
// (double sums, one rounding at the store), independently of the program's
// own mesh code. The step count comes from BOXCITY_SOAK_STEPS (default 3000);
// the long run sets it to a million.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sim.h"
#include "world.h"

namespace {

GLfloat f32(double v) { return (GLfloat)v; }

bool finite(GLfloat v) { return std::isfinite(v); }

// A copy of every array that nothing may write after start-up.
struct Frozen {
    struct Region { const void *at; size_t bytes; };
    std::vector<Region> regions;
    std::vector<unsigned char> copy;

    void take()
    {
        regions = {
            {cityz, sizeof cityz}, {city_verts, sizeof city_verts},
            {city_colors, sizeof city_colors}, {city_indexes, sizeof city_indexes},
            {car_colors, sizeof car_colors}, {car_indexes, sizeof car_indexes},
            {cloud_indexes, sizeof cloud_indexes}, {floor_colors, sizeof floor_colors},
            {floor_indexes, sizeof floor_indexes}, {radoz, sizeof radoz},
            {&mycamz[1], sizeof mycamz[1]},
            {&cloud_verts[NUM_CLOUDS * QUAD_VERTS], sizeof(Vertex3)},
            {&floor_verts[NUM_TILES * QUAD_VERTS], sizeof(Vertex3)},
        };
        copy.clear();
        for (const Region &r : regions) {
            const unsigned char *b = static_cast<const unsigned char *>(r.at);
            copy.insert(copy.end(), b, b + r.bytes);
        }
    }

    bool same() const
    {
        size_t off = 0;
        for (const Region &r : regions) {
            if (std::memcmp(r.at, copy.data() + off, r.bytes) != 0)
                return false;
            off += r.bytes;
        }
        return true;
    }
};

// Everything the checker needs to remember from start-up and the last step.
struct Soak {
    Frozen frozen;
    std::vector<car> carStart, carPrev;
    std::vector<cloud> cloudStart, cloudPrev;
    std::vector<flooro> tileStart, tilePrev;
    long step = 0;
    std::string fault;                  // first broken rule, empty while all hold

    void start(uint32_t seed)
    {
        initmeSeeded(seed);
        frozen.take();
        carStart.assign(carz, carz + NUM_CARS);
        cloudStart.assign(cloudz, cloudz + NUM_CLOUDS);
        tileStart.assign(floorz, floorz + NUM_TILES);
        carPrev = carStart;
        cloudPrev = cloudStart;
        tilePrev = tileStart;
        step = 0;
        fault.clear();
        checkStartFinite();
    }

    bool fail(const char *what, int index)
    {
        if (fault.empty()) {
            char line[160];
            std::snprintf(line, sizeof line, "step %ld: %s (object %d)", step, what, index);
            fault = line;
        }
        return false;
    }

    void checkStartFinite()
    {
        for (const Vertex3 &v : city_verts)
            if (!finite(v.x) || !finite(v.y) || !finite(v.z))
                fail("non-finite building vertex at start-up", -1);
        for (const Vertex3 &c : city_colors)
            if (!(c.x >= 0.0f && c.x <= 1.0f && c.y >= 0.0f && c.y <= 1.0f &&
                  c.z >= 0.0f && c.z <= 1.0f))
                fail("building colour outside 0..1 at start-up", -1);
    }

    // Box mesh of a car with its lane shift, from the record alone.
    static void carMesh(const car &c, Vertex3 *v)
    {
        double x = c.xpos, z = c.zpos, w = c.wpos, d = c.dpos, o = c.offzet;
        bool alongX = c.state == 1 || c.state == 3;
        GLfloat xa = alongX ? c.xpos : f32(x + o);
        GLfloat xb = alongX ? f32(x + w) : f32((x + w) + o);
        GLfloat za = alongX ? f32(z + o) : c.zpos;
        GLfloat zb = alongX ? f32((z + d) + o) : f32(z + d);
        GLfloat y0 = c.ypos, y1 = f32((double)c.ypos + (double)c.hpos);
        v[0] = {xa, y0, za}; v[1] = {xb, y0, za}; v[2] = {xb, y1, za}; v[3] = {xa, y1, za};
        v[4] = {xa, y0, zb}; v[5] = {xb, y0, zb}; v[6] = {xb, y1, zb}; v[7] = {xa, y1, zb};
    }

    bool checkCar(int i)
    {
        const car &c = carz[i], &p = carPrev[i], &s = carStart[i];
        const double bound = cbound, block = mmover;
        if (!finite(c.xpos) || !finite(c.zpos) || !finite(c.blockm) || !finite(c.offzet))
            return fail("car field not finite", i);
        if (c.state < 0 || c.state > 3)
            return fail("car state outside 0..3", i);
        if (std::fabs((double)c.xpos) > bound || std::fabs((double)c.zpos) > bound)
            return fail("car outside +-cbound", i);
        if (!(c.blockm >= 0.0f && (double)c.blockm <= block))
            return fail("car blockm outside 0..mmover", i);
        // ypos, then speed up to b: the fields that never move.
        if (c.ypos != s.ypos || std::memcmp(&c.speed, &s.speed, 7 * sizeof(GLfloat)) != 0)
            return fail("car field that never moves has changed", i);

        // Turn only at a crossing (the only way blockm ends a step at 0),
        // never into the reverse direction.
        bool crossing = c.blockm == 0.0f;
        if (c.state != p.state && (c.state == ((p.state + 2) & 3) || !crossing))
            return fail("car turned without a crossing, or reversed", i);
        double speed = c.speed;
        if (!(c.blockm == f32((double)p.blockm + speed) || crossing || c.blockm == c.speed))
            return fail("car blockm jumped", i);

        // Lane shift: kept between crossings (0 before the first), and at a
        // crossing the turn table's value for the turn just taken.
        GLfloat shift = p.offzet;
        if (crossing) {
            double base = ccmove;
            if (p.state == 1 && c.state == 2)
                shift = f32(-base - speed);
            else if (c.state == 0 || c.state == 3)
                shift = f32(base - speed);
            else
                shift = f32(speed - base);
        }
        if (c.offzet != shift)
            return fail("car offzet not the turn table's value for its turn", i);

        // Move only along the old axis, forward by at most speed, or wrap.
        bool alongX = p.state & 1;
        double sign = p.state >= 2 ? 1.0 : -1.0;
        GLfloat moved = alongX ? c.xpos : c.zpos, was = alongX ? p.xpos : p.zpos;
        GLfloat fixedNow = alongX ? c.zpos : c.xpos, fixedWas = alongX ? p.zpos : p.xpos;
        if (fixedNow != fixedWas)
            return fail("car moved across its direction of travel", i);
        double advance = ((double)moved - (double)was) * sign;
        bool wrapped = (double)moved == -sign * bound;
        if (!wrapped && !(advance >= -0.01 && advance <= speed + 0.01))
            return fail("car advanced by more than its speed", i);

        // Bit for bit: the program's sums are the same double sums.
        Vertex3 mesh[8];
        carMesh(c, mesh);
        if (std::memcmp(mesh, &car_verts[BOX_VERTS * i], sizeof mesh) != 0)
            return fail("car vertices differ from the record's mesh", i);
        return true;
    }

    // Quad mesh of a cloud or tile, from the record alone.
    template <typename Q>
    bool checkQuad(const Q &q, const Q &prev, const Q &s, const Vertex3 *v, int i)
    {
        if (!finite(q.zpos))
            return fail("quad zpos not finite", i);
        if ((double)q.zpos < -8000.0)
            return fail("quad zpos below -8000", i);
        // Every field but zpos, the third, never moves (colours included).
        const char *now = reinterpret_cast<const char *>(&q);
        const char *was = reinterpret_cast<const char *>(&s);
        const size_t z = offsetof(Q, zpos), after = z + sizeof(GLfloat);
        if (std::memcmp(now, was, z) != 0 ||
            std::memcmp(now + after, was + after, sizeof(Q) - after) != 0)
            return fail("quad field that never moves has changed", i);
        double next = (double)prev.zpos - (double)q.speed;
        if (!(q.zpos == f32(next) || (next < -8000.0 && q.zpos == f32(-next))))
            return fail("quad zpos is not the last one moved by its speed", i);
        GLfloat xFar = f32((double)q.xpos + (double)q.wpos);
        GLfloat zFar = f32((double)q.zpos + (double)q.hpos);
        const Vertex3 mesh[4] = {{q.xpos, q.ypos, q.zpos}, {xFar, q.ypos, q.zpos},
                                 {xFar, q.ypos, zFar}, {q.xpos, q.ypos, zFar}};
        if (std::memcmp(mesh, v, sizeof mesh) != 0)
            return fail("quad vertices differ from the record's mesh", i);
        return true;
    }

    bool within(double v, double lo, double hi) { return v >= lo && v <= hi; }

    bool checkCamera()
    {
        const mycam &c = mycamz[0];
        const GLfloat *f = &c.xcampos;
        for (int k = 0; k < 18; k++)
            if (!finite(f[k]))
                return fail("camera field not finite", k);
        bool opening = c.camtime == 153;
        if (!(opening || within(c.camtime, 40, 379)) || c.looktime != 141)
            return fail("camera glide length out of range", -1);
        if (!within(c.camcounter, 0, c.camtime) || !within(c.lookcounter, 0, c.looktime))
            return fail("camera counter out of range", -1);
        const double eyeLo = f32(-13000.0 / 7.0), eyeHi = 1857.0;
        const double lookLo = -12.5, lookHi = f32(999.0 / 80.0);
        if (!within(c.xcam, eyeLo, eyeHi) || !within(c.zcam, eyeLo, eyeHi) ||
            !within(c.ycam, 2.0, 4000.0))
            return fail("camera eye out of range", -1);
        if (!within(c.xlook, lookLo, lookHi) || !within(c.zlook, lookLo, lookHi) ||
            !within(c.ylook, 0.0, f32(5.0 + 11999.0 / 7.0)))
            return fail("camera look-at point out of range", -1);
        return true;
    }

    // Checks the world after a step; static arrays are compared when asked,
    // since they are the bulk of the memory and nothing writes near them.
    bool check(bool withFrozen)
    {
        if (rpos < 0 || rpos > NUM_CHOICES - 1 || rstep < 1 || rstep > 5)
            return fail("choice walk position or stride out of range", -1);
        if (whichcam != 0 || mmover != 400.0f || ccmove != 20.0f || cbound != 6000.0f)
            return fail("initialised scalar changed", -1);
        if (!checkCamera())
            return false;
        for (int i = 0; i < NUM_CARS; i++)
            if (!checkCar(i))
                return false;
        for (int i = 0; i < NUM_CLOUDS; i++)
            if (!checkQuad(cloudz[i], cloudPrev[i], cloudStart[i], &cloud_verts[QUAD_VERTS * i], i))
                return false;
        for (int i = 0; i < NUM_TILES; i++)
            if (!checkQuad(floorz[i], tilePrev[i], tileStart[i], &floor_verts[QUAD_VERTS * i], i))
                return false;
        if (withFrozen && !frozen.same())
            return fail("an array written once at start-up has changed", -1);
        std::memcpy(carPrev.data(), carz, sizeof carz);
        std::memcpy(cloudPrev.data(), cloudz, sizeof cloudz);
        std::memcpy(tilePrev.data(), floorz, sizeof floorz);
        return true;
    }

    // Runs steps; the frozen arrays every frozenEvery steps and at the end.
    bool run(long steps, long frozenEvery)
    {
        for (long n = 1; n <= steps; n++) {
            calcme();
            step = n;
            if (!check(n % frozenEvery == 0 || n == steps))
                return false;
        }
        return true;
    }
};

long stepsFromEnv()
{
    const char *s = std::getenv("BOXCITY_SOAK_STEPS");
    long n = s ? std::strtol(s, nullptr, 10) : 0;
    return n > 0 ? n : 3000;
}

class SoakSeeds : public ::testing::TestWithParam<uint32_t> {};

TEST_P(SoakSeeds, EveryStepKeepsTheInvariants)
{
    static Soak soak;                   // large; one per process
    long steps = stepsFromEnv();
    // A short run checks the frozen arrays every step; a long one every
    // thousand, where the full compare would cost more than the step.
    long frozenEvery = steps > 100000 ? 1000 : 1;
    auto t0 = std::chrono::steady_clock::now();
    soak.start(GetParam());
    ASSERT_EQ(soak.fault, "");
    bool ok = soak.run(steps, frozenEvery);
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_TRUE(ok) << soak.fault;
    std::printf("seed %u: %ld steps in %.1f s\n", GetParam(), soak.step, secs);
}

INSTANTIATE_TEST_SUITE_P(Soak, SoakSeeds, ::testing::Values(1u, 20240611u, 4000000000u));

// The checker must notice what it is there to catch.
class SoakChecker : public ::testing::Test {
protected:
    static Soak soak;
    void SetUp() override
    {
        soak.start(7);
        ASSERT_TRUE(soak.run(600, 1)) << soak.fault;
        calcme();
        soak.step++;
    }
    void expectCaught(const char *what)
    {
        EXPECT_FALSE(soak.check(true));
        EXPECT_NE(soak.fault.find(what), std::string::npos) << soak.fault;
    }
};
Soak SoakChecker::soak;

TEST_F(SoakChecker, AcceptsAnUntouchedStep)
{
    EXPECT_TRUE(soak.check(true)) << soak.fault;
}

TEST_F(SoakChecker, CatchesACarOutsideItsSquare)
{
    carz[17].xpos = 6000.5f;
    expectCaught("outside +-cbound");
}

TEST_F(SoakChecker, CatchesAWrongLaneShift)
{
    for (int i = 0; i < NUM_CARS; i++)
        if (carz[i].state == 1) {
            carz[i].offzet = (GLfloat)(-(double)ccmove - (double)carz[i].speed);
            break;
        }
    expectCaught("offzet");
}

TEST_F(SoakChecker, CatchesAStaleCarVertex)
{
    car_verts[8 * 4321 + 6].x += 0.5f;
    expectCaught("car vertices");
}

TEST_F(SoakChecker, CatchesAMovedCarHeight)
{
    car_verts[8 * 5999 + 2].y = 0.0f;
    expectCaught("car vertices");
}

TEST_F(SoakChecker, CatchesACloudBelowTheBound)
{
    cloudz[3].zpos = -8000.5f;
    expectCaught("below -8000");
}

TEST_F(SoakChecker, CatchesAStaleTileVertex)
{
    floor_verts[4 * 599 + 3].z += 1.0f;
    expectCaught("quad vertices");
}

TEST_F(SoakChecker, CatchesANaN)
{
    carz[0].blockm = std::nanf("");
    expectCaught("not finite");
}

TEST_F(SoakChecker, CatchesAChangedIndexOrColour)
{
    city_indexes[287999] = 0;
    expectCaught("written once");
}

TEST_F(SoakChecker, CatchesTheChoiceWalkOutOfRange)
{
    rstep = 6;
    expectCaught("choice walk");
}

TEST_F(SoakChecker, CatchesACarThatJumped)
{
    carz[100].blockm = 1.0f;
    expectCaught("blockm jumped");
}

}  // namespace
