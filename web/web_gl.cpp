// web_gl.cpp -- the OpenGL 1.1 and GLU calls that the renderer makes, on
// WebGL. Fixed-function state and the two matrices live here, in double
// precision as GLU computes them; WebGL sees buffers, one small shader and a
// draw per layer.
//
// Speed comes from what the world promises: colour and index arrays never
// change once drawn, so each is uploaded once (quads already split into
// triangles); vertex arrays are compared with the copy uploaded last and only
// the changed stretch goes up again (nothing for the buildings, the moving
// cars, clouds and tiles every frame).
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "web_local.h"
#include "web_upload.h"

//----------------------------------------------------------------------------
// Constants
//----------------------------------------------------------------------------
static const int MAX_ARRAYS = 16;            // distinct client arrays drawn from
static const double PI = 3.14159265358979323846;

//----------------------------------------------------------------------------
// Types
//----------------------------------------------------------------------------
// A client array as WebGL holds it.
struct ArrayBuffer {
    const void *data;                        // null: free slot
    uint32_t bytes;
    int buffer;
    bool changing;                           // a vertex array
    uint32_t *uploaded;                      // its last upload; null: send it whole
};

// A quad index array, converted to triangles once.
struct QuadIndexes {
    const GLuint *data;                      // null: free slot
    GLsizei count;                           // quad indices
    int buffer;
    uint32_t vertices;                       // highest index + 1
};

//----------------------------------------------------------------------------
// Globals
//----------------------------------------------------------------------------
static double projection[16], modelview[16];
static double *current = modelview;          // the matrix that matrix calls change
static bool vertexArrayOn, colorArrayOn;
static const void *vertexPointer, *colorPointer;
static bool pointersUsable = true;           // 3 floats, tightly packed, both
static GLfloat color[4] = {1.0f, 1.0f, 1.0f, 1.0f};

static ArrayBuffer vertexArrays[MAX_ARRAYS], colorArrays[MAX_ARRAYS];
static QuadIndexes indexArrays[MAX_ARRAYS];

//----------------------------------------------------------------------------
// Functions: matrices
//----------------------------------------------------------------------------
static void identity(double *m)
{
    for (int i = 0; i < 16; i++)
        m[i] = (i % 5 == 0) ? 1.0 : 0.0;
}

// out = a * b, column-major as OpenGL keeps them; out may be a or b.
static void multiply(double *out, const double *a, const double *b)
{
    double r[16];
    for (int col = 0; col < 4; col++)
        for (int row = 0; row < 4; row++) {
            double s = 0.0;
            for (int k = 0; k < 4; k++)
                s += a[k * 4 + row] * b[col * 4 + k];
            r[col * 4 + row] = s;
        }
    std::memcpy(out, r, sizeof r);
}

static void normalize(double *v)
{
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length == 0.0)
        return;                              // GLU leaves a zero vector as it is
    v[0] /= length;
    v[1] /= length;
    v[2] /= length;
}

static void cross(double *out, const double *a, const double *b)
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

//----------------------------------------------------------------------------
// Functions: buffers
//----------------------------------------------------------------------------
// The buffer of a client array, made on first use; a vertex array's changes
// since its last upload are sent, from the first changed word to the last.
static int arrayBuffer(ArrayBuffer *table, const void *data, uint32_t bytes, bool changing)
{
    ArrayBuffer *slot = nullptr;
    for (int i = 0; i < MAX_ARRAYS && !slot; i++)
        if (table[i].data == data && table[i].bytes >= bytes)
            slot = &table[i];
    if (!slot) {
        for (int i = 0; i < MAX_ARRAYS && !slot; i++)
            if (!table[i].data)
                slot = &table[i];
        if (!slot)
            return 0;
        slot->data = data;
        slot->bytes = bytes;
        slot->changing = changing;
        slot->buffer = webglBuffer(0, data, bytes, changing);
        if (changing) {
            slot->uploaded = (uint32_t *)std::malloc(bytes);
            if (slot->uploaded)
                std::memcpy(slot->uploaded, data, bytes);
        }
        return slot->buffer;
    }
    if (!slot->changing)
        return slot->buffer;
    if (!slot->uploaded) {
        webglBufferUpdate(slot->buffer, 0, data, slot->bytes);
        return slot->buffer;
    }
    const int buffer = slot->buffer;
    sendChanges((const uint32_t *)data, slot->uploaded, slot->bytes / 4,
                [buffer](uint32_t offset, const uint32_t *from, uint32_t bytes) {
                    webglBufferUpdate(buffer, offset, from, bytes);
                });
    return slot->buffer;
}

// The triangles of a quad index array: each quad a, b, c, d as a, b, c and
// a, c, d.
static const QuadIndexes *quadIndexes(const GLuint *data, GLsizei count)
{
    QuadIndexes *slot = nullptr;
    for (int i = 0; i < MAX_ARRAYS; i++) {
        if (indexArrays[i].data == data && indexArrays[i].count == count)
            return &indexArrays[i];
        if (!slot && !indexArrays[i].data)
            slot = &indexArrays[i];
    }
    const GLsizei quads = count / 4;
    GLuint *triangles = (GLuint *)std::malloc((size_t)quads * 6 * sizeof(GLuint));
    if (!slot || !triangles) {
        std::free(triangles);
        return nullptr;
    }
    uint32_t highest = 0;
    for (GLsizei q = 0; q < quads; q++) {
        const GLuint *v = data + 4 * q;
        GLuint *t = triangles + 6 * q;
        t[0] = v[0]; t[1] = v[1]; t[2] = v[2];
        t[3] = v[0]; t[4] = v[2]; t[5] = v[3];
        for (int k = 0; k < 4; k++)
            highest = v[k] > highest ? v[k] : highest;
    }
    slot->data = data;
    slot->count = count;
    slot->vertices = quads > 0 ? highest + 1 : 0;
    slot->buffer = webglBuffer(1, triangles, (uint32_t)((size_t)quads * 6 * sizeof(GLuint)), 0);
    std::free(triangles);
    return slot;
}

//----------------------------------------------------------------------------
// Functions: OpenGL 1.1
//----------------------------------------------------------------------------
extern "C" {

void glShadeModel(GLenum) {}                 // always smooth: colours are interpolated
void glHint(GLenum, GLenum) {}               // always perspective-correct

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a)
{
    webglClearColor(r, g, b, a);
}

void glClearDepth(GLclampd depth)
{
    webglClearDepth(depth);
}

// Only the switches WebGL has and the renderer uses; the rest would only
// raise WebGL errors.
static void setSwitch(GLenum cap, int on)
{
    if (cap == GL_DEPTH_TEST || cap == GL_BLEND || cap == GL_DITHER)
        webglSwitch(cap, on);
}

void glEnable(GLenum cap)
{
    setSwitch(cap, 1);
}

void glDisable(GLenum cap)
{
    setSwitch(cap, 0);
}

void glDepthFunc(GLenum func)
{
    webglDepthFunc(func);
}

void glBlendFunc(GLenum source, GLenum destination)
{
    webglBlendFunc(source, destination);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    webglViewport(x, y, width, height);
}

void glClear(GLbitfield mask)
{
    webglClear(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
}

void glMatrixMode(GLenum mode)
{
    current = mode == GL_PROJECTION ? projection : modelview;
}

void glLoadIdentity(void)
{
    identity(current);
}

void glMultMatrixd(const GLdouble *m)
{
    multiply(current, current, m);
}

void glTranslated(GLdouble x, GLdouble y, GLdouble z)
{
    double t[16];
    identity(t);
    t[12] = x;
    t[13] = y;
    t[14] = z;
    multiply(current, current, t);
}

void glEnableClientState(GLenum array)
{
    if (array == GL_VERTEX_ARRAY)
        vertexArrayOn = true;
    else if (array == GL_COLOR_ARRAY)
        colorArrayOn = true;
}

void glDisableClientState(GLenum array)
{
    if (array == GL_VERTEX_ARRAY)
        vertexArrayOn = false;
    else if (array == GL_COLOR_ARRAY)
        colorArrayOn = false;
}

// Arrays of 3 floats per element, tightly packed, as the world keeps them.
static bool packedFloat3(GLint size, GLenum type, GLsizei stride)
{
    return size == 3 && type == GL_FLOAT && (stride == 0 || stride == 12);
}

void glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid *pointer)
{
    vertexPointer = pointer;
    pointersUsable = packedFloat3(size, type, stride);
}

void glColorPointer(GLint size, GLenum type, GLsizei stride, const GLvoid *pointer)
{
    colorPointer = pointer;
    pointersUsable = packedFloat3(size, type, stride);
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b)
{
    color[0] = r;
    color[1] = g;
    color[2] = b;
    color[3] = 1.0f;
}

// Quads with 32-bit indices from client arrays; anything else draws nothing.
void glDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid *indices)
{
    if (mode != GL_QUADS || type != GL_UNSIGNED_INT || !vertexArrayOn || !vertexPointer ||
        !pointersUsable || count < 4)
        return;
    const QuadIndexes *quads = quadIndexes((const GLuint *)indices, count);
    if (!quads)
        return;
    const uint32_t bytes = quads->vertices * 12;
    const int positions = arrayBuffer(vertexArrays, vertexPointer, bytes, true);
    const int colors = colorArrayOn && colorPointer
                           ? arrayBuffer(colorArrays, colorPointer, bytes, false) : 0;
    if (!positions || (colorArrayOn && !colors))
        return;
    double both[16];
    float matrix[16];
    multiply(both, projection, modelview);
    for (int i = 0; i < 16; i++)
        matrix[i] = (float)both[i];
    webglDraw(matrix, positions, colors, color[0], color[1], color[2], color[3],
              quads->buffer, (uint32_t)(count / 4) * 6);
}

//----------------------------------------------------------------------------
// Functions: GLU
//----------------------------------------------------------------------------
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    const double half = fovy / 2.0 * PI / 180.0;
    const double depth = zFar - zNear;
    const double sine = std::sin(half);
    if (depth == 0.0 || sine == 0.0 || aspect == 0.0)
        return;
    const double cotangent = std::cos(half) / sine;
    double m[16];
    identity(m);
    m[0] = cotangent / aspect;
    m[5] = cotangent;
    m[10] = -(zFar + zNear) / depth;
    m[11] = -1.0;
    m[14] = -2.0 * zNear * zFar / depth;
    m[15] = 0.0;
    glMultMatrixd(m);
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ)
{
    double forward[3] = {centerX - eyeX, centerY - eyeY, centerZ - eyeZ};
    double up[3] = {upX, upY, upZ};
    double side[3];
    normalize(forward);
    cross(side, forward, up);
    normalize(side);
    cross(up, side, forward);
    double m[16];
    identity(m);
    for (int i = 0; i < 3; i++) {
        m[i * 4 + 0] = side[i];
        m[i * 4 + 1] = up[i];
        m[i * 4 + 2] = -forward[i];
    }
    glMultMatrixd(m);
    glTranslated(-eyeX, -eyeY, -eyeZ);
}

} // extern "C"
