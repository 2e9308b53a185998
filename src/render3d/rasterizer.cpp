// The textured, depth-tested triangle rasterizer.
//
// Faces are filled scanline by scanline with affine texture coordinates and
// a strict per-pixel depth test; all per-row and per-pixel work is additions.
// The order of the steps and the way every slope is rounded decide the exact
// pixels of the show, so they stay as they are.
#include <cstdint>
#include <utility>

#include "render3d/mesh.h"
#include "video/image.h"
#include "video/screen.h"

namespace {

const int TEXTURE_SIZE = 256;
const Fixed LAST_ROW = fixedFromDouble(239.0);
const Fixed LAST_COLUMN_END = fixedFromDouble(320.0) - 1; // just below 320.0
const Fixed TEXEL_LIMIT = fixedFromDouble(256.0) - 1;     // just below 256.0

struct Corner {
    Fixed x, y, z, u, v;
};

// fixedReciprocal(n << 16) = 65536 / n for the span widths and edge heights n
// that a screen can hold, and more; built by the compiler.
const int SPAN_RECIPROCALS = 1024;
struct SpanReciprocals {
    Fixed of[SPAN_RECIPROCALS];
};
constexpr SpanReciprocals makeSpanReciprocals() {
    SpanReciprocals r{};
    for (int n = 1; n < SPAN_RECIPROCALS; n++)
        r.of[n] = 65536 / n;
    return r;
}
constexpr SpanReciprocals SPAN_RECIPROCAL = makeSpanReciprocals();

// value / rows, truncated toward zero, for edge heights below
// ROW_DIVISORS without a division (the handheld has none): a multiply by the
// reciprocal 2^(32 + l) / rows rounded up, l = ceil(log2 rows), which has 33
// bits; its top bit (2^32) is added as the numerator itself. That rounding
// up is small enough to give the truncated quotient of every 32-bit
// magnitude m: with magic = 2^32 (2^l - rows) / rows + 1 and t the top word
// of m * magic, m / rows is (t + ((m - t) >> 1)) >> (l - 1), the halving
// keeping the sum in 32 bits; rows 1 shifts by 0 and 0 (magic 1, t 0).
const int ROW_DIVISORS = 1024;
struct RowDivisor {
    uint32_t magic;
    uint8_t shift1, shift2;
};
struct RowDivisors {
    RowDivisor of[ROW_DIVISORS];
};
constexpr RowDivisors makeRowDivisors() {
    RowDivisors r{};
    for (int n = 1; n < ROW_DIVISORS; n++) {
        int l = 0;
        while ((1 << l) < n)
            l++;
        r.of[n].magic = static_cast<uint32_t>((static_cast<uint64_t>((1 << l) - n) << 32) / n + 1);
        r.of[n].shift1 = static_cast<uint8_t>(l < 1 ? l : 1);
        r.of[n].shift2 = static_cast<uint8_t>(l > 1 ? l - 1 : 0);
    }
    return r;
}
constexpr RowDivisors ROW_DIVISOR = makeRowDivisors();

// value / rows for rows >= 1, as C's signed division gives it (INT32_MIN's
// magnitude is 2^31 as unsigned, and its quotient negates back alike).
inline Fixed divideByRows(Fixed value, int32_t rows) {
    // Never on a screen: laid out apart, so the table's path has no taken branch.
    if (__builtin_expect(rows >= ROW_DIVISORS, 0)) return value / rows;
    const uint32_t m = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    const RowDivisor& d = ROW_DIVISOR.of[rows];
    const uint32_t t = static_cast<uint32_t>((static_cast<uint64_t>(m) * d.magic) >> 32);
    const uint32_t q = (t + ((m - t) >> d.shift1)) >> d.shift2; // no overflow: t <= m
    return static_cast<Fixed>(value < 0 ? 0u - q : q);
}

// The per-row steps of one side of the triangle.
struct Edge {
    Fixed dx, dz, du, dv;
};

inline void sortPair(const Corner*& first, const Corner*& second) {
    if (second->y < first->y) std::swap(first, second);
}

bool pictureUsable(const Image* picture) {
    return picture && picture->pixels && picture->pixelCount >= TEXTURE_SIZE * TEXTURE_SIZE;
}

// Whether value, value + step, ... (count values) all stay within texel
// coordinates 0 .. 255.99 without wrapping: then no clamping is needed.
inline bool staysOnPicture(Fixed value, Fixed step, int count) {
    int64_t last = static_cast<int64_t>(value) + static_cast<int64_t>(step) * (count - 1);
    return value >= 0 && value <= TEXEL_LIMIT && last >= 0 && last <= TEXEL_LIMIT;
}

// The same for u and v at once, with steps = count - 1 >= 0, out of line
// for the long runs.
__attribute__((noinline)) bool longRunStaysOnPicture(Fixed u, Fixed du, Fixed v, Fixed dv,
                                                     int32_t steps) {
    return staysOnPicture(u, du, steps + 1) && staysOnPicture(v, dv, steps + 1);
}

// The same test in 32-bit arithmetic for runs of up to 128 values (the
// handheld has no cheap 64-bit multiply-add). A coordinate is 0 .. 2^24 - 1
// exactly when its bits as unsigned are below 2^24, so the tests of several
// are one OR. For 1 <= steps < 128 a step of 2^24 or more (in size) carries
// the last value off the picture, and one below keeps steps * step within
// (-2^31, 2^31), so the last value, start plus that, does not wrap either.
// (With steps 0 such a step sends the one value to the clamped fill, which
// gives the same texel for a coordinate on the picture.)
inline bool runStaysOnPicture(Fixed u, Fixed du, Fixed v, Fixed dv, int32_t steps) {
    const uint32_t COORDINATES = 1u << 24, SLOPES = 1u << 25;
    // Expected short: the usual case falls through, no taken branch either way.
    if (__builtin_expect(static_cast<uint32_t>(steps) >= 128, 0))
        return longRunStaysOnPicture(u, du, v, dv, steps);
    const uint32_t lastU = static_cast<uint32_t>(u) + static_cast<uint32_t>(du) * steps;
    const uint32_t lastV = static_cast<uint32_t>(v) + static_cast<uint32_t>(dv) * steps;
    const uint32_t slopes =
        (static_cast<uint32_t>(du) + COORDINATES) | (static_cast<uint32_t>(dv) + COORDINATES);
    return slopes < SLOPES &&
           (static_cast<uint32_t>(u) | static_cast<uint32_t>(v) | lastU | lastV) < COORDINATES;
}

inline int clampTexel(Fixed coordinate) {
    int t = coordinate >> 16;
    return t < 0 ? 0 : (t > TEXTURE_SIZE - 1 ? TEXTURE_SIZE - 1 : t);
}

template <bool Clamp> inline int texelIndex(Fixed u, Fixed v) {
    if (Clamp) return (clampTexel(v) << 8) | clampTexel(u);
    return ((v >> 16) << 8) | (u >> 16);
}

// Writes count (>= 1) pixels where the interpolated depth is strictly
// nearer. One pixel a pass, counting down, so u, v, z, their steps, both
// pointers and the count all stay in registers.
template <bool Clamp>
inline void fillSpan(uint16_t* pixel, Fixed* depth, int count, const uint16_t* texels, Fixed u,
                     Fixed v, Fixed z, Fixed du, Fixed dv, Fixed dz) {
    do {
        if (z < *depth) { // strictly nearer: equal depths keep the first face
            const uint16_t texel = texels[texelIndex<Clamp>(u, v)];
            *depth = z; // between the texel's load and its use: no stall
            *pixel = texel;
        }
        pixel++, depth++;
        u = fixedAdd(u, du), v = fixedAdd(v, dv), z = fixedAdd(z, dz);
    } while (--count > 0);
}

// What every face of a render draws from, looked at once: the pictures,
// each null when missing or too small (a face that needs it is then not
// drawn), and the vertex and texture vertex counts as unsigned limits (0 for
// a negative count, which no index meets); and the arrays the faces are
// read from, which the mesh would otherwise be asked for again for every
// face (the stores of a render could alias its fields as far as the
// compiler knows).
struct FaceSources {
    uint16_t* texture;
    uint16_t* envMap;
    uint32_t vertices;
    uint32_t texVertices;
    const MeshFace* faces;
    const TexFace* texFaces;
    const int32_t* screenX;
    const int32_t* screenY;
    const Fixed* screenZ;
};

inline uint32_t indexLimit(int32_t count) {
    return count < 0 ? 0 : static_cast<uint32_t>(count);
}

// Whether 0 <= a, b, c < limit: a negative index is 2^31 or more as
// unsigned, past any limit, so one compare checks both ends.
inline bool indicesBelow(int32_t a, int32_t b, int32_t c, uint32_t limit) {
    return (static_cast<uint32_t>(a) < limit) & (static_cast<uint32_t>(b) < limit) &
           (static_cast<uint32_t>(c) < limit);
}

// The corners of face `i` on the screen, and the picture it indexes
// (into `texels`). False when the face names a vertex or texture vertex
// that does not exist, or its picture is missing: such a face is not drawn.
// Texel coordinates are left to faceTexels, for the faces that get drawn.
inline bool faceCorners(const FaceSources& sources, int i, Corner corner[3], uint16_t*& texels) {
    const MeshFace& face = sources.faces[i];
    if (!indicesBelow(face.a, face.b, face.c, sources.vertices)) return false;
    // Written out, not a loop over an array of the indices: the indices and
    // the screen arrays stay in registers.
    auto place = [&sources](Corner& c, int32_t index) {
        c.x = fixedFromInt(sources.screenX[index]);
        c.y = fixedFromInt(sources.screenY[index]);
        c.z = sources.screenZ[index];
    };
    place(corner[0], face.a), place(corner[1], face.b), place(corner[2], face.c);
    if (face.materialId == ENVIRONMENT_MATERIAL) {
        if (!sources.envMap) return false;
        texels = sources.envMap;
        return true;
    }
    if (!sources.texture) return false;
    const TexFace& texFace = sources.texFaces[i];
    if (!indicesBelow(texFace.a, texFace.b, texFace.c, sources.texVertices)) return false;
    texels = sources.texture;
    return true;
}

// The texel coordinates of the corners of face `i`, which faceCorners
// accepted.
inline void faceTexels(const Mesh& mesh, int i, Corner corner[3]) {
    const MeshFace& face = mesh.faces[i];
    if (face.materialId == ENVIRONMENT_MATERIAL) {
        // The view normal scaled to +-128 texels around the centre, so a
        // normal facing the viewer samples (128, 128).
        const int index[3] = {face.a, face.b, face.c};
        for (int k = 0; k < 3; k++) {
            const Vec3& n = mesh.vertices[index[k]].viewNormal;
            corner[k].u = fixedAdd(static_cast<Fixed>(static_cast<uint32_t>(n.x) << 7), 0x800000);
            corner[k].v = fixedAdd(static_cast<Fixed>(static_cast<uint32_t>(n.y) << 7), 0x800000);
        }
        return;
    }
    const TexFace& texFace = mesh.texFaces[i];
    auto place = [&mesh](Corner& c, int32_t texIndex) {
        c.u = mesh.texVertices[texIndex].u;
        c.v = mesh.texVertices[texIndex].v;
    };
    place(corner[0], texFace.a), place(corner[1], texFace.b), place(corner[2], texFace.c);
}

// Anything behind the viewer is dropped whole (no near clipping).
inline bool behindViewer(const Corner& a, const Corner& b, const Corner& c) {
    return a.z < 0 || b.z < 0 || c.z < 0;
}

// Entirely left or right of the screen.
inline bool besideScreen(const Corner& a, const Corner& b, const Corner& c) {
    return (a.x < 0 && b.x < 0 && c.x < 0) ||
           (a.x > LAST_COLUMN_END && b.x > LAST_COLUMN_END && c.x > LAST_COLUMN_END);
}

// fixedMul of two whole numbers n << 16: their whole parts are 16-bit, so the
// 32-bit product of those, shifted up, has the same low 32 bits.
inline Fixed wholeMul(Fixed a, Fixed b) {
    return fixedFromInt((a >> 16) * (b >> 16));
}

// Twice the signed area; negative is counter-clockwise on screen. Corner
// columns and rows are whole numbers.
inline Fixed doubledArea(const Corner& a, const Corner& b, const Corner& c) {
    return fixedSub(wholeMul(fixedSub(c.y, a.y), fixedSub(b.x, a.x)),
                    wholeMul(fixedSub(c.x, a.x), fixedSub(b.y, a.y)));
}

// Top, middle, bottom; equal rows keep the face order. Only the pointers
// move.
inline void sortByRow(const Corner*& a, const Corner*& b, const Corner*& c) {
    sortPair(a, b);
    sortPair(b, c);
    sortPair(a, b);
}

// Entirely below or above the screen (after sorting).
inline bool aboveOrBelowScreen(const Corner& top, const Corner& bottom) {
    return top.y > LAST_ROW || bottom.y < 0;
}

// The depth rows the next clear must cover, back faces included: the band
// dirtyTop .. dirtyBottom widened to the face's rows.
inline void markDepthRows(int32_t& dirtyTop, int32_t& dirtyBottom, const Corner& top,
                          const Corner& bottom) {
    if ((top.y >> 16) < dirtyTop) dirtyTop = top.y >> 16;
    if ((bottom.y >> 16) > dirtyBottom) dirtyBottom = bottom.y >> 16;
}

// Per-row steps of an edge from `top` down to `bottom`; an edge with no
// height gets no slope. Each edge rounds its own way, as the exact pixels
// need: one slope (`divided`) by a full division, the others through the
// reciprocal of the height.
//
// Corner rows are whole numbers, so the height h is n << 16 with n >= 1:
// fixedReciprocal(h) = 2^32 / (n 2^16) is 65536 / n, and fixedDiv(value, h) =
// value 2^16 / (n 2^16) is value / n, both truncated toward zero alike, so
// neither needs a 64-bit division.
enum class Divided { X, Z, NONE };

// The steps of an edge `rows` high with r = fixedReciprocal(h).
inline Edge edgeStepsOver(const Corner& top, const Corner& bottom, Divided divided, int32_t rows,
                          Fixed r) {
    Edge edge;
    const Fixed dx = fixedSub(bottom.x, top.x), dz = fixedSub(bottom.z, top.z);
    // dx is a whole number d << 16, so fixedMul(r, dx) = (r d 2^16) >> 16 is
    // r d exactly, kept to 32 bits: one 32-bit multiply by d.
    edge.dx = divided == Divided::X
                  ? divideByRows(dx, rows)
                  : static_cast<Fixed>(static_cast<uint32_t>(r) * static_cast<uint32_t>(dx >> 16));
    edge.dz = divided == Divided::Z ? divideByRows(dz, rows) : fixedMul(r, dz);
    edge.du = fixedMul(r, fixedSub(bottom.u, top.u));
    edge.dv = fixedMul(r, fixedSub(bottom.v, top.v));
    return edge;
}

// Edges taller than the reciprocal table, out of line.
__attribute__((noinline)) Edge tallEdgeSteps(const Corner& top, const Corner& bottom,
                                             Divided divided, int32_t rows) {
    return edgeStepsOver(top, bottom, divided, rows, 65536 / rows);
}

inline Edge edgeSteps(const Corner& top, const Corner& bottom, Divided divided) {
    const Fixed h = fixedSub(bottom.y, top.y);
    if (h <= 0) return Edge{};
    const int32_t rows = h >> 16;
    if (divided == Divided::Z) {
        // The long edge: with the table's reciprocal and the divided one
        // met in one place, GCC widens r to 64 bits ahead of du and dv and
        // multiplies 64 by 64 bits; apart, each product is one SMULL.
        if (__builtin_expect(rows >= SPAN_RECIPROCALS, 0)) // never on a screen: laid out apart
            return tallEdgeSteps(top, bottom, divided, rows);
        return edgeStepsOver(top, bottom, divided, rows, SPAN_RECIPROCAL.of[rows]);
    }
    // (The same split on the short edges costs more in spills than it saves.)
    const Fixed r = rows < SPAN_RECIPROCALS ? SPAN_RECIPROCAL.of[rows] : 65536 / rows;
    return edgeStepsOver(top, bottom, divided, rows, r);
}

// The rows a render may draw: row r when clipTop <= r << 16 < clipBottom
// and the screen has it, as [first, end) (empty when end <= first).
struct RowBand {
    int32_t first, end;
};

// The first whole row at or after `edge`: ceil(edge / 2^16).
inline int32_t rowAtOrAfter(Fixed edge) {
    return static_cast<int32_t>((static_cast<int64_t>(edge) + (FIXED_ONE - 1)) >> 16);
}

inline RowBand drawnRows(const Mesh& mesh) {
    const int32_t first = rowAtOrAfter(mesh.clipTop), end = rowAtOrAfter(mesh.clipBottom);
    return {first < 0 ? 0 : first, end > SCREEN_HEIGHT ? SCREEN_HEIGHT : end};
}

// What a span writes to, read once per face: the stores into the buffers
// could alias the mesh's own fields as far as the compiler knows, so kept
// in locals it need not load them again after each pixel.
struct SpanTarget {
    uint16_t* pixels;
    Fixed* depth;
    uint16_t* texels; // stands for mesh.currentTexels in render()
    Screen* screen;
    int32_t clipLeft, clipRight;
};

inline SpanTarget spanTarget(const Mesh& mesh) {
    return {mesh.pixelTarget, mesh.depthTarget, mesh.currentTexels,
            mesh.screen,      mesh.clipLeft,    mesh.clipRight};
}

// The per-pixel steps of a span with r = fixedReciprocal(width).
struct SpanSlopes {
    Fixed du, dv, dz;
};

inline SpanSlopes spanSlopes(Fixed r, Fixed u1, Fixed v1, Fixed u2, Fixed v2, Fixed z1, Fixed z2) {
    return {fixedMul(r, fixedSub(u2, u1)), fixedMul(r, fixedSub(v2, v1)),
            fixedMul(r, fixedSub(z2, z1))};
}

// The same for spans wider than the reciprocal table, out of line: with
// the table's reciprocal and this one met in one place, GCC widens r to 64
// bits ahead of the products. A width of 0 gets r = 0, so no slope.
__attribute__((noinline)) SpanSlopes wideSpanSlopes(Fixed width, Fixed u1, Fixed v1, Fixed u2,
                                                    Fixed v2, Fixed z1, Fixed z2) {
    return spanSlopes(width != 0 ? fixedReciprocal(width) : 0, u1, v1, u2, v2, z1, z2);
}

// The row a span is drawn on: the offset of its first pixel in the
// buffers, and its entry in the screen's depthLeft. Its depthRight entry
// lies a fixed distance further on in the Screen, so one pointer stands for
// both, and the row loop keeps one register for them, not two.
struct SpanRow {
    int32_t start; // row * SCREEN_WIDTH
    int16_t* left; // &screen->depthLeft[row]
};

inline int16_t* rightExtent(const Screen* screen, int16_t* left) {
    uintptr_t distance = reinterpret_cast<uintptr_t>(screen->depthRight) -
                         reinterpret_cast<uintptr_t>(screen->depthLeft);
    // Opaque to the compiler, which would otherwise step a second pointer
    // for depthRight through the row loop, kept on the stack.
    __asm__ volatile("" : "+r"(distance));
    return reinterpret_cast<int16_t*>(reinterpret_cast<uintptr_t>(left) + distance);
}

// Screen::depthWritten for the row at `place`.
inline void markSpan(const Screen* screen, SpanRow place, int left, int right) {
    Screen::widenExtent(*place.left, *rightExtent(screen, place.left), left, right);
}

// Mesh::drawSpan for a row already known to be on the screen; with
// ScreenClip, for the clip columns 0 and SCREEN_WIDTH, which the compiler
// then folds into the tests.
template <bool ScreenClip>
__attribute__((always_inline)) inline void fillRowSpan(const SpanTarget& target, int x1, int x2,
                                                       SpanRow place, Fixed u1, Fixed v1, Fixed u2,
                                                       Fixed v2, Fixed z1, Fixed z2) {
    const int32_t clipLeft = ScreenClip ? 0 : target.clipLeft;
    const int32_t clipRight = ScreenClip ? SCREEN_WIDTH : target.clipRight;
    if ((x1 < 0 && x2 < 0) || (x1 >= SCREEN_WIDTH && x2 >= SCREEN_WIDTH)) return;
    if (x1 == x2) {
        // One column: no slopes, no left jump (its steps would be 0), and
        // drawn only between the clip columns. Clamping a coordinate that
        // is on the picture changes nothing, so the clamped fill serves
        // both of drawSpan's cases.
        if (x1 < clipLeft || x1 >= clipRight) return;
        markSpan(target.screen, place, x1, x1);
        const int start = place.start + x1;
        fillSpan<true>(target.pixels + start, target.depth + start, 1, target.texels, u1, v1, z1, 0,
                       0, 0);
        return;
    }
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(u1, u2);
        std::swap(v1, v2);
        std::swap(z1, z2);
    }

    Fixed du = 0, dv = 0, dz = 0;
    // 32-bit like the rest: the width in Fixed wraps for spans of 32768
    // pixels or more, and a width of a multiple of 65536 gets no slope at
    // all. x2 - x1 is below 2^32, so the unsigned difference is exact; here
    // n >= 1 (x1 == x2 took the one-column path).
    const uint32_t n = static_cast<uint32_t>(x2) - static_cast<uint32_t>(x1);
    Fixed width = fixedFromInt(static_cast<int32_t>(n));
    if (n == 1) {
        // The reciprocal of one pixel is 1.0: the slopes are the differences.
        du = fixedSub(u2, u1), dv = fixedSub(v2, v1), dz = fixedSub(z2, z1);
    } else if (n == 2) {
        // 0.5: fixedMul halves, rounding toward minus infinity, as >> does.
        du = fixedSub(u2, u1) >> 1, dv = fixedSub(v2, v1) >> 1, dz = fixedSub(z2, z1) >> 1;
    } else if (n < SPAN_RECIPROCALS) {
        // Spans on the screen are short: their reciprocals come from a table.
        const SpanSlopes s = spanSlopes(SPAN_RECIPROCAL.of[n], u1, v1, u2, v2, z1, z2);
        du = s.du, dv = s.dv, dz = s.dz;
    } else {
        const SpanSlopes s = wideSpanSlopes(width, u1, v1, u2, v2, z1, z2);
        du = s.du, dv = s.dv, dz = s.dz;
    }

    if (ScreenClip) {
        // 319 is no ARM immediate and would come from a literal pool, a line
        // often out of the cache; made as 320 - 1 in place, it costs no load.
        int32_t lastColumn = SCREEN_WIDTH;
        __asm__ volatile("" : "+r"(lastColumn));
        if (x2 > lastColumn - 1) x2 = lastColumn - 1;
    } else if (x2 >= clipRight) {
        x2 = clipRight - 1;
    }
    if (x1 < clipLeft) {
        // Jump the interpolants to the first visible column.
        Fixed skipped = fixedFromInt(
            static_cast<int32_t>(static_cast<uint32_t>(clipLeft) - static_cast<uint32_t>(x1)));
        u1 = fixedAdd(u1, fixedMul(skipped, du));
        v1 = fixedAdd(v1, fixedMul(skipped, dv));
        z1 = fixedAdd(z1, fixedMul(skipped, dz));
        x1 = clipLeft;
    }
    if (x1 > x2) return;

    // fillSpan may write any of x1..x2 (clipLeft 0 and clipRight 320 keep
    // them on the row): the next clearDepth must reach them.
    markSpan(target.screen, place, x1, x2);
    const int32_t steps = x2 - x1, count = steps + 1;
    const int start = place.start + x1;
    if (runStaysOnPicture(u1, du, v1, dv, steps))
        fillSpan<false>(target.pixels + start, target.depth + start, count, target.texels, u1, v1,
                        z1, du, dv, dz);
    else
        fillSpan<true>(target.pixels + start, target.depth + start, count, target.texels, u1, v1,
                       z1, du, dv, dz);
}

// The span ends of the rows of one face, as drawSpan gets them: the left
// edge's x, u, v, z, then the right edge's.
const int END_WORDS = 8;

// Writes an edge's x, u, v, z for `rows` rows, one row every END_WORDS
// words from `out`, starting `skipped` rows below `start`. Stepping is
// wrapping addition, so `skipped` steps are one product modulo 2^32.
inline void writeEdge(Fixed* out, const Corner& start, const Edge& edge, int32_t skipped,
                      int32_t rows) {
    Fixed x = start.x, u = start.u, v = start.v, z = start.z;
    // Only an edge that starts above the drawn rows skips any: rare, so laid
    // out apart, and the usual edge runs straight on with no taken branch.
    if (__builtin_expect(skipped != 0, 0)) {
        const uint32_t k = static_cast<uint32_t>(skipped);
        x = fixedAdd(x, static_cast<Fixed>(k * static_cast<uint32_t>(edge.dx)));
        u = fixedAdd(u, static_cast<Fixed>(k * static_cast<uint32_t>(edge.du)));
        v = fixedAdd(v, static_cast<Fixed>(k * static_cast<uint32_t>(edge.dv)));
        z = fixedAdd(z, static_cast<Fixed>(k * static_cast<uint32_t>(edge.dz)));
    }
    for (Fixed* const end = out + rows * END_WORDS; out != end; out += END_WORDS) {
        out[0] = x, out[1] = u, out[2] = v, out[3] = z;
        x = fixedAdd(x, edge.dx), u = fixedAdd(u, edge.du);
        v = fixedAdd(v, edge.dv), z = fixedAdd(z, edge.dz);
    }
}

// The spans of rows top .. bottom - 1 from their ends: only one span's
// state at a time needs the registers.
template <bool ScreenClip>
__attribute__((always_inline)) inline void fillRows(const SpanTarget& target, const Fixed* ends,
                                                    int32_t top, int32_t bottom) {
    const SpanTarget t = target;
    SpanRow place = {top * SCREEN_WIDTH, &t.screen->depthLeft[top]};
    for (int16_t* const last = &t.screen->depthLeft[bottom]; place.left != last;
         place.left++, place.start += SCREEN_WIDTH, ends += END_WORDS) {
        const Fixed* e = ends;
        fillRowSpan<ScreenClip>(t, e[0] >> 16, e[4] >> 16, place, e[1], e[2], e[5], e[6], e[3],
                                e[7]);
    }
}

// The rows from A down to just above C, one span per row between the long
// edge A->C and the short edges A->B, then B->C (which restarts exactly at
// B, leaving no error behind); the bottom corner's row is never drawn. Only
// the rows in `band` are drawn, as if every row were stepped through.
//
// In two passes, so neither holds more than fits in the registers: the
// edges, one at a time, write the span ends of the rows into a table, then
// the spans are filled from it. screenClip tells that the target's clip
// columns are 0 and SCREEN_WIDTH, known once per render.
__attribute__((always_inline)) inline void walkRows(const SpanTarget& target, bool screenClip,
                                                    RowBand band, const Corner& a, const Corner& b,
                                                    const Corner& c) {
    const int32_t rowA = a.y >> 16, rowB = b.y >> 16, rowC = c.y >> 16;
    const int32_t top = rowA > band.first ? rowA : band.first;
    const int32_t bottom = rowC < band.end ? rowC : band.end;
    if (top >= bottom) return;

    const Edge upper = edgeSteps(a, b, Divided::X);
    const Edge longEdge = edgeSteps(a, c, Divided::Z);
    const Edge lower = edgeSteps(b, c, Divided::NONE);
    // The long edge is on the left when the upper short edge leans further
    // right; the span fill orders the ends anyway.
    const int longSide = upper.dx > longEdge.dx ? 0 : 4, shortSide = 4 - longSide;

    // bottom - top <= SCREEN_HEIGHT rows; one row to a 32-byte cache line,
    // so a row's first read fills one line, not two.
    alignas(32) Fixed ends[SCREEN_HEIGHT * END_WORDS];
    writeEdge(ends + longSide, a, longEdge, top - rowA, bottom - top);
    const int32_t split = rowB < top ? top : (rowB > bottom ? bottom : rowB);
    writeEdge(ends + shortSide, a, upper, top - rowA, split - top);
    writeEdge(ends + (split - top) * END_WORDS + shortSide, b, lower, split - rowB, bottom - split);

    if (screenClip)
        fillRows<true>(target, ends, top, bottom);
    else
        fillRows<false>(target, ends, top, bottom);
}

} // namespace

void Mesh::render() {
    const FaceSources sources = {pictureUsable(texture) ? texture->pixels : nullptr,
                                 pictureUsable(envMap) ? envMap->pixels : nullptr,
                                 indexLimit(vertexCount),
                                 indexLimit(texVertexCount),
                                 faces,
                                 texFaces,
                                 screenX,
                                 screenY,
                                 screenZ};
    const RowBand band = drawnRows(*this);
    // In locals: the stores below could alias the fields as far as the
    // compiler knows, and would have them loaded again for every face.
    Fixed* const areas = faceArea;
    const int32_t count = faceCount;
    // The screen's band of depth rows to clear is widened in locals and
    // stored at the end, and target.texels stands for currentTexels until
    // then: nothing in between reads either, and so no face needs the
    // screen's or the mesh's address for them.
    Screen& frame = *screen;
    int32_t dirtyTop = frame.dirtyTop, dirtyBottom = frame.dirtyBottom;
    // What the spans write to is the same for every face; only the picture
    // changes from face to face.
    SpanTarget target = spanTarget(*this);
    const bool screenClip = target.clipLeft == 0 && target.clipRight == SCREEN_WIDTH;
    for (int i = 0; i < count; i++) {
        Corner corner[3];
        if (!faceCorners(sources, i, corner, target.texels)) continue;
        const Corner *a = &corner[0], *b = &corner[1], *c = &corner[2];
        // Rarely true: the faces that go on are laid out straight ahead,
        // with no taken branch.
        if (__builtin_expect(behindViewer(*a, *b, *c) || besideScreen(*a, *b, *c), 0)) continue;

        const Fixed area = doubledArea(*a, *b, *c);
        areas[i] = area;
        sortByRow(a, b, c);
        if (aboveOrBelowScreen(*a, *c)) continue;
        markDepthRows(dirtyTop, dirtyBottom, *a, *c);
        if (area >= 0) continue; // back faces and degenerate faces

        faceTexels(*this, i, corner);
        walkRows(target, screenClip, band, *a, *b, *c);
    }
    currentTexels = target.texels;
    frame.dirtyTop = dirtyTop, frame.dirtyBottom = dirtyBottom;
}

void Mesh::drawSpan(int x1, int x2, int row, Fixed u1, Fixed v1, Fixed u2, Fixed v2, Fixed z1,
                    Fixed z2) {
    if (static_cast<unsigned>(row) >= static_cast<unsigned>(SCREEN_HEIGHT)) return;
    fillRowSpan<false>(spanTarget(*this), x1, x2, {row * SCREEN_WIDTH, &screen->depthLeft[row]}, u1,
                       v1, u2, v2, z1, z2);
}
