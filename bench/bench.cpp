// bench.cpp -- boxcity's own work timed beside the floor the hardware sets for
// it, all in one run: the start-up generation against writing the same bytes,
// one animation step against copying the bytes it reads and rewrites, and one
// offscreen 1024x768 frame against the same draw calls with nothing of the
// program around them, and filming (boxcity-snap --video) against drawing and
// reading back the same frames. A closing summary prints the ratios.
#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "offscreen.h"
#include "render.h"
#include "sim.h"
#include "video.h"
#include "world.h"

namespace {

const uint32_t SEED = 20240607u;
const int WARM_STEPS = 3000;          // past the opening descent, traffic spread out
const int FRAME_W = 1024, FRAME_H = 768;

struct Span {
    void *data;
    size_t bytes;
};

#define SPAN(a) Span{(void *)(a), sizeof(a)}

// What a step reads and rewrites in place: the moving records and their
// vertices. Colours, indexes and the scenery are never touched by it.
const Span stepSpans[] = {
    SPAN(carz), SPAN(car_verts), SPAN(cloudz), SPAN(cloud_verts),
    SPAN(floorz), SPAN(floor_verts), SPAN(mycamz),
};

// Everything initme fills: every record, vertex, colour and index buffer.
const Span worldSpans[] = {
    SPAN(cityz), SPAN(city_verts), SPAN(city_colors), SPAN(city_indexes),
    SPAN(carz), SPAN(car_verts), SPAN(car_colors), SPAN(car_indexes),
    SPAN(cloudz), SPAN(cloud_verts), SPAN(cloud_indexes),
    SPAN(floorz), SPAN(floor_verts), SPAN(floor_colors), SPAN(floor_indexes),
    SPAN(radoz), SPAN(mycamz),
};

#undef SPAN

size_t total(const Span *s, size_t n)
{
    size_t bytes = 0;
    for (size_t i = 0; i < n; i++)
        bytes += s[i].bytes;
    return bytes;
}

const size_t STEP_BYTES = total(stepSpans, sizeof stepSpans / sizeof stepSpans[0]);
const size_t WORLD_BYTES = total(worldSpans, sizeof worldSpans / sizeof worldSpans[0]);

// A world in full swing: the state WARM_STEPS steps after start-up, or any
// later one for the step, which may go on from where the last run left it.
// The frames always draw the same state, so that they show the same picture.
enum class World { Any, Pristine, Spoilt };
World world = World::Spoilt;

void steadyWorld(bool pristine)
{
    if (world == World::Pristine || (world == World::Any && !pristine))
        return;
    initmeSeeded(SEED);
    for (int i = 0; i < WARM_STEPS; i++)
        calcme();
    world = World::Pristine;
}

void BM_Initme(benchmark::State &state)
{
    world = World::Spoilt;
    for (auto _ : state) {
        initmeSeeded(SEED);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)WORLD_BYTES);
}

// Floor for initme: one plain write of every byte it fills.
void BM_InitmeFloor(benchmark::State &state)
{
    world = World::Spoilt;
    for (auto _ : state) {
        for (const Span &s : worldSpans)
            std::memset(s.data, 0x5a, s.bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)WORLD_BYTES);
}

// The world keeps moving from one iteration to the next, as in the program.
void BM_Step(benchmark::State &state)
{
    steadyWorld(false);
    world = World::Any;
    for (auto _ : state) {
        calcme();
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)STEP_BYTES);
}

// Floor for the step: a plain copy of the bytes it reads and rewrites.
void BM_StepFloor(benchmark::State &state)
{
    static std::vector<unsigned char> scratch(STEP_BYTES);
    steadyWorld(false);
    for (auto _ : state) {
        unsigned char *out = scratch.data();
        for (const Span &s : stepSpans) {
            std::memcpy(out, s.data, s.bytes);
            out += s.bytes;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)STEP_BYTES);
}

// The GL and GLU calls of a frame pass through here to the driver. Muted,
// they return at once, so that what drawFrame does besides calling the
// driver can be timed on its own: a software driver's frame varies from one
// to the next by far more than that work takes.
bool driverMuted = false;

#define DRIVER_CALL(name, params, args)                                       \
    extern "C" void name params                                               \
    {                                                                         \
        static auto real = reinterpret_cast<void(*) params>(dlsym(RTLD_NEXT, #name)); \
        if (!driverMuted)                                                     \
            real args;                                                        \
    }

} // namespace

DRIVER_CALL(glClear, (GLbitfield mask), (mask))
DRIVER_CALL(glLoadIdentity, (void), ())
DRIVER_CALL(glEnable, (GLenum cap), (cap))
DRIVER_CALL(glDisable, (GLenum cap), (cap))
DRIVER_CALL(glEnableClientState, (GLenum array), (array))
DRIVER_CALL(glDisableClientState, (GLenum array), (array))
DRIVER_CALL(glVertexPointer, (GLint size, GLenum type, GLsizei stride, const GLvoid *ptr),
            (size, type, stride, ptr))
DRIVER_CALL(glColorPointer, (GLint size, GLenum type, GLsizei stride, const GLvoid *ptr),
            (size, type, stride, ptr))
DRIVER_CALL(glDrawElements, (GLenum mode, GLsizei count, GLenum type, const GLvoid *indices),
            (mode, count, type, indices))
DRIVER_CALL(glBlendFunc, (GLenum sfactor, GLenum dfactor), (sfactor, dfactor))
DRIVER_CALL(glColor3f, (GLfloat red, GLfloat green, GLfloat blue), (red, green, blue))
DRIVER_CALL(gluLookAt,
            (GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
             GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ),
            (eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ))

namespace {

const char *glFailure = "not tried";

bool openGL()
{
    static bool tried = false;
    if (!tried) {
        tried = true;
        glFailure = offscreenOpen(FRAME_W, FRAME_H);
        if (!glFailure)
            initGL();
    }
    return glFailure == nullptr;
}

// A context and a running world to draw, or the case skipped with the reason.
bool readyToDraw(benchmark::State &state)
{
    if (!openGL()) {
        state.SkipWithError(glFailure);
        return false;
    }
    steadyWorld(true);
    return true;
}

// One frame as the program draws it, waited for until the driver is done.
void BM_DrawFrame(benchmark::State &state)
{
    if (!readyToDraw(state))
        return;
    drawFrame();
    glFinish();
    for (auto _ : state) {
        drawFrame();
        glFinish();
    }
}

// The same GL calls on the same arrays, with the view matrix that drawFrame
// set up loaded ready-made: what is left is the driver's share alone.
void BM_DrawCalls(benchmark::State &state)
{
    if (!readyToDraw(state))
        return;
    drawFrame();
    glFinish();
    GLdouble view[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, view);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadMatrixd(view);
        glDisable(GL_DITHER);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, floor_verts);
        glColorPointer(3, GL_FLOAT, 0, floor_colors);
        glDrawElements(GL_QUADS, NUM_TILES * QUAD_VERTS, GL_UNSIGNED_INT, floor_indexes);
        glVertexPointer(3, GL_FLOAT, 0, car_verts);
        glColorPointer(3, GL_FLOAT, 0, car_colors);
        glDrawElements(GL_QUADS, NUM_CARS * BOX_INDEXES, GL_UNSIGNED_INT, car_indexes);
        glVertexPointer(3, GL_FLOAT, 0, city_verts);
        glColorPointer(3, GL_FLOAT, 0, city_colors);
        glDrawElements(GL_QUADS, NUM_BOXES * BOX_INDEXES, GL_UNSIGNED_INT, city_indexes);
        glDisableClientState(GL_COLOR_ARRAY);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glEnable(GL_BLEND);
        glEnableClientState(GL_VERTEX_ARRAY);
        glColor3f(0.35f, 0.35f, 0.35f);
        glVertexPointer(3, GL_FLOAT, 0, cloud_verts);
        glDrawElements(GL_QUADS, NUM_CLOUDS * QUAD_VERTS, GL_UNSIGNED_INT, cloud_indexes);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisable(GL_BLEND);
        glFinish();
    }
}

// drawFrame with the driver muted: the drawing's own work.
void BM_DrawFrameOwnWork(benchmark::State &state)
{
    if (!readyToDraw(state))
        return;
    driverMuted = true;
    for (auto _ : state) {
        drawFrame();
        benchmark::ClobberMemory();
    }
    driverMuted = false;
}

const int FILM_FRAMES = 60;            // one second of video at 60 frames per second

// Frames as boxcity-snap --video makes them: a step, the frame drawn and
// read back, and (with a writer) handed to the encoder.
void film(VideoWriter *video, unsigned char *rgba)
{
    for (int k = 0; k < FILM_FRAMES; k++) {
        if (k > 0)
            calcme();
        drawFrame();
        offscreenRead(video ? video->buffer() : rgba);
        if (video)
            video->submit();
    }
}

// CPU seconds of every thread of the process: the driver's and the encoder's.
double processCpu()
{
    struct rusage use;
    getrusage(RUSAGE_SELF, &use);
    return (double)use.ru_utime.tv_sec + (double)use.ru_stime.tv_sec +
           1e-6 * (double)(use.ru_utime.tv_usec + use.ru_stime.tv_usec);
}

// Each iteration films the same second from the same state, so that both
// cases draw the same frames; the encoder's start and flush count too.
// Besides wall time it counts the CPU time of all threads per frame, which
// other work on a busy machine upsets less.
void filmCase(benchmark::State &state, bool encode)
{
    if (!readyToDraw(state))
        return;
    char dir[] = "/tmp/boxcity-bench-XXXXXX";
    if (!mkdtemp(dir)) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string path = std::string(dir) + "/film.mp4";
    std::vector<unsigned char> rgba((size_t)FRAME_W * FRAME_H * 4);
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        world = World::Spoilt;
        steadyWorld(true);
        state.ResumeTiming();
        const double cpuBefore = processCpu();
        if (encode) {
            VideoWriter video;
            std::string problem = video.open(path, FRAME_W, FRAME_H, FRAME_W, FRAME_H, 60);
            if (problem.empty()) {
                film(&video, nullptr);
                problem = video.finish();
            }
            if (!problem.empty()) {
                state.SkipWithError(problem.c_str());
                break;
            }
        } else {
            film(nullptr, rgba.data());
        }
        cpu += processCpu() - cpuBefore;
    }
    world = World::Spoilt;
    unlink(path.c_str());
    rmdir(dir);
    state.counters["fps"] = benchmark::Counter(FILM_FRAMES, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3 / FILM_FRAMES,
                                                  benchmark::Counter::kAvgIterations);
}

void BM_FilmEncoded(benchmark::State &state)
{
    filmCase(state, true);
}

void BM_FilmDrawnOnly(benchmark::State &state)
{
    filmCase(state, false);
}

// Five repetitions each, run in random order among the others (see main);
// the summary takes their medians, which a machine busy with other work
// upsets less than a single run.
const int REPS = 5;
BENCHMARK(BM_Initme)->Unit(benchmark::kMicrosecond)->Repetitions(REPS);
BENCHMARK(BM_InitmeFloor)->Unit(benchmark::kMicrosecond)->Repetitions(REPS);
BENCHMARK(BM_Step)->Unit(benchmark::kMicrosecond)->Repetitions(REPS);
BENCHMARK(BM_StepFloor)->Unit(benchmark::kMicrosecond)->Repetitions(REPS);
BENCHMARK(BM_DrawFrame)->Unit(benchmark::kMillisecond)->Repetitions(REPS);
BENCHMARK(BM_DrawCalls)->Unit(benchmark::kMillisecond)->Repetitions(REPS);
BENCHMARK(BM_DrawFrameOwnWork)->Unit(benchmark::kNanosecond)->Repetitions(REPS);
BENCHMARK(BM_FilmEncoded)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime()
    ->Repetitions(REPS);
BENCHMARK(BM_FilmDrawnOnly)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime()
    ->Repetitions(REPS);

// Prints as usual and keeps each benchmark's median time per iteration for
// the summary (a single run's time where there are no repetitions): the CPU
// time of the benchmark's thread for work that runs on it alone, wall time
// for frames, which the driver renders on threads of its own.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs) {
            if (r.error_occurred)
                continue;
            bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            bool single = r.run_type == Run::RT_Iteration && r.repetitions <= 1;
            if (!median && !single)
                continue;
            const std::string &name = r.run_name.function_name;
            bool frame = name == "BM_DrawFrame" || name == "BM_DrawCalls" ||
                         name == "BM_FilmEncoded" || name == "BM_FilmDrawnOnly";
            double t = frame ? r.GetAdjustedRealTime() : r.GetAdjustedCPUTime();
            seconds[name] = t / benchmark::GetTimeUnitMultiplier(r.time_unit);
            const auto cpu = r.counters.find("cpu_ms");
            if (cpu != r.counters.end())
                seconds[name + ".cpu"] = cpu->second.value * 1e-3;
        }
    }

    bool has(const std::string &name) const { return seconds.count(name) != 0; }
    double at(const std::string &name) const { return seconds.at(name); }

private:
    std::map<std::string, double> seconds;
};

void printSummary(const SummaryReporter &r)
{
    std::printf("\nSummary (medians; CPU time, frames in wall time)\n");
    if (r.has("BM_Step") && r.has("BM_StepFloor")) {
        double step = r.at("BM_Step"), floor = r.at("BM_StepFloor");
        std::printf("  step   %9.1f us  copy floor %9.1f us (%zu bytes)  step/floor   %5.2f  (target <= 2)\n",
                    step * 1e6, floor * 1e6, STEP_BYTES, step / floor);
    }
    if (r.has("BM_Initme") && r.has("BM_InitmeFloor")) {
        double init = r.at("BM_Initme"), floor = r.at("BM_InitmeFloor");
        std::printf("  initme %9.1f us  write floor %8.1f us (%zu bytes)  initme/floor %5.2f  (target <= 3)\n",
                    init * 1e6, floor * 1e6, WORLD_BYTES, init / floor);
    }
    if (r.has("BM_DrawFrame") && r.has("BM_DrawCalls") && r.has("BM_DrawFrameOwnWork")) {
        double frame = r.at("BM_DrawFrame"), calls = r.at("BM_DrawCalls");
        double drawing = r.at("BM_DrawFrameOwnWork");
        std::printf("  drawFrame %8.3f ms  draw calls alone %8.3f ms  difference %+7.3f ms\n",
                    frame * 1e3, calls * 1e3, (frame - calls) * 1e3);
        if (r.has("BM_Step")) {
            // A frame of the program: one step, then the drawing.
            double step = r.at("BM_Step");
            double own = step + drawing;
            std::printf("  own work per frame: step %.1f us + drawFrame beside the driver %.3f us"
                        " = %.4f%% of step + drawFrame  (target < 5%%)\n",
                        step * 1e6, drawing * 1e6, 100.0 * own / (step + frame));
        }
    }
    if (r.has("BM_FilmEncoded") && r.has("BM_FilmDrawnOnly")) {
        double encoded = r.at("BM_FilmEncoded") / FILM_FRAMES;
        double drawn = r.at("BM_FilmDrawnOnly") / FILM_FRAMES;
        std::printf("  video: %.1f fps filmed to MP4 1024x768, %.1f fps drawn and read back:"
                    " encoding adds %.1f%% per frame  (goal <= 25%%)\n",
                    1.0 / encoded, 1.0 / drawn, 100.0 * (encoded - drawn) / drawn);
        if (r.has("BM_FilmEncoded.cpu") && r.has("BM_FilmDrawnOnly.cpu")) {
            double cpuEncoded = r.at("BM_FilmEncoded.cpu"), cpuDrawn = r.at("BM_FilmDrawnOnly.cpu");
            std::printf("         CPU of all threads per frame %.1f ms filmed, %.1f ms drawn:"
                        " %+.1f%%\n",
                        cpuEncoded * 1e3, cpuDrawn * 1e3, 100.0 * (cpuEncoded - cpuDrawn) / cpuDrawn);
        }
    }
    if (glFailure == nullptr) {
        std::printf("  GL: %s | %s\n", (const char *)glGetString(GL_RENDERER),
                    (const char *)glGetString(GL_VERSION));
    } else if (glFailure && std::strcmp(glFailure, "not tried") != 0) {
        std::printf("  frame not measured: %s\n", glFailure);
    }
}

} // namespace

// Repetitions run in random order unless the command line says otherwise:
// a stretch of load from elsewhere then falls on all benchmarks alike.
int main(int argc, char **argv)
{
    std::vector<char *> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int count = (int)args.size();
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printSummary(reporter);
    benchmark::Shutdown();
    if (glFailure == nullptr)
        offscreenClose();
    return 0;
}
