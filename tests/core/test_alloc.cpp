// test_alloc.cpp -- the per-frame path allocates nothing: after start-up,
// 1000 animation steps and 100 offscreen frames must not reach the heap.
//
// Every allocation of the process goes through malloc and its relatives,
// operator new included, so the test replaces them with counting wrappers
// around glibc's own entry points. Counting is armed only around the frames
// under test, and only on the thread that runs them: the program has one
// thread. The OpenGL driver allocates inside its calls as it sees fit (Mesa
// does, hundreds of times a frame), which is not the program's doing: the
// GL and GLU calls of a frame are wrapped here, and what they allocate is
// counted apart.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <dlfcn.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include "offscreen.h"
#include "render.h"
#include "sim.h"
#include "world.h"

extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *p, size_t size);
void *__libc_memalign(size_t alignment, size_t size);
void __libc_free(void *p);
}

namespace {

std::atomic<long> allocations{0};     // by the program's own code
std::atomic<long> driverAllocations{0};
thread_local bool counting = false;
thread_local int inDriver = 0;

inline void note()
{
    if (counting)
        (inDriver ? driverAllocations : allocations).fetch_add(1, std::memory_order_relaxed);
}

// Counts the allocations made on this thread while it lives.
class AllocationCount {
public:
    AllocationCount() : start(allocations.load()), driverStart(driverAllocations.load())
    {
        counting = true;
    }
    ~AllocationCount() { counting = false; }
    long sofar() const { return allocations.load() - start; }
    long byDriver() const { return driverAllocations.load() - driverStart; }

private:
    long start, driverStart;
};

struct DriverCall {
    DriverCall() { inDriver++; }
    ~DriverCall() { inDriver--; }
};

} // namespace

extern "C" {
void *malloc(size_t size)
{
    note();
    return __libc_malloc(size);
}

void *calloc(size_t count, size_t size)
{
    note();
    return __libc_calloc(count, size);
}

void *realloc(void *p, size_t size)
{
    note();
    return __libc_realloc(p, size);
}

void *memalign(size_t alignment, size_t size)
{
    note();
    return __libc_memalign(alignment, size);
}

void *aligned_alloc(size_t alignment, size_t size)
{
    note();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void **out, size_t alignment, size_t size)
{
    note();
    void *p = __libc_memalign(alignment, size);
    if (!p)
        return ENOMEM;
    *out = p;
    return 0;
}

void free(void *p)
{
    __libc_free(p);
}
}

// The GL and GLU entry points a frame uses, forwarded to the real ones. The
// look-up runs on the first call, which start-up makes.
#define DRIVER_CALL(ret, name, params, args)                                  \
    extern "C" ret name params                                                \
    {                                                                         \
        static auto real = reinterpret_cast<ret(*) params>(dlsym(RTLD_NEXT, #name)); \
        DriverCall inside;                                                    \
        return real args;                                                     \
    }

DRIVER_CALL(void, glClear, (GLbitfield mask), (mask))
DRIVER_CALL(void, glLoadIdentity, (void), ())
DRIVER_CALL(void, glEnable, (GLenum cap), (cap))
DRIVER_CALL(void, glDisable, (GLenum cap), (cap))
DRIVER_CALL(void, glEnableClientState, (GLenum array), (array))
DRIVER_CALL(void, glDisableClientState, (GLenum array), (array))
DRIVER_CALL(void, glVertexPointer, (GLint size, GLenum type, GLsizei stride, const GLvoid *ptr),
            (size, type, stride, ptr))
DRIVER_CALL(void, glColorPointer, (GLint size, GLenum type, GLsizei stride, const GLvoid *ptr),
            (size, type, stride, ptr))
DRIVER_CALL(void, glDrawElements,
            (GLenum mode, GLsizei count, GLenum type, const GLvoid *indices),
            (mode, count, type, indices))
DRIVER_CALL(void, glBlendFunc, (GLenum sfactor, GLenum dfactor), (sfactor, dfactor))
DRIVER_CALL(void, glColor3f, (GLfloat red, GLfloat green, GLfloat blue), (red, green, blue))
DRIVER_CALL(void, glFinish, (void), ())
DRIVER_CALL(void, gluLookAt,
            (GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
             GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ),
            (eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ))

namespace {

// Start-up as the program does it, then one frame: a driver may set itself
// up on first use, and that is start-up too. The target is small, since the
// pixels are not what is counted here; the frame is drawn all the same (its
// viewport simply reaches past the target's edge).
class AllocFrame : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        initmeSeeded(20240607u);
        glProblem = offscreenOpen(256, 192);
        if (glProblem)
            return;
        initGL();
        calcme();
        drawFrame();
        glFinish();
    }

    static void TearDownTestSuite()
    {
        if (!glProblem)
            offscreenClose();
    }

    static const char *glProblem;
};

const char *AllocFrame::glProblem = nullptr;

// The check's own blocks are stored here. A store to a volatile object is
// observable, so no compiler may leave out an allocation whose address it
// holds (an unused new/delete or malloc/free pair may be dropped).
void *volatile escaped;

// Without this the other cases could pass by counting nothing at all.
TEST(AllocCounter, SeesNewAndMalloc)
{
    AllocationCount count;
    std::unique_ptr<int> boxed(new int(7));
    escaped = boxed.get();
    void *raw = std::malloc(24);
    escaped = raw;
    long seen = count.sofar();
    std::free(raw);
    escaped = nullptr;
    EXPECT_EQ(seen, 2);
}

TEST_F(AllocFrame, ThousandStepsAllocateNothing)
{
    AllocationCount count;
    for (int i = 0; i < 1000; i++)
        calcme();
    EXPECT_EQ(count.sofar(), 0);
}

TEST_F(AllocFrame, HundredFramesAllocateNothing)
{
    if (glProblem)
        GTEST_SKIP() << "no offscreen OpenGL: " << glProblem;
    AllocationCount count;
    for (int i = 0; i < 100; i++) {
        calcme();
        drawFrame();
        glFinish();
    }
    EXPECT_EQ(count.sofar(), 0);
    RecordProperty("driver_allocations", (int)count.byDriver());
}

} // namespace
