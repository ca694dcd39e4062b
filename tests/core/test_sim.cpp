// test_sim.cpp -- the animation step: the choice walk, the camera director,
// the traffic (moves, wraps, crossings, turn table, rebuilt boxes) and the
// drifting layers, each checked against an independent formula, including
// values where single-precision shortcuts would give another result.
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "model_script.h"
#include "s_local.h"
#include "world.h"

namespace {

// A world where nothing moves by itself: every car has speed 0, every quad
// stands still, and the choice table reads 0, 1, 2, 0, ...
void quietWorld()
{
    resetWorld();
    rngSeed(1);
    for (int i = 0; i < NUM_CHOICES; i++)
        radoz[i] = i % 3;
}

// The next Randooz call returns radoz[p], which is set to value.
void nextChoice(int p, int value)
{
    radoz[p] = value;
    rpos = p - 1;
    rstep = 1;
}

// Car 0 as a test wants it; the other cars stand still at the origin.
car &handCar(int state, float x, float z, float speed, float blockm, float offzet = 0.0f)
{
    car &c = carz[0];
    c = car{x, 0, z, speed, 4, 6, 4, 0, 0, 0, offzet, blockm, state};
    return c;
}

// The vertex table, written out independently of the program.
::testing::AssertionResult carBoxMatches(int i)
{
    const car &c = carz[i];
    double x = c.xpos, z = c.zpos, w = c.wpos, d = c.dpos, o = c.offzet;
    bool alongZ = c.state == 0 || c.state == 2;
    float x0 = alongZ ? (float)(x + o) : c.xpos, x1 = (float)(alongZ ? (x + w) + o : x + w);
    float z0 = alongZ ? c.zpos : (float)(z + o), z1 = (float)(alongZ ? z + d : (z + d) + o);
    const float xs[8] = {x0, x1, x1, x0, x0, x1, x1, x0};
    const float zs[8] = {z0, z0, z0, z0, z1, z1, z1, z1};
    const Vertex3 *v = &car_verts[8 * i];
    for (int k = 0; k < 8; k++)
        if (v[k].x != xs[k] || v[k].z != zs[k])
            return ::testing::AssertionFailure() << "car " << i << " vertex " << k << ": ("
                   << v[k].x << ", " << v[k].z << ") expected (" << xs[k] << ", " << zs[k] << ")";
    return ::testing::AssertionSuccess();
}

// start + ((target - start) / time) * counter, rounded once.
float glideRef(float start, float target, int time, int counter)
{
    double q = ((double)target - (double)start) / (double)time;
    return (float)((double)start + q * (double)counter);
}

} // namespace

//----------------------------------------------------------------------------
// Choice walk
//----------------------------------------------------------------------------

using ChoiceWalk = ScriptedTest;

TEST_F(ChoiceWalk, FirstCallsReadEntriesTwoAndThree)
{
    initmeSeeded(5);
    EXPECT_EQ(Randooz(), radoz[2]);
    EXPECT_EQ(Randooz(), radoz[3]);
    EXPECT_EQ(rpos, 3);
    EXPECT_EQ(rngDraws(), (uint64_t)GEN_DRAWS);
}

// 5999 is still in range. Then a wrap drawing 13 and 27: stride 13 % 5 + 1
// = 4 and start 27 % 5 = 2 (the other order would give 3 and 3), and the
// wrapping call returns the entry at the start.
TEST_F(ChoiceWalk, WrapDrawsStrideThenStartAndReturnsTheStart)
{
    quietWorld();
    script::use(0);
    script::plant(1, 13);
    script::plant(2, 27);
    nextChoice(5999, 2);
    EXPECT_EQ(Randooz(), 2);
    EXPECT_EQ(script::count(), 0u);
    radoz[2] = 1;
    radoz[5] = 2;                     // old position plus the new stride
    EXPECT_EQ(Randooz(), 1);
    EXPECT_TRUE(rstep == 4 && rpos == 2);
    EXPECT_EQ(script::count(), 2u);
    EXPECT_EQ(Randooz(), radoz[6]);
    EXPECT_EQ(script::count(), 2u);
}

// Calls from one wrapping call up to the next one; each returns radoz[rpos].
static int passLength(int strideDraw, int startDraw, int *last)
{
    script::use(0);
    script::plant(1, strideDraw);
    script::plant(2, startDraw);
    rpos = 5999;
    int calls = 0;
    while (Randooz() == radoz[rpos] && script::count() == 2) {
        *last = rpos;
        calls++;
    }
    return calls;
}

TEST_F(ChoiceWalk, PassLengthsFollowStrideAndStart)
{
    quietWorld();
    int last = -1;
    EXPECT_EQ(passLength(4, 4, &last), 1200);     // stride 5 from 4
    EXPECT_EQ(last, 5999);
    EXPECT_EQ(passLength(0, 0, &last), 6000);     // stride 1 from 0
    EXPECT_EQ(last, 5999);
    EXPECT_EQ(passLength(13, 27, &last), 1500);   // stride 4 from 2
    EXPECT_EQ(last, 5998);
}

//----------------------------------------------------------------------------
// Camera director
//----------------------------------------------------------------------------

using CameraDirector = ScriptedTest;

// The descent, then retargets on frames 142 (look-at) and 154 (eye) only,
// one choice each, with the values an independent generator predicts.
TEST_F(CameraDirector, DescentAndFirstRetargets)
{
    const uint32_t seed = 11;
    initmeSeeded(seed);
    uint32_t lcg = seed;
    auto ref = [&lcg]() { lcg = lcg * 214013u + 2531011u; return (int)((lcg >> 16) & 0x7FFFu); };
    for (int i = 0; i < GEN_DRAWS; i++)
        ref();
    const mycam &c = mycamz[0];
    for (int f = 1; f <= 160; f++) {
        int32_t pos = rpos;
        uint64_t draws = rngDraws();
        cameraStep();
        int calls = rpos - pos, used = (int)(rngDraws() - draws);
        if (f <= 153) {
            ASSERT_TRUE(c.xcam == 0 && c.zcam == 0 && c.ycam == glideRef(4000, 1250, 153, f)) << f;
        }
        EXPECT_TRUE(f != 1 || c.ycam == 3982.026123046875f);
        // Counter equal to the time: an ordinary glide frame.
        EXPECT_TRUE(f != 153 || (c.ycam == 1250 && c.camcounter == 153));
        if (f == 142) {
            ASSERT_TRUE(calls == 1 && used == 1);
            int n = ref(), k = radoz[2];
            float xz = (float)((double)(n % 2000 - 1000) / 80.0);
            float y = (float)((double)(n % 12000) / 7.0 + 5.0);
            EXPECT_TRUE(c.xlookpos == (k == 0 ? xz : 0) && c.ylookpos == (k == 1 ? y : 0) &&
                        c.zlookpos == (k == 2 ? xz : 0));
            EXPECT_TRUE(c.lookcounter == 0 && c.xlook == 0 && c.ylook == 0 && c.zlook == 0);
        } else if (f == 154) {
            ASSERT_TRUE(calls == 1 && used == 2);
            int n = ref(), k = radoz[3];
            float xz = (float)((double)(n % 26000 - 13000) / 7.0);
            float y = (float)((double)(n % 16000) / 7.0 + 2.0);
            EXPECT_TRUE(c.xcampos == (k == 0 ? xz : 0) && c.ycampos == (k == 1 ? y : 1250) &&
                        c.zcampos == (k == 2 ? xz : 0));
            EXPECT_EQ(c.camtime, ref() % 340 + 40);
            EXPECT_TRUE(c.camcounter == 0 && c.ycamoldpos == 1250);
            EXPECT_TRUE(c.xcam == 0 && c.ycam == 1250 && c.zcam == 0);
        } else {
            ASSERT_TRUE(calls == 0 && used == 0) << "frame " << f;
        }
    }
}

// Both channels retarget in one frame and the eye's choice wraps the walk:
// stride, start, eye coordinate, camtime, then the look-at coordinate. The
// y targets 5 / 7 + 2 and 10 / 7 + 5 differ in the last bit when n / 7 is
// rounded to float before the addition.
TEST_F(CameraDirector, RetargetDrawOrderWithEyeWrap)
{
    quietWorld();
    mycam &c = mycamz[0];
    c.camcounter = c.camtime = 100;
    c.lookcounter = c.looktime = 141;
    rpos = 5999;
    radoz[2] = 1;                     // eye: y
    radoz[6] = 1;                     // look-at: y
    script::use(0);
    const int draws[] = {13, 27, 5, 340 + 77, 10};
    for (int i = 0; i < 5; i++)
        script::plant(i + 1, draws[i]);
    cameraStep();
    EXPECT_EQ(script::count(), 5u);
    EXPECT_EQ(c.ycampos, 2.7142856121063232f);
    EXPECT_EQ(c.camtime, 117);
    EXPECT_EQ(c.ylookpos, 6.4285712242126465f);
    EXPECT_EQ(c.looktime, 141);
    EXPECT_EQ(rpos, 6);
}

// The look-at choice wraps instead: its wrap draws follow the eye's draws.
TEST_F(CameraDirector, RetargetDrawOrderWithLookAtWrap)
{
    quietWorld();
    mycam &c = mycamz[0];
    c.camcounter = c.camtime = 100;
    c.lookcounter = c.looktime = 141;
    nextChoice(5999, 0);              // eye: x
    radoz[2] = 2;                     // look-at: z
    script::use(0);
    const int draws[] = {13007, 40, 13, 27, 1999};
    for (int i = 0; i < 5; i++)
        script::plant(i + 1, draws[i]);
    cameraStep();
    EXPECT_EQ(script::count(), 5u);
    EXPECT_EQ(c.xcampos, 1.0f);
    EXPECT_EQ(c.camtime, 80);
    EXPECT_EQ(c.zlookpos, 12.487500190734863f);
    EXPECT_TRUE(rstep == 4 && rpos == 2);
}

// From 747.714... to -1857.142... in 40 frames, counter 15: multiplying
// before dividing would give -229.10711669921875.
TEST_F(CameraDirector, InterpolationDividesBeforeMultiplying)
{
    quietWorld();
    mycam &c = mycamz[0];
    c.xcamoldpos = (float)((double)(18234 - 13000) / 7.0);
    c.xcampos = (float)(-13000.0 / 7.0);
    c.camtime = 40;
    c.camcounter = 14;
    c.looktime = 141;
    cameraStep();
    EXPECT_EQ(c.xcam, -229.10713195800781f);
}

// A long real run: every output is the reference glide, the axes not
// redrawn stay bit-for-bit at their start, targets and times stay in range.
TEST_F(CameraDirector, GlidesMoveOneAxisAtATime)
{
    initmeSeeded(77);
    const mycam &c = mycamz[0];
    int eyeRetargets = 0, lookRetargets = 0;
    for (int f = 1; f <= 2500; f++) {
        calcme();
        ASSERT_EQ(c.looktime, 141);
        ASSERT_TRUE(f < 154 || (c.camtime >= 40 && c.camtime <= 379 && c.ycampos >= 2.0f &&
                                c.ycampos <= 2287.571533203125f));
        eyeRetargets += c.camcounter == 0;
        lookRetargets += c.lookcounter == 0;
        const float eo[3] = {c.xcamoldpos, c.ycamoldpos, c.zcamoldpos};
        const float et[3] = {c.xcampos, c.ycampos, c.zcampos};
        const float eye[3] = {c.xcam, c.ycam, c.zcam};
        const float lo[3] = {c.xlookoldpos, c.ylookoldpos, c.zlookoldpos};
        const float lt[3] = {c.xlookpos, c.ylookpos, c.zlookpos};
        const float look[3] = {c.xlook, c.ylook, c.zlook};
        int eyeAxes = 0, lookAxes = 0;
        for (int a = 0; a < 3; a++) {
            eyeAxes += eo[a] != et[a];
            lookAxes += lo[a] != lt[a];
            ASSERT_EQ(eye[a], glideRef(eo[a], et[a], c.camtime, c.camcounter)) << f;
            ASSERT_EQ(look[a], glideRef(lo[a], lt[a], c.looktime, c.lookcounter)) << f;
            ASSERT_TRUE(eo[a] != et[a] || eye[a] == eo[a]);
            ASSERT_TRUE(lo[a] != lt[a] || look[a] == lo[a]);
        }
        ASSERT_TRUE(eyeAxes <= 1 && lookAxes <= 1) << "frame " << f;
        for (int a = 0; a < 3; a += 2)
            ASSERT_TRUE(et[a] >= -1857.142822265625f && et[a] <= 1857.0f && lt[a] >= -12.5f &&
                        lt[a] <= 12.487500190734863f);
        ASSERT_TRUE(lt[1] == 0.0f || (lt[1] >= 5.0f && lt[1] <= 1719.142822265625f));
    }
    EXPECT_EQ(lookRetargets, 2500 / 142);
    EXPECT_GE(eyeRetargets, 6);
}

//----------------------------------------------------------------------------
// Traffic
//----------------------------------------------------------------------------

using TrafficCars = ScriptedTest;

// Frame 1 moves every car to z = -speed; every car's first crossing then
// puts it exactly on z = -400 with the lane shift of its new direction.
TEST_F(TrafficCars, FirstFrameAndFirstCrossing)
{
    initmeSeeded(22);
    calcme();
    for (int i = 0; i < NUM_CARS; i++) {
        const car &c = carz[i];
        ASSERT_TRUE(c.zpos == -c.speed && c.blockm == c.speed && c.xpos == 0) << i;
        const Vertex3 *v = &car_verts[8 * i];
        ASSERT_TRUE(v[0].x == 0 && v[1].x == 4 && v[0].z == -c.speed &&
                    v[4].z == (float)(4.0 - (double)c.speed)) << i;
    }
    std::vector<bool> crossed(NUM_CARS, false);
    int done = 0;
    for (int f = 2; f <= 340 && done < NUM_CARS; f++) {
        calcme();
        for (int i = 0; i < NUM_CARS; i++) {
            const car &c = carz[i];
            if (crossed[i] || c.offzet == 0.0f)
                continue;
            crossed[i] = true;
            done++;
            float shift = (float)(c.state == 1 ? (double)c.speed - 20.0 : 20.0 - (double)c.speed);
            ASSERT_TRUE(c.zpos == -400 && c.xpos == 0 && c.blockm == 0 && c.state != 2) << i;
            ASSERT_EQ(c.offzet, shift) << i;
            ASSERT_TRUE(carBoxMatches(i));
        }
    }
    EXPECT_EQ(done, NUM_CARS);
}

TEST_F(TrafficCars, ExactBlockIsNoCrossing)
{
    quietWorld();
    car &c = handCar(0, 0, 0, 2.5f, 0);
    for (int f = 0; f < 160; f++)
        trafficStep();
    EXPECT_TRUE(c.zpos == -400 && c.blockm == 400 && c.offzet == 0 && rpos == 1);
    nextChoice(2, 0);
    trafficStep();
    EXPECT_TRUE(c.zpos == -400 && c.blockm == 0 && c.state == 0 && rpos == 2);
    EXPECT_EQ(c.offzet, 17.5f);
    EXPECT_EQ(car_verts[0].x, 17.5f);
}

// A step past a bound lands on the opposite one, drops blockm, and takes no
// crossing even though blockm + speed would have passed 400; a step that
// ends exactly on the bound does not wrap.
TEST_F(TrafficCars, WrapsAtEachBound)
{
    const struct { int state; float x, z, wrapX, wrapZ; } cases[] = {
        {0, 0, -5999, 0, 6000}, {1, -5999, 0, 6000, 0},
        {2, 0, 5999, 0, -6000}, {3, 5999, 0, -6000, 0},
    };
    for (const auto &w : cases) {
        SCOPED_TRACE(w.state);
        quietWorld();
        car &c = handCar(w.state, w.x, w.z, 2.0f, 399.0f, 7.0f);
        trafficStep();
        EXPECT_TRUE(c.xpos == w.wrapX && c.zpos == w.wrapZ && c.blockm == 2.0f);
        EXPECT_TRUE(c.state == w.state && c.offzet == 7.0f && rpos == 1);
        EXPECT_TRUE(carBoxMatches(0));

        quietWorld();
        car &d = handCar(w.state, w.x, w.z, 1.0f, 10.0f);
        trafficStep();
        EXPECT_TRUE(d.xpos == -w.wrapX && d.zpos == -w.wrapZ && d.blockm == 11.0f);
    }
}

// The step ends 3.9e-5 below -6000; as a float it would be exactly -6000.
TEST_F(TrafficCars, WrapTestedOnTheUnroundedStep)
{
    quietWorld();
    car &c = handCar(0, 0, -5998.7900390625f, 1.2100000381469727f, 100.0f);
    trafficStep();
    EXPECT_EQ(c.zpos, 6000.0f);
    EXPECT_EQ(c.blockm, 1.2100000381469727f);
}

// Each row of the turn table offers three different directions, never the
// reverse; a car at a crossing takes the one its choice names. The shift
// across the new direction, for speed 3: ccmove - speed = 17 toward -z and
// +x, speed - ccmove = -17 otherwise, and -ccmove - speed = -23 for 1 -> 2.
TEST_F(TrafficCars, TurnTableEveryCell)
{
    const float dx[4] = {0, -2, 0, 2}, dz[4] = {-2, 0, 2, 0};
    for (int s = 0; s < 4; s++) {
        const int32_t *row = turnState[s];
        EXPECT_TRUE(row[0] != row[1] && row[1] != row[2] && row[0] != row[2]);
        for (int k = 0; k < 3; k++) {
            SCOPED_TRACE(::testing::Message() << "state " << s << " choice " << k);
            const int to = row[k];
            EXPECT_TRUE(to >= 0 && to <= 3 && to != ((s + 2) & 3));
            const float offzet = s == 1 && to == 2 ? -23.0f : to == 0 || to == 3 ? 17.0f : -17.0f;
            quietWorld();
            car &c = handCar(s, 800, 1200, 3.0f, 398.0f, 5.0f);
            nextChoice(100, k);
            trafficStep();
            EXPECT_TRUE(c.state == to && c.offzet == offzet);
            EXPECT_TRUE(c.blockm == 0 && rpos == 100);
            // Advanced by the rest of the block only, in the old direction;
            // the box already has the new direction's pattern.
            EXPECT_TRUE(c.xpos == 800 + dx[s] && c.zpos == 1200 + dz[s]);
            EXPECT_TRUE(carBoxMatches(0));
        }
    }
}

// blockm + speed passes 400 by 8.6e-6, less than half a float ulp of 400:
// a float sum would round to 400 and miss this crossing. The car at z = 5
// also shows that the overshoot comes from the unrounded sum.
TEST_F(TrafficCars, CrossingByLessThanHalfAnUlp)
{
    const float speed = 1.2100000381469727f, blockm = 398.79000854492188f;
    quietWorld();
    car &c = handCar(0, 0, -blockm, speed, blockm);
    nextChoice(10, 1);
    trafficStep();
    EXPECT_TRUE(c.blockm == 0 && c.zpos == -400 && c.state == 1 && rpos == 10);

    quietWorld();
    car &d = handCar(0, 0, 5.0f, speed, blockm);
    trafficStep();
    double moved = (double)(float)(5.0 - (double)speed);
    double over = ((double)blockm + (double)speed) - 400.0;
    ASSERT_NE((float)(moved + over), (float)moved);
    EXPECT_EQ(d.zpos, (float)(moved + over));
}

// (X + W) + O with X + W not a float: one rounding gives 4114.80029296875,
// two would give 4114.7998046875. The same for (Z + D) + O.
TEST_F(TrafficCars, ShiftedCornerRoundedOnce)
{
    const float far = 4092.000244140625f, speed = 1.2000000476837158f, o = 18.799999237060547f;
    quietWorld();
    handCar(0, far, 0, speed, 0, o);
    trafficStep();
    EXPECT_TRUE(car_verts[1].x == 4114.80029296875f && car_verts[6].x == 4114.80029296875f);
    quietWorld();
    handCar(3, 0, far, speed, 0, o);
    trafficStep();
    EXPECT_TRUE(car_verts[4].z == 4114.80029296875f && car_verts[7].z == 4114.80029296875f);
}

// Within a frame the camera takes its choice before the cars take theirs.
TEST_F(TrafficCars, CameraChoosesBeforeTheCars)
{
    quietWorld();
    mycamz[0].lookcounter = mycamz[0].looktime = 141;
    mycamz[0].camtime = 1000;
    car &c = handCar(0, 0, 0, 3.0f, 398.0f);
    nextChoice(20, 1);                // the camera's: look-at y
    radoz[21] = 2;                    // the car's: turn toward +x
    calcme();
    EXPECT_NE(mycamz[0].ylookpos, 0.0f);
    EXPECT_TRUE(c.state == 3 && rpos == 21);
}

// A real run: after every frame each box is the vertex table of its car,
// heights never change, and positions and blockm stay in their ranges.
TEST_F(TrafficCars, BoxesFollowTheCarsInARealRun)
{
    initmeSeeded(23);
    std::vector<Vertex3> first(car_verts, car_verts + NUM_CARS * BOX_VERTS);
    for (int f = 1; f <= 700; f++) {
        calcme();
        for (int i = 0; i < NUM_CARS; i++) {
            const car &c = carz[i];
            ASSERT_TRUE(carBoxMatches(i)) << "frame " << f;
            ASSERT_TRUE(c.xpos >= -6000 && c.xpos <= 6000 && c.zpos >= -6000 && c.zpos <= 6000 &&
                        c.blockm >= 0 && c.blockm <= 400 && c.state >= 0 && c.state <= 3);
        }
    }
    for (int k = 0; k < NUM_CARS * BOX_VERTS; k++)
        ASSERT_EQ(car_verts[k].y, first[k].y) << k;
}

//----------------------------------------------------------------------------
// Drifting layers
//----------------------------------------------------------------------------

using DriftLayers = ScriptedTest;

TEST_F(DriftLayers, MirroredOnlyBelowTheBound)
{
    quietWorld();
    cloudz[0] = cloud{0, 0, -7998, 2, 0, 100};
    floorz[0] = flooro{0, 0, -7998, 2, 0, 100, 0, 0, 0};
    cloudDrift();
    floorDrift();
    EXPECT_TRUE(cloudz[0].zpos == -8000 && floorz[0].zpos == -8000);
    cloudDrift();
    floorDrift();
    EXPECT_TRUE(cloudz[0].zpos == 8002 && floorz[0].zpos == 8002);
    EXPECT_TRUE(cloud_verts[1].z == 8002 && cloud_verts[3].z == 8102 && floor_verts[2].z == 8102);
}

// The all-zero world: clouds at -8000 with speed 0.4f, tiles at -15000 with
// speed 0.1f, both mirrored in the first frame.
TEST_F(DriftLayers, LowestGeneratedQuadsMirrorInTheFirstFrame)
{
    script::use(0);
    initmeSeeded(1);
    calcme();
    float cz = (float)(8000.0 + (double)0.4f);
    EXPECT_TRUE(cloudz[0].zpos == cz && cloud_verts[0].z == cz);
    EXPECT_EQ(cloud_verts[2].z, (float)((double)cz + 152.5));
    EXPECT_EQ(floorz[599].zpos, 15000.099609375f);
    EXPECT_EQ(floor_verts[4 * 599 + 3].z, (float)(15000.099609375 + 25.5));
}

// A real run against an independent drift: every zpos follows its own
// reference, the vertices carry it, and nothing else in the buffers moves.
TEST_F(DriftLayers, QuadsFollowTheirRecordsInARealRun)
{
    initmeSeeded(31);
    std::vector<Vertex3> clouds0(cloud_verts, cloud_verts + NUM_CLOUDS * 4 + 1);
    std::vector<Vertex3> floor0(floor_verts, floor_verts + NUM_TILES * 4 + 1);
    std::vector<float> cz, fz;
    for (const cloud &c : cloudz)
        cz.push_back(c.zpos);
    for (const flooro &t : floorz)
        fz.push_back(t.zpos);
    auto step = [](float &z, float speed) {
        double d = (double)z - (double)speed;
        float before = z;
        z = (float)(d < -8000.0 ? -d : d);
        return z > before;
    };
    auto quad = [](const Vertex3 *v, const Vertex3 *v0, float z, float h) {
        float far = (float)((double)z + (double)h);
        for (int k = 0; k < 4; k++)
            if (v[k].x != v0[k].x || v[k].y != v0[k].y || v[k].z != (k < 2 ? z : far))
                return false;
        return true;
    };
    int mirrored = 0;
    for (int f = 1; f <= 1500; f++) {
        calcme();
        for (int i = 0; i < NUM_CLOUDS; i++) {
            mirrored += step(cz[i], cloudz[i].speed);
            ASSERT_TRUE(cloudz[i].zpos == cz[i] && cz[i] >= -8000) << "cloud " << i << " frame " << f;
            ASSERT_TRUE(quad(&cloud_verts[4 * i], &clouds0[4 * i], cz[i], cloudz[i].hpos)) << i;
        }
        for (int i = 0; i < NUM_TILES; i++) {
            step(fz[i], floorz[i].speed);
            ASSERT_EQ(floorz[i].zpos, fz[i]) << "tile " << i << " frame " << f;
            ASSERT_TRUE(quad(&floor_verts[4 * i], &floor0[4 * i], fz[i], floorz[i].hpos)) << i;
        }
    }
    EXPECT_GT(mirrored, 0);
    for (const Vertex3 &v : {cloud_verts[4000], floor_verts[2400]})
        EXPECT_TRUE(v.x == 0.0f && v.y == 0.0f && v.z == 0.0f);
}
