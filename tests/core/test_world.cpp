// test_world.cpp -- the generator, the world generation (draw order, the
// all-0 and all-32767 worlds, one rounding per stored value), the mesh
// layout, repeatability for a seed, and value ranges over real seeds.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "model_script.h"
#include "sim.h"
#include "state.h"
#include "world.h"

namespace {

std::vector<unsigned char> image()
{
    std::vector<unsigned char> out(STATE_IMAGE_BYTES);
    stateImageFill(out.data());
    return out;
}

// Every record of an array bitwise equal to the expected one.
template <class T>
::testing::AssertionResult allAre(const T *records, int n, const T &expected)
{
    for (int i = 0; i < n; i++)
        if (std::memcmp(&records[i], &expected, sizeof(T)) != 0)
            return ::testing::AssertionFailure() << "record " << i << " differs";
    return ::testing::AssertionSuccess();
}

bool in(float v, float lo, float hi) { return v >= lo && v <= hi; }
bool whole(float v) { return std::floor(v) == v; }

// A grid coordinate G: an integer 80..299 units past a multiple of 400.
bool grid(float g)
{
    int into = (((int)g % 400) + 400) % 400;
    return whole(g) && in(g, -7920, 7899) && into >= 80 && into <= 299;
}

} // namespace

//----------------------------------------------------------------------------
// Generator
//----------------------------------------------------------------------------

TEST(WorldGenerator, MatchesTheReferenceSequence)
{
    rngSeed(1);
    for (int v : {41, 18467, 6334, 26500, 19169})
        EXPECT_EQ(rngNext(), v);
    for (uint32_t seed : {0u, 12345u, 0xFFFFFFFFu}) {
        uint32_t state = seed;
        rngSeed(seed);
        for (int i = 0; i < 2000; i++) {
            state = state * 214013u + 2531011u;
            ASSERT_EQ(rngNext(), (int)((state >> 16) & 0x7FFFu)) << seed << " draw " << i;
        }
    }
}

TEST(WorldGenerator, CountsDrawsAndSeedingRestarts)
{
    rngSeed(99);
    int first[10];
    for (int &v : first)
        v = rngNext();
    EXPECT_EQ(rngDraws(), 10u);
    rngSeed(99);
    EXPECT_EQ(rngDraws(), 0u);
    for (int v : first)
        EXPECT_EQ(rngNext(), v);
}

//----------------------------------------------------------------------------
// Generation with a scripted generator
//----------------------------------------------------------------------------

using WorldEdge = ScriptedTest;

TEST_F(WorldEdge, AlwaysZero)
{
    script::use(0);
    initmeSeeded(1);
    EXPECT_EQ(rngDraws(), (uint64_t)GEN_DRAWS);
    const int32_t zeros[NUM_CHOICES] = {};
    EXPECT_EQ(std::memcmp(radoz, zeros, sizeof zeros), 0);
    EXPECT_TRUE(allAre(cloudz, NUM_CLOUDS, cloud{-6000, 30, -8000, 0.4000000059604645f, 152.5f, 152.5f}));
    EXPECT_TRUE(allAre(floorz, NUM_TILES,
                       flooro{-8000, 0, -15000, 0.10000000149011612f, 25.5f, 25.5f, 0, 0, 0}));
    EXPECT_TRUE(allAre(cityz, NUM_BUILDINGS, city{-7920, 0, -7920, 20, 2.5f, 2.5f, 2.5f, 0, 0, 0}));
    EXPECT_TRUE(allAre(cityz + NUM_BUILDINGS, NUM_BOXES - NUM_BUILDINGS,
                       city{-7920, 30, -7920, 24, 20.5f, 0.5f, 0.5f, 0, 0, 0}));
    const float grey = 0.20000000298023224f;
    EXPECT_TRUE(allAre(carz, NUM_CARS,
                       car{0, 0, 0, 1.2000000476837158f, 4, 4.5f, 4, grey, grey, grey, 0, 0, 0}));
}

TEST_F(WorldEdge, AlwaysMax)
{
    script::use(32767);
    initmeSeeded(1);
    EXPECT_EQ(rngDraws(), (uint64_t)GEN_DRAWS);
    for (int v : radoz)
        ASSERT_EQ(v, 1);
    const float cw = 674.8333129882812f, fg = 0.17000000178813934f, bg = 0.07000000029802322f;
    const float bw = 19.200000762939453f, bar = 17.200000762939453f, dim = 0.009999999776482582f;
    const float cg = 0.6700000166893005f;
    EXPECT_TRUE(allAre(cloudz, NUM_CLOUDS, cloud{-466, 824.5f, -6466, 6.134375095367432f, cw, cw}));
    EXPECT_TRUE(allAre(floorz, NUM_TILES,
                       flooro{-6466, 0, -6699, 0.7699999809265137f, 209, 209, fg, fg, fg}));
    EXPECT_TRUE(allAre(cityz, NUM_BUILDINGS,
                       city{-4913, 0, -4913, 20, bw, 1339.199951171875f, bw, bg, bg, bg}));
    EXPECT_TRUE(allAre(cityz + NUM_BUILDINGS, NUM_BOXES - NUM_BUILDINGS,
                       city{-4913, 768.3499755859375f, -4913, 24, bar, bar, 1377.199951171875f,
                            bg, dim, dim}));
    EXPECT_TRUE(allAre(carz, NUM_CARS,
                       car{0, 0, 0, 3.117500066757202f, 4, 10.891666412353516f, 4, cg, cg, cg, 0, 0, 0}));
    mycam cam{};
    cam.ycampos = 1250.0f;
    cam.ycamoldpos = 4000.0f;
    cam.camtime = 153;
    cam.looktime = 141;
    EXPECT_TRUE(allAre(mycamz, 1, cam));
    EXPECT_TRUE(allAre(mycamz + 1, 1, mycam{}));
}

// Values whose float-by-float evaluation would differ in the last bit.
TEST_F(WorldEdge, DoubleEvaluationRoundsOnceAtTheStore)
{
    script::use(0);
    const struct { uint64_t draw; int value; } plants[] = {
        {6002, 58},   {6005, 193},   {12003, 13},  {63603, 334},
        {129601, 53}, {129602, 62},  {129603, 9},
    };
    for (const auto &p : plants)
        script::plant(p.draw, p.value);
    initmeSeeded(1);
    EXPECT_EQ(cloudz[0].ypos, 39.66666793823242f);
    EXPECT_EQ(cloudz[0].wpos, 216.83332824707031f);
    EXPECT_EQ(floorz[0].speed, 0.23000000417232513f);
    EXPECT_EQ(cityz[6000].ypos, 46.700000762939453f);
    EXPECT_EQ(carz[0].speed, 1.3325001001358032f);
    EXPECT_EQ(carz[0].hpos, 5.0166668891906738f);
    EXPECT_EQ(carz[0].r, 0.28999999165534973f);
    EXPECT_EQ(carz[0].b, 0.28999999165534973f);
}

// Distinct values at the first and last draw of every layer: a draw order
// shifted by one would move them into a neighbouring field.
TEST_F(WorldEdge, LayersStartAtTheirDraws)
{
    script::use(0);
    const struct { uint64_t draw; int value; } marks[] = {
        {1, 2}, {6000, 1}, {6001, 7}, {12000, 5}, {12001, 9}, {15600, 3},
        {15601, 11}, {15602, 13}, {63600, 4}, {63601, 17}, {63602, 19},
        {63606, 1}, {129600, 6}, {129601, 53}, {147600, 9},
    };
    for (const auto &m : marks)
        script::plant(m.draw, m.value);
    initmeSeeded(1);

    EXPECT_TRUE(radoz[0] == 2 && radoz[1] == 0 && radoz[5999] == 1);
    EXPECT_EQ(cloudz[0].xpos, -5986.0f);
    EXPECT_EQ(cloudz[0].ypos, 30.0f);
    EXPECT_EQ(cloudz[999].hpos, (float)(5.0 / 3.0 + 152.5));
    EXPECT_EQ(cloudz[999].wpos, 152.5f);
    EXPECT_EQ(floorz[0].xpos, -7982.0f);
    EXPECT_EQ(floorz[599].r, (float)(3.0 / 100.0));
    EXPECT_EQ(floorz[599].hpos, 25.5f);
    EXPECT_EQ(cityz[0].xpos, -3507.0f);
    EXPECT_EQ(cityz[0].zpos, -7920.0f);
    EXPECT_EQ(cityz[5999].g, (float)(4.0 / 100.0));
    EXPECT_EQ(cityz[6000].xpos, -1101.0f);
    EXPECT_EQ(cityz[6000].ypos, 30.0f);
    EXPECT_EQ(cityz[6000].dpos, 20.5f);          // selector 1: along z
    EXPECT_EQ(cityz[6000].wpos, 0.5f);
    EXPECT_EQ(cityz[11999].b, (float)(6.0 / 100.0));
    EXPECT_EQ(cityz[11999].r, 0.0f);
    EXPECT_EQ(carz[0].speed, 1.3325001001358032f);
    EXPECT_EQ(carz[5999].r, 0.28999999165534973f);
    EXPECT_EQ(carz[5999].hpos, 4.5f);
    EXPECT_EQ(script::count(), (uint64_t)GEN_DRAWS);
}

//----------------------------------------------------------------------------
// Mesh layout
//----------------------------------------------------------------------------

class WorldMesh : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initmeSeeded(7); }
};

TEST_F(WorldMesh, IndexBlocksAndSpareSlots)
{
    const GLuint pattern[24] = {0, 1, 2, 3, 1, 5, 6, 2, 5, 6, 7, 4,
                                0, 3, 7, 4, 0, 4, 5, 1, 3, 2, 6, 7};
    for (int i = 0; i < NUM_BOXES * 24; i++)
        ASSERT_EQ(city_indexes[i], pattern[i % 24] + 8u * (GLuint)(i / 24)) << i;
    for (int i = 0; i < NUM_CARS * 24; i++)
        ASSERT_EQ(car_indexes[i], pattern[i % 24] + 8u * (GLuint)(i / 24)) << i;
    EXPECT_EQ(city_indexes[287999], 95999u);
    EXPECT_EQ(car_indexes[143999], 47999u);
    for (GLuint j = 0; j < 4000; j++)
        ASSERT_TRUE(cloud_indexes[j] == j && (j >= 2400 || floor_indexes[j] == j)) << j;
    EXPECT_TRUE(floor_indexes[2400] == 0 && cloud_indexes[4000] == 0);
    for (const Vertex3 &v : {floor_verts[2400], floor_colors[2400], cloud_verts[4000]})
        EXPECT_TRUE(v.x == 0.0f && v.y == 0.0f && v.z == 0.0f);
}

// Corners by the box and quad tables, each sum one float addition; colours
// bitwise the record's.
TEST_F(WorldMesh, CornersAndColoursFollowTheRecords)
{
    auto is = [](const Vertex3 &v, float x, float y, float z) {
        return v.x == x && v.y == y && v.z == z;
    };
    auto box = [&](const Vertex3 *v, float x, float y, float z, float w, float h, float d) {
        float x1 = x + w, y1 = y + h, z1 = z + d;
        return is(v[0], x, y, z) && is(v[1], x1, y, z) && is(v[2], x1, y1, z) &&
               is(v[3], x, y1, z) && is(v[4], x, y, z1) && is(v[5], x1, y, z1) &&
               is(v[6], x1, y1, z1) && is(v[7], x, y1, z1);
    };
    auto quad = [&](const Vertex3 *v, float x, float y, float z, float w, float h) {
        return is(v[0], x, y, z) && is(v[1], x + w, y, z) && is(v[2], x + w, y, z + h) &&
               is(v[3], x, y, z + h);
    };
    auto paint = [](const Vertex3 *c, int n, const float *rgb) {
        for (int k = 0; k < n; k++)
            if (std::memcmp(&c[k], rgb, sizeof(Vertex3)) != 0)
                return false;
        return true;
    };
    for (int i = 0; i < NUM_BOXES; i++) {
        const city &c = cityz[i];
        ASSERT_TRUE(box(&city_verts[8 * i], c.xpos, c.ypos, c.zpos, c.wpos, c.hpos, c.dpos)) << i;
        ASSERT_TRUE(paint(&city_colors[8 * i], 8, &c.r)) << i;
    }
    for (int i = 0; i < NUM_CARS; i++) {
        ASSERT_TRUE(box(&car_verts[8 * i], 0, 0, 0, 4, carz[i].hpos, 4)) << i;
        ASSERT_TRUE(paint(&car_colors[8 * i], 8, &carz[i].r)) << i;
    }
    for (int i = 0; i < NUM_TILES; i++) {
        const flooro &f = floorz[i];
        ASSERT_TRUE(quad(&floor_verts[4 * i], f.xpos, 0, f.zpos, f.wpos, f.hpos)) << i;
        ASSERT_TRUE(paint(&floor_colors[4 * i], 4, &f.r)) << i;
    }
    for (int i = 0; i < NUM_CLOUDS; i++) {
        const cloud &c = cloudz[i];
        ASSERT_TRUE(quad(&cloud_verts[4 * i], c.xpos, c.ypos, c.zpos, c.wpos, c.hpos)) << i;
    }
}

using WorldMeshEdge = ScriptedTest;

TEST_F(WorldMeshEdge, LowestBoxAndRoundedCloudEdge)
{
    script::use(0);
    script::plant(6001, 5999);    // cloudz[0].xpos 5998
    script::plant(6005, 2599);    // cloudz[0].wpos 1018.8333129882812
    initmeSeeded(1);
    ASSERT_EQ(cloudz[0].wpos, 1018.8333129882812f);
    EXPECT_EQ(cloud_verts[0].x, 5998.0f);
    EXPECT_EQ(cloud_verts[1].x, 7016.83349609375f);
    EXPECT_EQ(cloud_verts[2].x, 7016.83349609375f);

    const float lo = -7920.0f, hi = -7917.5f;
    const Vertex3 e[8] = {{lo, 0, lo}, {hi, 0, lo}, {hi, 2.5f, lo}, {lo, 2.5f, lo},
                          {lo, 0, hi}, {hi, 0, hi}, {hi, 2.5f, hi}, {lo, 2.5f, hi}};
    EXPECT_EQ(std::memcmp(city_verts, e, sizeof e), 0);
}

//----------------------------------------------------------------------------
// Repeatability and ranges over real seeds
//----------------------------------------------------------------------------

TEST(WorldRepeat, SameSeedGivesTheSameWorldAndRun)
{
    initmeSeeded(4242);
    std::vector<unsigned char> fresh = image();
    for (int f = 0; f < 300; f++)
        calcme();
    std::vector<unsigned char> ran = image();
    EXPECT_FALSE(fresh == ran);

    initmeSeeded(4242);
    EXPECT_TRUE(image() == fresh);
    for (int f = 0; f < 300; f++)
        calcme();
    EXPECT_TRUE(image() == ran);

    initmeSeeded(4243);
    EXPECT_FALSE(image() == fresh);
}

// The generator asked one value at a time, through a source outside the
// program, gives the very same world as the seeded generation.
TEST(WorldRepeat, SeededWorldEqualsOneDrawAtATime)
{
    static uint32_t lcg;
    lcg = 987654u;
    initmeSeeded(lcg);
    std::vector<unsigned char> seeded = image();
    rngSetSource([]() {
        lcg = lcg * 214013u + 2531011u;
        return (int)((lcg >> 16) & 0x7FFFu);
    });
    initmeSeeded(1);
    rngSetSource(nullptr);
    EXPECT_TRUE(image() == seeded);
}

class WorldRanges : public ::testing::TestWithParam<uint32_t> {};

TEST_P(WorldRanges, EveryFieldWithinItsRange)
{
    initmeSeeded(GetParam());
    int seen[3] = {0, 0, 0};
    for (int v : radoz) {
        ASSERT_TRUE(v >= 0 && v <= 2);
        seen[v]++;
    }
    EXPECT_TRUE(seen[0] && seen[1] && seen[2]);

    const float cmax = 1018.8333129882812f;
    for (const cloud &c : cloudz)
        ASSERT_TRUE(whole(c.xpos / 2) && in(c.xpos, -6000, 5998) && in(c.ypos, 30, 2363.166748046875f) &&
                    whole(c.zpos / 2) && in(c.zpos, -8000, 7998) &&
                    in(c.speed, 0.4000000059604645f, 9.759374618530273f) &&
                    in(c.wpos, 152.5f, cmax) && in(c.hpos, 152.5f, cmax));
    for (const flooro &f : floorz)
        ASSERT_TRUE(whole(f.xpos / 2) && in(f.xpos, -8000, 7998) && f.ypos == 0 &&
                    whole(f.zpos / 3) && in(f.zpos, -15000, 14997) &&
                    in(f.speed, 0.10000000149011612f, 1.090000033378601f) &&
                    whole(f.wpos * 2) && in(f.wpos, 25.5f, 1825) &&
                    whole(f.hpos * 2) && in(f.hpos, 25.5f, 1825) &&
                    f.r == f.g && f.g == f.b && in(f.r, 0, 0.23999999463558197f));
    const float thin = 22.399999618530273f, grey = 0.14000000059604645f;
    for (int i = 0; i < NUM_BUILDINGS; i++) {
        const city &c = cityz[i];
        ASSERT_TRUE(grid(c.xpos) && grid(c.zpos) && c.ypos == 0 && c.speed == 20 &&
                    in(c.wpos, 2.5f, thin) && in(c.hpos, 2.5f, 1942.4000244140625f) &&
                    in(c.dpos, 2.5f, thin) && c.r == c.g && c.g == c.b && in(c.r, 0, grey)) << i;
    }
    int alongZ = 0;
    const float side = 20.399999618530273f, dim = 0.009999999776482582f;
    for (int i = NUM_BUILDINGS; i < NUM_BOXES; i++) {
        const city &c = cityz[i];
        ASSERT_TRUE(grid(c.xpos) && grid(c.zpos) && in(c.ypos, 30, 929.9500122070312f) &&
                    c.speed == 24 && in(c.hpos, 0.5f, side)) << i;
        if (c.dpos >= 20.5f) {                        // along z, dark red
            alongZ++;
            ASSERT_TRUE(in(c.wpos, 0.5f, side) && c.dpos <= 1940.4000244140625f &&
                        c.g == c.b && (c.g == 0 || c.g == dim) && in(c.r, 0, grey)) << i;
        } else {                                      // along x, dark blue
            ASSERT_TRUE(in(c.wpos, 20.5f, 2000.4000244140625f) && in(c.dpos, 0.5f, side) &&
                        c.r == c.g && (c.r == 0 || c.r == dim) && in(c.b, 0, grey)) << i;
        }
    }
    EXPECT_TRUE(alongZ > 2500 && alongZ < 3500) << alongZ;
    for (const car &c : carz)
        ASSERT_TRUE(c.xpos == 0 && c.ypos == 0 && c.zpos == 0 && c.state == 0 && c.blockm == 0 &&
                    c.offzet == 0 && c.wpos == 4 && c.dpos == 4 &&
                    in(c.speed, 1.2000000476837158f, 11.197500228881836f) &&
                    in(c.hpos, 4.5f, 17.825000762939453f) && c.r == c.g && c.g == c.b &&
                    in(c.r, 0.20000000298023224f, 0.9900000095367432f));
}

INSTANTIATE_TEST_SUITE_P(WorldSeeds, WorldRanges, ::testing::Values(1u, 20240601u, 0xDEADBEEFu));
