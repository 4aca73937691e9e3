// The show's 22 pictures, each designed for what the timeline does with it.
#include "assetgen/assetgen.h"
#include "assetgen/paint.h"
#include "raster2d/image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// Fontconfig, behind Cairo's text, keeps a few patterns for the life of the
// process; a leak checker is told to look away while text is laid out.
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define IgnoreFontLeaks(on) ((on) ? __lsan_disable() : __lsan_enable())
#else
#define IgnoreFontLeaks(on) ((void)0)
#endif

namespace {

const double kPi = 3.14159265358979323846;
const int W = PICTURE_WIDTH, H = PICTURE_HEIGHT;
const int kQuality = 92;
// Where the wolf's and the dragon's moon hangs before the pictures are
// mirrored (the cube's light comes from it), and its disc's radius.
const double kDuskMoonX = 432, kDuskMoonY = 84, kDuskMoonRadius = 53;

int Save(const char *dir, const char *name, const uint32_t *pixels) {
    std::vector<unsigned char> jpeg = EncodeJpeg(pixels, kQuality);
    if (jpeg.empty()) {
        std::fprintf(stderr, "assetgen: cannot encode %s\n", name);
        return 0;
    }
    return WriteDataFile(dir, name, jpeg.data(), jpeg.size());
}

// How hard the wrap edges of pixels meet, against how neighbouring columns
// and rows meet inside: the mean colour step across the seam (column 511 to
// 0 and row 255 to 0) over the mean step between neighbours elsewhere.
double SeamRatio(const uint32_t *p) {
    auto step = [](uint32_t a, uint32_t b) {
        return std::abs((int)(a >> 16 & 255) - (int)(b >> 16 & 255)) +
               std::abs((int)(a >> 8 & 255) - (int)(b >> 8 & 255)) +
               std::abs((int)(a & 255) - (int)(b & 255));
    };
    double seam = 0, inside = 0;
    for (int y = 0; y < H; y++) {
        seam += step(p[y * W + W - 1], p[y * W]);
        for (int x = 0; x + 1 < W; x++) inside += step(p[y * W + x], p[y * W + x + 1]);
    }
    for (int x = 0; x < W; x++) {
        seam += step(p[(H - 1) * W + x], p[x]);
        for (int y = 0; y + 1 < H; y++) inside += step(p[y * W + x], p[(y + 1) * W + x]);
    }
    seam /= W + H;
    inside /= (double)(W - 1) * H + (double)W * (H - 1);
    return seam / std::max(inside, 0.5);
}

// A picture that a part draws through a wrapping grid must tile: its seam
// may be no harder than twice a step inside it. Checked on the JPEG as the
// show decodes it; a seam fails the build with one line naming the picture.
int SaveTiling(const char *dir, const char *name, const uint32_t *pixels) {
    std::vector<unsigned char> jpeg = EncodeJpeg(pixels, kQuality);
    Image *decoded = jpeg.empty() ? nullptr : DecodeJpeg(jpeg.data(), jpeg.size(), name);
    if (!decoded) {
        std::fprintf(stderr, "assetgen: cannot encode %s\n", name);
        return 0;
    }
    double ratio = SeamRatio(decoded->pixels);
    FreeJpeg(decoded);
    if (ratio > 2.0) {
        std::fprintf(stderr,
                     "assetgen: %s does not tile: its wrap seam is %.1f times as hard "
                     "as a step inside it\n",
                     name, ratio);
        return 0;
    }
    return WriteDataFile(dir, name, jpeg.data(), jpeg.size());
}

int SaveTilingCanvas(const char *dir, const char *name, Canvas *c) {
    int ok = SaveTiling(dir, name, BeginPixels(c));
    FreeCanvas(c);
    return ok;
}

int SaveCanvas(const char *dir, const char *name, Canvas *c) {
    int ok = Save(dir, name, BeginPixels(c));
    FreeCanvas(c);
    return ok;
}

// Fills every pixel with f(x, y).
template <class F> void Shade(Canvas *c, F f) {
    uint32_t *p = BeginPixels(c);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) p[y * W + x] = f(x, y);
    DonePixels(c);
}

// As Shade, for a picture that must tile: within band pixels of the right
// and bottom edges f fades into its own continuation from the left and top
// (f at x - W, y - H), so the last column runs on into the first and the
// last row into the first. f must take any coordinates.
template <class F> void ShadeTiling(Canvas *c, F f, int band) {
    auto ease = [&](int at, int size) {
        double s = std::clamp((at - (size - band)) / (double)band, 0.0, 1.0);
        return s * s * (3 - 2 * s);
    };
    Shade(c, [&](int x, int y) {
        double sx = ease(x, W), sy = ease(y, H);
        uint32_t top = Mix(f(x, y), f(x - W, y), sx),
                 bottom = Mix(f(x, y - H), f(x - W, y - H), sx);
        return sy > 0 ? Mix(top, bottom, sy) : top;
    });
}

// Adds text in a DejaVu face, centred on x at baseline y, to the path.
void Text(cairo_t *cr, const char *face, double size, bool bold, double x, double y,
          const char *s) {
    IgnoreFontLeaks(true);
    cairo_select_font_face(cr, face, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, s, &e);
    cairo_move_to(cr, x - e.width / 2 - e.x_bearing, y);
    cairo_text_path(cr, s);
    IgnoreFontLeaks(false);
}

// Scatters count stars (one pixel, some with a soft halo) above row maxY.
void Stars(Canvas *c, uint32_t seed, int count, int maxY) {
    Rng rng = NewRng(seed);
    cairo_t *cr = c->cr;
    for (int i = 0; i < count; i++) {
        double x = RngRange(&rng, 0, W), y = RngRange(&rng, 0, maxY), b = RngFloat(&rng);
        double r = b > 0.93 ? 1.6 : 0.7;
        SetColour(cr, Rgb(200 + 55 * b, 210 + 45 * b, 255), 0.3 + 0.7 * b);
        cairo_arc(cr, x, y, r, 0, 2 * kPi);
        cairo_fill(cr);
    }
}

// Draws a moon: a pale disc of radius disc x r at (x, y) in a halo of radius r.
void Moon(cairo_t *cr, double x, double y, double r, double disc) {
    cairo_pattern_t *moon = cairo_pattern_create_radial(x, y, r * 0.1, x, y, r);
    cairo_pattern_add_color_stop_rgba(moon, 0, 1, 0.98, 0.9, 1);
    cairo_pattern_add_color_stop_rgba(moon, disc, 1, 0.92, 0.75, 1);
    cairo_pattern_add_color_stop_rgba(moon, disc + 0.03, 0.95, 0.82, 0.7, 0.35);
    cairo_pattern_add_color_stop_rgba(moon, 1, 0.9, 0.75, 0.6, 0);
    cairo_set_source(cr, moon);
    cairo_arc(cr, x, y, r, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(moon);
}

// 0 at e0, 1 at e1, eased between (either order).
double Smooth(double e0, double e1, double x) {
    double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Blurs a field of W x H values by a box of radius r, passes times across
// and down (three passes come close to a Gaussian); the edges are held, not
// wrapped.
template <class T> void BlurField(std::vector<T> &f, int r, int passes) {
    std::vector<T> row(f.size());
    for (int pass = 0; pass < passes; pass++) {
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++) {
                T sum = 0;
                for (int k = -r; k <= r; k++) sum += f[y * W + std::clamp(x + k, 0, W - 1)];
                row[y * W + x] = sum / (2 * r + 1);
            }
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++) {
                T sum = 0;
                for (int k = -r; k <= r; k++) sum += row[std::clamp(y + k, 0, H - 1) * W + x];
                f[y * W + x] = sum / (2 * r + 1);
            }
    }
}

// Fills the area between the profile y = top(x) and row `bottom` with colour.
template <class F> void FillProfile(cairo_t *cr, double bottom, uint32_t colour, F top) {
    cairo_move_to(cr, 0, bottom);
    for (int x = 0; x <= W; x += 3) cairo_line_to(cr, x, top((double)x));
    cairo_line_to(cr, W, bottom);
    cairo_close_path(cr);
    SetColour(cr, colour, 1);
    cairo_fill(cr);
}

// Adds a pine to the path: a trunk reaching `trunk` pixels below its base
// and seven stacked triangles, h pixels tall and w wide, standing at (x, base).
void AddPine(cairo_t *cr, double x, double base, double h, double w, double trunk) {
    cairo_rectangle(cr, x - w * 0.04, base - h * 0.1, w * 0.08, h * 0.1 + trunk);
    for (int k = 0; k < 7; k++) {
        double y0 = base - h * 0.08 - k * h * 0.12, ww = w * (1 - k * 0.13);
        cairo_move_to(cr, x - ww / 2, y0);
        cairo_line_to(cr, x, y0 - h * 0.22);
        cairo_line_to(cr, x + ww / 2, y0);
        cairo_close_path(cr);
    }
}

// Draws a Barnsley fern: points of the iterated function system, their
// density tone-mapped to a pale green, with the stem at (x, y), height h
// pixels, turned by angle (radians), mirrored when flip is set.
void Fern(uint32_t *acc, uint32_t seed, double x, double y, double h, double angle, bool flip,
          int points) {
    Rng rng = NewRng(seed);
    double px = 0, py = 0, ca = std::cos(angle), sa = std::sin(angle);
    for (int i = 0; i < points; i++) {
        float r = RngFloat(&rng);
        double nx, ny;
        if (r < 0.01f)
            nx = 0, ny = 0.16 * py;
        else if (r < 0.86f)
            nx = 0.85 * px + 0.04 * py, ny = -0.04 * px + 0.85 * py + 1.6;
        else if (r < 0.93f)
            nx = 0.2 * px - 0.26 * py, ny = 0.23 * px + 0.22 * py + 1.6;
        else
            nx = -0.15 * px + 0.28 * py, ny = 0.26 * px + 0.24 * py + 0.44;
        px = nx, py = ny;
        if (i < 20) continue;
        double fx = (flip ? -px : px) * h / 10,
               fy = -py * h / 10; // the fern is about 10 units tall
        int sx = (int)std::lround(x + fx * ca - fy * sa),
            sy = (int)std::lround(y + fx * sa + fy * ca);
        if (sx >= 0 && sx < W && sy >= 0 && sy < H) acc[sy * W + sx]++;
    }
}

// The finale's forest, shared by skog.jpg (the day), gr.jpg (the same forest
// at dusk, which the finale cross-fades in and out) and Creds.jpg (at night):
// four ranks of pines, far to near, in loose groups with clearings between them.
struct Pine {
    double x, base, h, w; // Foot of the stem and size, pixels
    int rank;             // 0 the farthest .. 3 the nearest
};

std::vector<Pine> FinaleForest(void) {
    std::vector<Pine> pines;
    Rng rng = NewRng(151);
    for (int rank = 0; rank < 4; rank++) {
        double scale = 0.5 + rank * 0.3, ground = 150 + rank * 28;
        for (double x = RngRange(&rng, -20, 30); x < W + 30;) {
            double h = RngRange(&rng, 90, 150) * scale, w = h * RngRange(&rng, 0.34, 0.44);
            pines.push_back({x, ground + 4, h, w, rank});
            x += (RngFloat(&rng) < 0.3 ? RngRange(&rng, 50, 110) : RngRange(&rng, 14, 26)) * scale;
        }
    }
    return pines;
}

// Fills the finale's forest as silhouettes, one colour a rank (far to near),
// each rank standing on ground of its colour; with mist > 0 a glow of that
// opacity rises at the foot of every rank but the nearest.
void ForestSilhouettes(cairo_t *cr, const uint32_t rankColour[4], double mist) {
    int rank = -1;
    for (const Pine &p : FinaleForest()) {
        if (p.rank != rank) {
            rank = p.rank;
            if (mist > 0 && p.rank < 3) { // the nearest rank stands dark and clear
                cairo_pattern_t *glow = cairo_pattern_create_linear(0, p.base - 40, 0, p.base);
                cairo_pattern_add_color_stop_rgba(glow, 0, 1.0, 0.45, 0.35, 0);
                cairo_pattern_add_color_stop_rgba(glow, 1, 1.0, 0.45, 0.35, mist);
                cairo_set_source(cr, glow);
                cairo_rectangle(cr, 0, p.base - 40, W, 40);
                cairo_fill(cr);
                cairo_pattern_destroy(glow);
            }
            cairo_rectangle(cr, 0, p.base - 4, W, H);
            SetColour(cr, rankColour[p.rank], 1);
            cairo_fill(cr);
        }
        AddPine(cr, p.x, p.base, p.h, p.w, 0);
        SetColour(cr, rankColour[p.rank], 1);
        cairo_fill(cr);
    }
}

// ---------------------------------------------------------------- metal and light

// The coverage (0-1 a pixel, antialiased) of the shape that path adds to a
// fresh context's path, filled with the winding rule that path sets.
template <class T = float, class F> std::vector<T> Coverage(F path) {
    cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_A8, W, H);
    cairo_t *cr = cairo_create(s);
    path(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    cairo_fill(cr);
    cairo_surface_flush(s);
    const unsigned char *data = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    std::vector<T> out((size_t)W * H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) out[y * W + x] = data[y * stride + x] / T(255);
    cairo_destroy(cr);
    cairo_surface_destroy(s);
    return out;
}

// Three passes of a box blur of radius r along rows and then columns (close
// to a Gaussian); the picture's edges are held, not wrapped.
std::vector<float> Soften(std::vector<float> v, int r) {
    BlurField(v, r, 3);
    return v;
}

// Lays a raised shape of the given coverage over the canvas, modelled as
// cast metal: the coverage softened by `bevel` pixels is its height, so its
// edges round off, and a light from the upper left (the moon and the glow of
// every picture that uses it stand there) gives each pixel a diffuse level
// and a specular glint. colour(x, y, diffuse, glint) paints the metal.
template <class F>
void Metal(Canvas *c, const std::vector<float> &cover, int bevel, double depth, F colour) {
    std::vector<float> h = Soften(cover, bevel);
    const double lx = -0.45, ly = -0.6, lz = 0.66; // toward the light, y down
    double hx = lx, hy = ly, hz = lz + 1, hn = std::sqrt(hx * hx + hy * hy + hz * hz);
    hx /= hn, hy /= hn, hz /= hn;
    uint32_t *p = BeginPixels(c);
    for (int y = 1; y + 1 < H; y++)
        for (int x = 1; x + 1 < W; x++) {
            float a = cover[y * W + x];
            if (a <= 0) continue;
            double gx = (h[y * W + x + 1] - h[y * W + x - 1]) * depth,
                   gy = (h[(y + 1) * W + x] - h[(y - 1) * W + x]) * depth;
            double n = std::sqrt(gx * gx + gy * gy + 1), nx = -gx / n, ny = -gy / n, nz = 1 / n;
            double diffuse = std::max(0.0, nx * lx + ny * ly + nz * lz);
            double glint = std::pow(std::max(0.0, nx * hx + ny * hy + nz * hz), 40);
            p[y * W + x] = Mix(p[y * W + x], colour(x, y, diffuse, glint), a);
        }
    DonePixels(c);
}

// Polished gold: dark bronze in the shade, warm gold where lit, pale where
// the light glances off, drawn with faint brushing along `grain` radians.
uint32_t Gold(int x, int y, double diffuse, double glint, double grain) {
    double u = x * std::cos(grain) + y * std::sin(grain),
           v = -x * std::sin(grain) + y * std::cos(grain);
    double brush = Fbm(401, u / 60.0, v / 1.6, 3) * 0.12 + Fbm(402, x / 14.0, y / 14.0, 2) * 0.1;
    static const uint32_t ramp[] = {0x2A1404, 0x6E3C0C, 0xB8781E, 0xEEB848, 0xFFE7A0};
    // Broad bands of reflected light across the grain, as the polish
    // mirrors a room: flat faces still change from one end to the other.
    double sheen = 0.13 * std::sin(v * 0.3 + 3 * Fbm(403, u / 90.0, v / 30.0, 2));
    uint32_t base = Ramp(ramp, 5, std::clamp(0.08 + 0.95 * diffuse + brush + sheen, 0.0, 1.0));
    // The faces turned from the light mirror the night around them: a cool
    // blue in the shade, as polished metal picks up its surroundings.
    base = Mix(base, 0x2A3A78, 0.3 * std::pow(1 - diffuse, 2));
    return Mix(base, 0xFFFBEA, std::min(1.0, glint * 1.4));
}

// A soft star: a Gaussian of radius r (pixels) and brightness level (0-1)
// added onto the pixels in colour, so a ripple that magnifies it draws a
// soft disc instead of a square.
void SoftStar(uint32_t *p, double x, double y, double r, double level, uint32_t colour) {
    int x0 = (int)std::floor(x - 3 * r), x1 = (int)std::ceil(x + 3 * r);
    int y0 = (int)std::floor(y - 3 * r), y1 = (int)std::ceil(y + 3 * r);
    for (int j = std::max(y0, 0); j <= std::min(y1, H - 1); j++)
        for (int i = std::max(x0, 0); i <= std::min(x1, W - 1); i++) {
            double d2 = ((i - x) * (i - x) + (j - y) * (j - y)) / (r * r);
            double k = level * std::exp(-d2);
            if (k < 0.004) continue;
            uint32_t q = p[j * W + i];
            p[j * W + i] =
                Rgb((q >> 16 & 255) + k * (colour >> 16 & 255),
                    (q >> 8 & 255) + k * (colour >> 8 & 255), (q & 255) + k * (colour & 255));
        }
}

// ---------------------------------------------------------------- the pictures

// The opening's emblem: a ring of blue glass round a four-pointed glint,
// in a halo, with a thin outer ring of ticks; centred on (cx, cy). load.jpg
// and name.jpg draw it in the same place, so it stays still while the one
// fades into the other.
void Emblem(cairo_t *cr, double cx, double cy) {
    cairo_pattern_t *glow = cairo_pattern_create_radial(cx, cy, 16, cx, cy, 58);
    cairo_pattern_add_color_stop_rgba(glow, 0, 0.3, 0.7, 1.0, 0.4);
    cairo_pattern_add_color_stop_rgba(glow, 0.5, 0.25, 0.5, 1.0, 0.14);
    cairo_pattern_add_color_stop_rgba(glow, 1, 0.3, 0.5, 1.0, 0.0);
    cairo_set_source(cr, glow);
    cairo_arc(cr, cx, cy, 58, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
    // The glass inside the ring: deep blue, lit from the upper left.
    cairo_pattern_t *glass = cairo_pattern_create_radial(cx - 10, cy - 12, 2, cx, cy, 31);
    cairo_pattern_add_color_stop_rgba(glass, 0, 0.35, 0.6, 0.95, 0.9);
    cairo_pattern_add_color_stop_rgba(glass, 0.6, 0.08, 0.2, 0.5, 0.85);
    cairo_pattern_add_color_stop_rgba(glass, 1, 0.03, 0.08, 0.25, 0.9);
    cairo_set_source(cr, glass);
    cairo_arc(cr, cx, cy, 31, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(glass);
    // The ring, its lit upper left brighter than its lower right.
    cairo_pattern_t *rim = cairo_pattern_create_linear(cx - 30, cy - 30, cx + 30, cy + 30);
    cairo_pattern_add_color_stop_rgb(rim, 0, 0.95, 0.99, 1.0);
    cairo_pattern_add_color_stop_rgb(rim, 1, 0.4, 0.62, 0.85);
    cairo_set_source(cr, rim);
    cairo_set_line_width(cr, 3.2);
    cairo_arc(cr, cx, cy, 32, 0, 2 * kPi);
    cairo_stroke(cr);
    cairo_pattern_destroy(rim);
    // The outer ring of ticks, a hair-line, like an instrument's bezel.
    SetColour(cr, 0x9CC8F0, 0.55);
    cairo_set_line_width(cr, 1);
    cairo_arc(cr, cx, cy, 40, 0, 2 * kPi);
    cairo_stroke(cr);
    for (int k = 0; k < 24; k++) {
        double a = k * kPi / 12, r0 = k % 6 == 0 ? 36 : 38;
        cairo_move_to(cr, cx + r0 * std::cos(a), cy + r0 * std::sin(a));
        cairo_line_to(cr, cx + 42 * std::cos(a), cy + 42 * std::sin(a));
    }
    cairo_stroke(cr);
    // The glint: four points, each lit on one flank and shaded on the other.
    for (int k = 0; k < 4; k++) {
        double a = k * kPi / 2;
        for (int side = 0; side < 2; side++) {
            double b = a + (side ? kPi / 4 : -kPi / 4);
            cairo_move_to(cr, cx, cy);
            cairo_line_to(cr, cx + 23 * std::cos(a), cy + 23 * std::sin(a));
            cairo_line_to(cr, cx + 5 * std::cos(b), cy + 5 * std::sin(b));
            cairo_close_path(cr);
            SetColour(cr, side ? 0xFFFFFF : 0xA8D4FF, 1);
            cairo_fill(cr);
        }
    }
}

// The opening's spectrum bars show wherever the faded picture is black. A
// rule under the subtitle and dark lines across the rows below it
// (non-black, so the bars stop there), further apart toward the bottom as
// ripples on water seen from above, cut the bars into lit slivers: light
// dancing on the water under the title, not a plot. The lines are bright
// enough in blue to leave black within a few frames of the fade's mid levels.
void WaterLines(Canvas *c) {
    uint32_t *p = BeginPixels(c);
    const int top = 194; // the rule; the subtitle's descenders end near row 184
    for (int x = 0; x < W; x++) {
        // The rule fades out toward both ends instead of stopping square.
        double edge = std::min(1.0, std::min(x, W - 1 - x) / 96.0);
        p[top * W + x] = Mix(0x000000, 0x4A78B0, edge);
        p[(top + 1) * W + x] = Mix(0x000000, 0x1A2C48, edge);
    }
    for (int y = top + 3, gap = 2; y < H; y += gap, gap += gap < 6)
        for (int x = 0; x < W; x++) p[y * W + x] = 0x081430;
    DonePixels(c);
}

// Where the opening puts its emblem and the show's title (one line, inside
// the picture with a margin on both sides).
const double kEmblemX = 256, kEmblemY = 64, kTitleSize = 50, kTitleBaseline = 148;

// The emblem's glimmer: a hair-line of light across it, brightest at the
// glint and fading out to both sides, as a lens catches a bright star.
void EmblemFlare(cairo_t *cr) {
    cairo_pattern_t *flare = cairo_pattern_create_linear(kEmblemX - 150, 0, kEmblemX + 150, 0);
    cairo_pattern_add_color_stop_rgba(flare, 0, 0.6, 0.8, 1.0, 0);
    cairo_pattern_add_color_stop_rgba(flare, 0.5, 0.9, 0.97, 1.0, 0.9);
    cairo_pattern_add_color_stop_rgba(flare, 1, 0.6, 0.8, 1.0, 0);
    cairo_set_source(cr, flare);
    cairo_rectangle(cr, kEmblemX - 150, kEmblemY - 0.6, 300, 1.2);
    cairo_fill(cr);
    cairo_pattern_destroy(flare);
}

// load.jpg: the emblem and the title drawn in a line of light, silver at
// its core in a blue glow, in the upper middle; everything else is exactly
// black, so the spectrum bars of the opening show through it. name.jpg
// then fills the same title with gold.
int LoadPicture(const char *dir) {
    Canvas c = NewCanvas();
    cairo_t *cr = c.cr;
    Emblem(cr, kEmblemX, kEmblemY);
    EmblemFlare(cr);
    Text(cr, "DejaVu Serif", kTitleSize, true, 256, kTitleBaseline, "Glimmerfall");
    for (int k = 4; k >= 1; k--) { // the glow: wide faint strokes first
        cairo_set_line_width(cr, 1.5 + k * 2.0);
        SetColour(cr, 0x3A8CFF, 0.09);
        cairo_stroke_preserve(cr);
    }
    cairo_pattern_t *silver =
        cairo_pattern_create_linear(0, kTitleBaseline - 40, 0, kTitleBaseline);
    cairo_pattern_add_color_stop_rgb(silver, 0, 0.95, 0.98, 1.0);
    cairo_pattern_add_color_stop_rgb(silver, 1, 0.45, 0.62, 0.85);
    cairo_set_source(cr, silver);
    cairo_set_line_width(cr, 1.4);
    cairo_stroke(cr);
    cairo_pattern_destroy(silver);
    // Everything outside the emblem's and the title's box is forced to exact black.
    uint32_t *p = BeginPixels(&c);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++)
            if (y >= 168 || x < 48 || x >= 464 || (p[y * W + x] & 0xF0F0F0) == 0) p[y * W + x] = 0;
    DonePixels(&c);
    return SaveCanvas(dir, "load.jpg", &c);
}

void NameCard(cairo_t *cr);

// The wall's damask at (x, y): 1 on the woven figure, 0 on the ground. A
// fleuron in every 64 x 64 cell, the cells of every other column dropped
// by half a cell, inside a lattice of ogee lines; 64 divides the picture
// both ways, so the figure tiles with it.
double Damask(double x, double y) {
    int col = (int)std::floor(x / 64.0);
    double v = y + (col & 1 ? 32 : 0);
    double u = x - 64 * col - 32;
    v = v - 64 * std::floor(v / 64.0) - 32;
    double r = std::sqrt(u * u + v * v), a = std::atan2(v, u);
    // Four long petals up and down, four short ones across, a bud in the middle.
    double petals = 9 + 9 * std::pow(std::abs(std::sin(a)), 3) + 4 * std::cos(4 * a);
    double figure = Smooth(1.2, -1.2, r - petals) - Smooth(1.0, -1.0, r - 4.5) * 0.6;
    // The ogee lattice: two sine curves crossing between the fleurons.
    double ogee = std::abs(std::abs(u) - 26 - 4 * std::cos(v * kPi / 32));
    return std::clamp(figure + Smooth(1.6, 0.4, ogee), 0.0, 1.0);
}

// The key's outline in the current user space, bow at x -150, shaft along
// the x axis: a ring with a trefoil inside, the shaft, and the bit's teeth.
void KeyPath(cairo_t *cr) {
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_new_path(cr);
    cairo_arc(cr, -150, 0, 52, 0, 2 * kPi);
    for (int k = 0; k < 3; k++) {
        double a = k * 2 * kPi / 3;
        cairo_new_sub_path(cr);
        cairo_arc(cr, -150 + 18 * std::cos(a), 18 * std::sin(a), 14, 0, 2 * kPi);
    }
    cairo_rectangle(cr, -100, -11, 250, 22);
    cairo_move_to(cr, 90, 10);
    cairo_line_to(cr, 90, 56);
    cairo_line_to(cr, 108, 56);
    cairo_line_to(cr, 108, 38);
    cairo_line_to(cr, 122, 38);
    cairo_line_to(cr, 122, 60);
    cairo_line_to(cr, 145, 60);
    cairo_line_to(cr, 145, 10);
    cairo_close_path(cr);
}

// Where the key lies on the wall: its centre and turn.
void KeyPlace(cairo_t *cr) {
    cairo_translate(cr, 256, 128);
    cairo_rotate(cr, -0.35);
}

// key.jpg: a golden key on a royal blue damask wall over black water (blue,
// not teal: the next part fades it into a crimson storm, and blue and
// crimson meet in plum where teal and crimson would meet in grey). The key
// is cast metal, rounded and lit from the upper left, its bow engraved.
int KeyPicture(const char *dir) {
    Canvas c = NewCanvas();
    Shade(&c, [](int x, int y) {
        double n = TileFbm(11, x / 32.0, y / 32.0, 16, 8, 4);     // tiles: 16 x 8 cells
        double silk = TileFbm(12, x / 4.0, y / 16.0, 128, 16, 3); // the weave's slubs
        double figure = Damask(x, y);
        // The figure is woven satin: it takes more light than the ground,
        // and more still where the pool of light falls.
        double t = 0.32 + 0.14 * figure + 0.22 * n + 0.08 * silk;
        static const uint32_t ramp[] = {0x0A0C30, 0x18205E, 0x2C3C96, 0x6A7CC8, 0xB0BCF0};
        // A pool of light on the wall behind the key, falling off to the
        // edges as a product of two cosines, a picture wide and high, so the
        // left edge still meets the right one and the top the bottom. The
        // wall's edges sink nearly to black: the key stands in a spotlight,
        // and when the next part fades the crimson storm in over it, the
        // storm shows in its own colours round the edges instead of a plum
        // wash of damask.
        double pool =
            (0.5 - 0.5 * std::cos(2 * kPi * x / W)) * (0.5 - 0.5 * std::cos(2 * kPi * y / H));
        t += 0.1 * figure * pool;
        // The wall falls into black water below row 212 (and rises out of
        // it over the top rows, where it wraps from the bottom): the
        // opening's spectrum bars keep rising there, under and behind the
        // key, through the whole hold. Every channel must end below 17,
        // which a cumulative fade of level 15 leaves at exact black.
        double water = std::clamp(std::min((212.0 - y) / 40.0, y / 20.0), 0.0, 1.0);
        water = water * water * (3 - 2 * water);
        return Mix(0x000000, Ramp(ramp, 5, t), (0.3 + 0.55 * pool) * water);
    });
    cairo_t *cr = c.cr;
    // The title card, faint, as if engraved in the wall where it stood. The
    // opening dissolves the card into this picture a step a frame, and such
    // a dissolve settles some 16 levels brighter where it came down from a
    // bright pixel than where it rose from black: the card's outline stays
    // as a faint ghost. Here that ghost lands on the card's own engraving,
    // so it reads as the lettering on the wall instead of a smear.
    cairo_push_group(cr);
    NameCard(cr);
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, 0.3);
    // Dust hanging in the spotlight, brightest where the light is.
    uint32_t *p = BeginPixels(&c);
    Rng rng = NewRng(13);
    for (int k = 0; k < 90; k++) {
        double x = RngRange(&rng, 70, 442), y = RngRange(&rng, 36, 186), b = RngFloat(&rng);
        double pool =
            (0.5 - 0.5 * std::cos(2 * kPi * x / W)) * (0.5 - 0.5 * std::cos(2 * kPi * y / H));
        SoftStar(p, x, y, 0.8 + 1.2 * b, 0.45 * pool * (0.3 + 0.7 * b), 0xFFE2B0);
    }
    DonePixels(&c);
    cairo_save(cr);
    KeyPlace(cr);
    // A soft shadow down and to the right, as cast by a light above the
    // wall: layers of the key's shape, each a little further out and
    // fainter, so the key stands off the wall instead of lying in it.
    for (int k = 6; k >= 1; k--) {
        cairo_save(cr);
        cairo_translate(cr, 3 + 1.6 * k, 5 + 2.0 * k);
        KeyPath(cr);
        cairo_set_source_rgba(cr, 0, 0, 0.04, 0.16);
        cairo_fill(cr);
        cairo_restore(cr);
    }
    cairo_restore(cr);
    // The key, then the collars on its shaft, each modelled on its own so
    // the collars stand proud of the shaft.
    const double grain = -0.35; // brushed along the shaft
    auto gold = [&](int x, int y, double diffuse, double glint) {
        return Gold(x, y, diffuse, glint, grain);
    };
    Metal(&c, Coverage([](cairo_t *m) {
        KeyPlace(m);
        KeyPath(m);
    }),
          3, 7.0, gold);
    Metal(&c, Coverage([](cairo_t *m) {
        KeyPlace(m);
        for (double x : {-95.0, -80.0}) cairo_rectangle(m, x, -16, 7, 32);
    }),
          1, 5.0, gold);
    // The bow's engraving: a ring between the rim and the trefoil and a
    // vine of small leaves along the shaft, each cut as a dark groove with
    // a pale lip on its lit side.
    cairo_save(cr);
    KeyPlace(cr);
    auto engrave = [&](auto path) {
        cairo_save(cr);
        cairo_translate(cr, -0.8, -0.8);
        path();
        cairo_set_line_width(cr, 1.0);
        cairo_set_source_rgba(cr, 1.0, 0.95, 0.7, 0.55);
        cairo_stroke(cr);
        cairo_restore(cr);
        path();
        cairo_set_line_width(cr, 1.2);
        cairo_set_source_rgba(cr, 0.22, 0.1, 0.0, 0.75);
        cairo_stroke(cr);
    };
    engrave([&] {
        cairo_new_path(cr);
        cairo_arc(cr, -150, 0, 42, 0, 2 * kPi);
    });
    engrave([&] {
        cairo_new_path(cr);
        for (int k = 0; k < 12; k++) {
            double a = (k + 0.5) * kPi / 6;
            cairo_new_sub_path(cr);
            cairo_arc(cr, -150 + 47 * std::cos(a), 47 * std::sin(a), 2.2, 0, 2 * kPi);
        }
    });
    engrave([&] {
        cairo_new_path(cr);
        cairo_move_to(cr, -70, 0);
        for (double x = -70; x <= 80; x += 2) cairo_line_to(cr, x, 4.5 * std::sin(x * kPi / 15));
        // A leaf at every crossing of the stem, alternately up and down.
        for (double x = -60; x < 75; x += 15) {
            double side = std::fmod(x + 60, 30) < 1 ? -1 : 1;
            cairo_move_to(cr, x, 0);
            cairo_curve_to(cr, x + 2, side * 5, x + 6, side * 7.5, x + 10, side * 7);
            cairo_curve_to(cr, x + 7, side * 4, x + 4, side * 1.5, x, 0);
            cairo_close_path(cr);
        }
    });
    cairo_restore(cr);
    return SaveTilingCanvas(dir, "key.jpg", &c);
}

// The storm's cloud at (x, y), any coordinates (0-1, before the lightning):
// bands turning around a dark eye at (300, 120), billows in them lit from
// the upper left (each pixel against the cloud a few pixels toward the
// light), and fine strands drawn out along the swirl.
double StormCloud(double x, double y) {
    auto at = [](double px, double py, double *bands) {
        double dx = (px - 300) / 256.0, dy = (py - 120) / 256.0;
        double r = std::sqrt(dx * dx + dy * dy) + 1e-6, a = std::atan2(dy, dx);
        double swirl = a + 2.2 / (r + 0.15);
        double cx = std::cos(swirl) * r, cy = std::sin(swirl) * r;
        double n = Fbm(21, cx * 6 + 10, cy * 6 + 10, 5);
        *bands = (0.5 + 0.5 * std::sin(swirl * 3 + n * 4)) * std::min(1.0, r * 3);
        return n;
    };
    double bands, other;
    double n = at(x, y, &bands), lit = n - at(x - 2.5, y - 2.5, &other);
    // Strands: ridged noise stretched along the swirl's direction of travel.
    double dx = (x - 300) / 256.0, dy = (y - 120) / 256.0;
    double r = std::sqrt(dx * dx + dy * dy) + 1e-6, a = std::atan2(dy, dx) + 2.2 / (r + 0.15);
    double strand = 1 - std::abs(Fbm(23, std::cos(a) * r * 40 + 3, std::sin(a) * r * 40 + 3, 3));
    return 0.06 + 0.5 * bands + 0.4 * n + 1.2 * std::clamp(lit, -0.08, 0.08) +
           0.1 * std::pow(strand, 6) * bands;
}

// fear07.jpg: a crimson storm turning around a dark eye, its billows lit
// from the upper left and drawn out in strands, with the glow of forked
// lightning and the light it throws on the cloud round it.
int FearPicture(const char *dir) {
    Canvas c = NewCanvas();
    ShadeTiling(
        &c,
        [](int x, int y) {
            double t = std::clamp(StormCloud(x, y), 0.0, 1.0);
            // Raised to 1.6, the storm sits mostly in deep crimson and only
            // its crests climb to orange and gold: the white point cloud
            // laid over it keeps its contrast, and a cross-fade into the
            // smoke passes through dark wine instead of brown-grey.
            static const uint32_t ramp[] = {0x050000, 0x2C0208, 0x7E0A14, 0xD84A1A, 0xFFC868};
            return Ramp(ramp, 5, std::pow(t, 1.6));
        },
        64);
    cairo_t *cr = c.cr;
    Rng rng = NewRng(22);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (int bolt = 0; bolt < 3; bolt++) {
        // The bolt runs from the top edge to the bottom one and ends where
        // it began, so it continues across the vertical wrap; forks leave
        // it on the way down and die out.
        double x0 = RngRange(&rng, 40, 480), x = x0, y = 0;
        std::vector<std::pair<double, double>> forks;
        cairo_move_to(cr, x, y);
        while (y < H - 22) {
            x += RngRange(&rng, -18, 18);
            y += RngRange(&rng, 8, 22);
            cairo_line_to(cr, x, y);
            if (RngFloat(&rng) < 0.3) forks.push_back({x, y});
        }
        cairo_line_to(cr, x0, H);
        for (auto [fx, fy] : forks) {
            double side = RngFloat(&rng) < 0.5 ? -1 : 1;
            cairo_move_to(cr, fx, fy);
            for (int k = 0; k < 3; k++) {
                fx += side * RngRange(&rng, 6, 16);
                fy += RngRange(&rng, 5, 14);
                cairo_line_to(cr, fx, fy);
            }
        }
        // Only a soft glow, no hard white core: the ripple that Parts Two
        // and Three draw this through folds a thin bright line into rows
        // of pale contours, where a glow folds into a warm shimmer.
        for (int k = 4; k >= 1; k--) {
            SetColour(cr, 0xFF6A3A, 0.07);
            cairo_set_line_width(cr, 5.0 * k);
            cairo_stroke_preserve(cr);
        }
        SetColour(cr, 0xFFB070, 0.12);
        cairo_set_line_width(cr, 2.0);
        cairo_stroke(cr);
    }
    return SaveTilingCanvas(dir, "fear07.jpg", &c);
}

// smoke.jpg: thin wisps of teal smoke in a deep night blue (domain-warped
// noise). Mostly dark, so the white point cloud drawn over it and the
// crystal laid on it later keep their contrast, and in the lake's colours,
// which the show fades into from it.
int SmokePicture(const char *dir) {
    Canvas c = NewCanvas();
    Shade(&c, [](int x, int y) {
        // Four noise cells across and two down: the noise repeats exactly
        // every 512 x 256 pixels, so the smoke tiles.
        double u = x / 128.0, v = y / 128.0;
        double wx = TileFbm(31, u, v, 4, 2, 4), wy = TileFbm(32, u + 3.1, v + 1.7, 4, 2, 4);
        double n = TileFbm(33, u + 1.8 * wx, v + 1.8 * wy, 4, 2, 4);
        // The ramp's lower half holds most of the picture; only the crests
        // of the noise climb to the pale wisps.
        double t = std::clamp(0.45 + 1.0 * n, 0.0, 1.0);
        static const uint32_t ramp[] = {0x030912, 0x0A1E30, 0x123C4E, 0x2C7480, 0xA8E4DA};
        return Ramp(ramp, 5, t * t * (3 - 2 * t));
    });
    return SaveTilingCanvas(dir, "smoke.jpg", &c);
}

// The title card: the emblem of load.jpg in its place, the title in gold
// with a cyan rim where load.jpg outlined it, and the subtitle under it in
// bold near-white, which has to read while it is still at a third of its
// light (it fades in a little each frame over black).
void NameCard(cairo_t *cr) {
    Emblem(cr, kEmblemX, kEmblemY);
    Text(cr, "DejaVu Serif", kTitleSize, true, 256, kTitleBaseline, "Glimmerfall");
    for (int k = 5; k >= 1; k--) { // the glow: wide faint strokes first
        cairo_set_line_width(cr, k * 2.5);
        SetColour(cr, 0x3AA8FF, 0.07);
        cairo_stroke_preserve(cr);
    }
    cairo_pattern_t *gold = cairo_pattern_create_linear(0, kTitleBaseline - 40, 0, kTitleBaseline);
    cairo_pattern_add_color_stop_rgb(gold, 0, 1.0, 0.97, 0.8);
    cairo_pattern_add_color_stop_rgb(gold, 0.55, 0.98, 0.78, 0.28);
    cairo_pattern_add_color_stop_rgb(gold, 1, 0.75, 0.42, 0.1);
    cairo_set_source(cr, gold);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1.2);
    SetColour(cr, 0xCFF4FF, 0.9);
    cairo_stroke(cr);
    cairo_pattern_destroy(gold);
    SetColour(cr, 0xF4FAFF, 1);
    Text(cr, "DejaVu Sans", 16, true, 256, 180, "a real-time demo, drawn pixel by pixel");
    cairo_fill(cr);
}

// A few four-pointed glints on the title's letters, where the light catches them.
void TitleGlints(cairo_t *cr) {
    Rng rng = NewRng(51);
    for (int k = 0; k < 4; k++) {
        double x = RngRange(&rng, 100, 410), y = RngRange(&rng, 112, 146),
               r = RngRange(&rng, 5, 11);
        SetColour(cr, 0xFFFFFF, 0.9);
        cairo_move_to(cr, x - r, y);
        cairo_line_to(cr, x, y - 1);
        cairo_line_to(cr, x + r, y);
        cairo_line_to(cr, x, y + 1);
        cairo_close_path(cr);
        cairo_move_to(cr, x, y - r);
        cairo_line_to(cr, x + 1, y);
        cairo_line_to(cr, x, y + r);
        cairo_line_to(cr, x - 1, y);
        cairo_close_path(cr);
        cairo_fill(cr);
    }
}

// How much cloud stands at (x, y) of the title card's sky (0-1): long
// strata, bent by a second noise so they drift instead of lying in rows,
// thinner overhead than toward the horizon.
double CardCloud(double x, double y) {
    double warp = Fbm(63, x / 80.0, y / 40.0, 3);
    double n = Fbm(61, x / 150.0 + 0.7 * warp, y / 26.0, 5);
    return Smooth(-0.05, 0.35, n) * (0.3 + 0.7 * y / 194.0);
}

// The mountains' crests on the title card: a far range high and hazy, a
// near range low and dark (rows, by column).
double FarRidge(double x) {
    double r = 1 - std::abs(Fbm(71, x / 120.0, 0.3, 5));
    return 176 - 46 * r * r;
}
double NearRidge(double x) {
    double r = 1 - std::abs(Fbm(72, x / 70.0, 0.7, 4));
    return 190 - 22 * r * r;
}

// The title card's sky down to the horizon (row 194): indigo overhead to a
// violet glow behind the title, clouds whose lower edges catch that glow,
// a far range of mountains lost in haze and a near one dark against it,
// its crests rimmed with the glow's light. No pixel is near black (the
// opening's fade, at most level 10 of 256 a frame, lifts a channel off
// black only from 26 up, and a pixel left black would let the spectrum
// bars through): every colour keeps blue at 40 or more.
// The fade raises its level by one every half second, and a channel first
// leaves black once level x channel reaches 256: bright pixels appear
// first, dim ones seconds later. So the sky darkens upward, from a violet
// horizon (there within 2 s) to indigo overhead (blue near 40, there only
// from 3.5 s): the night fills in from the horizon up through the card's
// hold, around the title and stars that came first.
uint32_t CardSky(int x, int y) {
    const double rule = 194;
    double h = y / rule, dx = (x - 256) / 256.0;
    double glow = std::exp(-dx * dx * 2.5) * std::pow(h, 2.0);
    double wide = std::exp(-dx * dx * 1.2) * (0.35 + 0.65 * h);
    static const uint32_t air[] = {0x0A0C26, 0x161844, 0x32206C, 0x7A3480, 0xC8648A};
    uint32_t sky = Ramp(air, 5, 0.75 * h * h + 0.3 * glow);
    double cloud = CardCloud(x, y);
    if (cloud > 0) {
        // The lower edge of a cloud catches the glow from the horizon.
        double lit = std::clamp((cloud - CardCloud(x, y + 3)) * 16 + 0.2, 0.0, 1.0);
        uint32_t shade = Mix(0x1C1846, 0x3A2060, h);
        uint32_t light = Mix(0xC8689A, 0xFFC88A, glow);
        sky = Mix(sky, Mix(shade, light, std::min(1.0, lit * wide * 1.3)), cloud * 0.9);
    }
    double far = FarRidge(x), near = NearRidge(x);
    if (y >= near) {
        // Near slopes: dark, with the rock's grain, the crest rimmed with glow.
        double grain = Fbm(73, x / 9.0, y / 4.0, 3);
        uint32_t rock = Mix(0x0E0A2A, 0x1E1444, 0.5 + grain);
        double rim = std::exp(-(y - near) / 1.6) * (0.25 + 0.75 * wide);
        sky = Mix(rock, 0xF0A0B0, std::min(1.0, rim));
    } else if (y >= far) {
        // Far slopes: faces turned toward the glow behind the title catch
        // its light and the others stay in shade, all of it seen through
        // haze that thickens downward, with the rock's strata as texture.
        double depth = (y - far) / std::max(rule - far, 1.0);
        // The rock's relief: ridged noise, lit from the glow's side.
        auto relief = [](double u, double v) {
            return 1 - std::abs(Fbm(77, u / 26.0, v / 10.0, 5));
        };
        double side = x < 256 ? 1 : -1;
        double lit = std::clamp(0.4 + 5 * side * (relief(x + 1, y) - relief(x - 1, y)) +
                                    3 * (relief(x, y - 1) - relief(x, y + 1)),
                                0.0, 1.0);
        uint32_t slope = Mix(0x1E1648, 0x5E4E98, lit * (1 - 0.7 * depth));
        uint32_t mist = Mix(0x4A2A78, 0xC86A90, glow);
        sky = Mix(slope, mist, depth * depth * 0.8);
        sky = Mix(sky, 0xF0B0C4, std::exp(-(y - far) / 1.4) * 0.7 * wide);
    }
    // A brush's grain over everything, a few levels either way, so no
    // stretch of the sky is a flat gradient.
    double grain = Fbm(75, x / 2.5, y / 2.5, 2) * 10;
    return Rgb((sky >> 16 & 255) + grain, (sky >> 8 & 255) + grain,
               std::max<double>((sky & 255) + grain, 40));
}

// The title's reflection in dark water under the rule: mirrored about the
// rule, squashed to 0.8 of its height and dim, so the spectrum bars rise
// through the black between its letters like light on the water.
void TitleReflection(cairo_t *cr) {
    const double rule = 194;
    cairo_save(cr);
    cairo_rectangle(cr, 0, rule + 2, W, H - rule - 2);
    cairo_clip(cr);
    // y becomes rule + 4 + 0.8 (baseline - y): the baseline lands 4 rows
    // under the rule and the letters hang down from it.
    cairo_translate(cr, 0, rule + 4 + 0.8 * kTitleBaseline);
    cairo_scale(cr, 1, -0.8);
    Text(cr, "DejaVu Serif", kTitleSize, true, 256, kTitleBaseline, "Glimmerfall");
    cairo_pattern_t *gold = cairo_pattern_create_linear(0, kTitleBaseline - 40, 0, kTitleBaseline);
    cairo_pattern_add_color_stop_rgba(gold, 0, 0.55, 0.45, 0.25, 0.25);
    cairo_pattern_add_color_stop_rgba(gold, 1, 0.85, 0.6, 0.2, 0.55);
    cairo_set_source(cr, gold);
    cairo_fill(cr);
    cairo_pattern_destroy(gold);
    cairo_restore(cr);
}

// name.jpg: the title card over mountains under a cloudy night sky, its
// reflection in the water below the rule, and the water's ripple lines
// over the reflection. The title is cast gold, its letters rounded and lit
// from the upper left; the spectrum bars, which show only through black,
// stop at the horizon and play on the water below it as light.
int NamePicture(const char *dir) {
    Canvas c = NewCanvas();
    Shade(&c, [](int x, int y) -> uint32_t { return y >= 194 ? 0 : CardSky(x, y); });
    uint32_t *p = BeginPixels(&c);
    Rng rng = NewRng(52);
    for (int k = 0; k < 140; k++) {
        double x = RngRange(&rng, 0, W), y = RngRange(&rng, 2, 132), b = RngFloat(&rng);
        if (y > FarRidge(x) - 4) continue;
        double clear = 1 - CardCloud(x, y);
        SoftStar(p, x, y, 0.6 + 0.9 * b * b, (0.35 + 0.65 * b) * clear * clear,
                 b > 0.8 ? 0xFFE8C8 : 0xC8DCFF);
    }
    DonePixels(&c);
    NameCard(c.cr);
    EmblemFlare(c.cr);
    Metal(&c, Coverage([](cairo_t *cr) {
        Text(cr, "DejaVu Serif", kTitleSize, true, 256, kTitleBaseline, "Glimmerfall");
    }),
          2, 6.0, [](int x, int y, double diffuse, double glint) {
              return Gold(x, y, diffuse, glint, 0.0);
          });
    TitleGlints(c.cr);
    TitleReflection(c.cr);
    WaterLines(&c);
    // The horizon's glow on the water: along the ripple lines, a path of
    // broken rose light under the title, widening toward the viewer; the
    // black between the lines stays black for the bars.
    uint32_t *q = BeginPixels(&c);
    for (int y = 197; y < H; y++)
        for (int x = 0; x < W; x++) {
            if (q[y * W + x] != 0x081430) continue;
            double spread = 70 + (y - 197) * 2.2, d = (x - 256) / spread;
            double dash = Smooth(0.0, 0.35, Noise(76, x / (6.0 + (y - 197) * 0.3), y * 0.9));
            q[y * W + x] = Mix(0x081430, 0xF090A0, std::exp(-d * d) * dash);
        }
    DonePixels(&c);
    return SaveCanvas(dir, "name.jpg", &c);
}

// overlay01.jpg (loaded, never drawn): a faint honeycomb.
int OverlayPicture(const char *dir) {
    Canvas c = NewCanvas();
    cairo_t *cr = c.cr;
    const double r = 16, h = r * std::sqrt(3.0);
    cairo_set_line_width(cr, 1.5);
    SetColour(cr, 0x4A6A80, 1);
    for (int row = -1; row < 12; row++)
        for (int col = -1; col < 24; col++) {
            double cx = col * 1.5 * r, cy = row * h + (col % 2 ? h / 2 : 0);
            for (int k = 0; k <= 6; k++) {
                double a = k * kPi / 3;
                if (k == 0)
                    cairo_move_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
                else
                    cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
            }
            cairo_stroke(cr);
        }
    return SaveCanvas(dir, "overlay01.jpg", &c);
}

// splat.jpg (loaded, never drawn): paint splats on paper.
int SplatPicture(const char *dir) {
    Canvas c = NewCanvas();
    cairo_t *cr = c.cr;
    SetColour(cr, 0xF4EFE4, 1);
    cairo_paint(cr);
    Rng rng = NewRng(61);
    static const uint32_t paints[] = {0xE0342C, 0x2C7BE0, 0xF2C230, 0x3CB371, 0x8E44AD};
    for (int s = 0; s < 9; s++) {
        double x = RngRange(&rng, 30, 480), y = RngRange(&rng, 30, 230), r = RngRange(&rng, 14, 36);
        SetColour(cr, paints[s % 5], 0.9);
        cairo_arc(cr, x, y, r, 0, 2 * kPi);
        cairo_fill(cr);
        for (int d = 0; d < 14; d++) {
            double a = RngRange(&rng, 0, 2 * kPi), dist = r * RngRange(&rng, 1.0, 2.4);
            cairo_arc(cr, x + dist * std::cos(a), y + dist * std::sin(a), RngRange(&rng, 1.5, 6), 0,
                      2 * kPi);
            cairo_fill(cr);
        }
    }
    return SaveCanvas(dir, "splat.jpg", &c);
}

// Pale Fern part 02.jpg: a dense bed of small fronds over dark green, to wave.
// The fronds lie in three layers, far to near, each with its own ramp from a
// dim to a pale green; a frond's tone follows how densely its points fall,
// so leaflets and midribs keep their grain instead of filling in flat, and
// the layers part by depth. The pixels are made once and kept: Pale Fern
// part 01 is laid on them.
const std::vector<uint32_t> &FernBed(void) {
    static std::vector<uint32_t> bed;
    if (!bed.empty()) return bed;
    bed.resize((size_t)W * H);
    std::vector<uint32_t> acc[3];
    for (auto &a : acc) a.assign((size_t)W * H, 0);
    Rng rng = NewRng(81);
    for (int k = 0; k < 46; k++) {
        double x = RngRange(&rng, -20, 530), y = RngRange(&rng, 40, 300),
               h = RngRange(&rng, 60, 130);
        double angle = RngRange(&rng, -0.8, 0.8);
        // Drawn again a picture's width and height away, so a frond cut by
        // one edge comes back at the other: the bed tiles.
        for (int dy = -1; dy <= 1; dy++)
            for (int dx = -1; dx <= 1; dx++)
                Fern(acc[k % 3].data(), 100 + k, x + dx * W, y + dy * H, h, angle, k % 2, 60000);
    }
    // The far layer is last year's fronds in bronze and rust: a warm tone
    // among the greens, so the bed reads as a living floor, not a pattern.
    static const uint32_t ramps[3][3] = {{0x3A2410, 0x7A4C22, 0xC08A48},
                                         {0x235430, 0x5C9A56, 0x9CCB86},
                                         {0x32703A, 0x8CCB7A, 0xDDF5C8}};
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            double n = TileFbm(82, x / 64.0, y / 64.0, 8, 4, 3);
            uint32_t colour = Mix(0x16452A, 0x32703A, 0.5 + n);
            for (int layer = 0; layer < 3; layer++) {
                uint32_t count = acc[layer][y * W + x];
                if (!count) continue;
                // One point already covers; the tone climbs to the pale end
                // only where some 40 points pile up (a leaflet's spine).
                double t = std::min(1.0, std::log(1.0 + count) / std::log(40.0));
                colour = Mix(colour, Ramp(ramps[layer], 3, t), std::min(1.0, 0.55 + t));
            }
            // Sun and shade in wide patches (a tiling lattice of 4 x 2
            // cells) over one broad swell of light toward the upper right
            // (a cosine a picture wide and high, so it tiles): warm and
            // light where the sun falls, cool and deep in the shade, so the
            // bed has light to read by, even averaged into the coarse mosaic
            // it first shows through.
            double sun = std::clamp(0.5 + 0.8 * TileFbm(83, x / 128.0, y / 128.0, 4, 2, 3) +
                                        0.35 * std::cos(2 * kPi * (x / (double)W - 0.7)) +
                                        0.2 * std::cos(2 * kPi * (y / (double)H - 0.15)),
                                    0.0, 1.0);
            colour = Mix(colour, 0x061020, 0.25 * (1 - sun));
            colour = Mix(colour, 0xF0F070, 0.38 * sun * sun);
            // The bed sinks into shadow toward its top and bottom edges. The
            // parts lay a still copy of the bed's top rows over the waving
            // bed (see Fern1Picture); in shadow the two meet without a seam,
            // where a lit patch there stood out as a pale strip. Top and
            // bottom alike, so the bed still tiles.
            double edge = Smooth(16, 64, std::min(y, H - 1 - y));
            bed[y * W + x] = Mix(colour, 0x0C3418, 0.85 * (1 - edge));
        }
    return bed;
}

int Fern2Picture(const char *dir) {
    Canvas c = NewCanvas();
    const std::vector<uint32_t> &bed = FernBed();
    Shade(&c, [&](int x, int y) { return bed[y * W + x]; });
    return SaveTilingCanvas(dir, "Pale Fern part 02.jpg", &c);
}

// A fern's crown seen from above: seven fronds rising from one heart just
// above the middle, where the crystal turns, each reaching toward an oval
// rim (the picture is twice as wide as high) and all curling the same way,
// so the crown reads as a pinwheel. The crown is drawn about the middle the
// ripple magnifies from, so its fronds stay spokes however hard it pulls;
// in coarse blocks the fronds merge into rays round the crystal. The
// angles skip straight up, where the top band is cleared anyway. Every
// other frond is counted into young instead of acc: the young fronds are
// drawn in a warmer tone, so neighbouring rays stay apart in coarse blocks.
void FernCrown(uint32_t *acc, uint32_t *young) {
    const double cx = 256, cy = 112; // the crown's heart, pixels
    for (int k = 0; k < 7; k++) {
        double a = 0.45 + k * (2 * kPi - 0.9) / 6; // from straight up, clockwise
        double s = std::sin(a), c = std::cos(a);
        // The length that reaches the oval rim in this direction: nearly to
        // the side edges, and past the bottom, so the lower fronds run out
        // of the picture instead of ending in a ring of tips. Points in
        // proportion to the length keep every frond equally dense.
        double reach = 1 / std::sqrt(s * s / (250.0 * 250.0) + c * c / (150.0 * 150.0));
        double base = 10;
        Fern(k % 2 ? young : acc, 71 + k, cx + s * base, cy - c * base, reach * 0.95, a, false,
             (int)(reach * 3200));
    }
}

// Pale Fern part 01.jpg: a fern's crown of bright fronds on exact black. The
// show copies every pixel above 0x011112 over the fern bed, so the black
// must decode as exact black and nothing that is copied may be nearly black
// (dirt on the bed). JPEG rings across every 8 x 8 block that holds an edge, so each
// block that holds any frond is filled around the frond with the fern bed
// itself, as the show lays it underneath (Pale Fern part 02 squeezed to 240
// rows), lifted just clear of nearly black; every other block stays exact
// black, which a flat block decodes to. The filled blocks then match the bed
// they are pasted on, and the fronds keep their own outline instead of
// standing in a frame of dark squares. The top three block rows are filled
// with the bed whole: the parts clear the bed's top 20 rows before the copy,
// which left a black band over the ferns; the copy now lays the bed there,
// where the bed lies in shadow, so it meets the waving bed below without a
// seam. The decoded picture is checked: at
// most 0.5 % of the copied pixels may have every channel below 40.
int Fern1Picture(const char *dir) {
    std::vector<uint32_t> acc((size_t)W * H, 0), young((size_t)W * H, 0);
    FernCrown(acc.data(), young.data());
    std::vector<unsigned char> touched((W / 8) * (H / 8), 0);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++)
            if (acc[y * W + x] || young[y * W + x] || y < 24)
                touched[(y / 8) * (W / 8) + x / 8] = 1;
    const std::vector<uint32_t> &bed = FernBed();
    Canvas c = NewCanvas();
    Shade(&c, [&](int x, int y) -> uint32_t {
        if (!touched[(y / 8) * (W / 8) + x / 8]) return 0;
        uint32_t n = acc[y * W + x], m = young[y * W + x];
        if (n == 0 && m == 0) {
            // The bed under this pixel, a shade darker so the frond stands
            // out, with green kept at 52 or more (ringing takes a few off).
            uint32_t b = Mix(bed[(y * 240 / 256) * W + x], 0x000000, 0.15);
            return (b & 0xFF00FF) | std::max(b >> 8 & 255, 52u) << 8;
        }
        // Where the two kinds cross, the denser one is on top.
        double t = std::min(1.0, std::log(1.0 + std::max(n, m)) / std::log(40.0));
        static const uint32_t ramp[] = {0x3A7A46, 0x8CCB7A, 0xE6FFD8};
        static const uint32_t warm[] = {0x6A6A26, 0xCCBE52, 0xF8E8A8};
        return Ramp(m > n ? warm : ramp, 3, t);
    });
    std::vector<unsigned char> jpeg = EncodeJpeg(BeginPixels(&c), kQuality);
    FreeCanvas(&c);
    Image *decoded = jpeg.empty() ? nullptr : DecodeJpeg(jpeg.data(), jpeg.size(), "fern");
    if (!decoded) {
        std::fprintf(stderr, "assetgen: cannot encode Pale Fern part 01.jpg\n");
        return 0;
    }
    int copied = 0, dark = 0;
    for (int i = 0; i < W * H; i++) {
        uint32_t q = decoded->pixels[i];
        if (q <= 0x011112) continue; // the show's own test: not copied
        copied++;
        dark += (q >> 16 & 255) < 40 && (q >> 8 & 255) < 40 && (q & 255) < 40;
    }
    FreeJpeg(decoded);
    if (dark * 200 > copied) {
        std::fprintf(stderr,
                     "assetgen: Pale Fern part 01.jpg: %d of the %d copied pixels are nearly "
                     "black (at most 0.5 %%)\n",
                     dark, copied);
        return 0;
    }
    return WriteDataFile(dir, "Pale Fern part 01.jpg", jpeg.data(), jpeg.size());
}

// Creds.jpg: the credits over the finale's forest at night. The last five
// butterflies of the finale lie over this picture as blurring blobs for a
// second or two, where the finale left them: up and to the right of the
// middle and high on the left (they only rise with the music there). So the
// lettering keeps to the lower left, on a dark veil, clear of them.
int CredsPicture(const char *dir) {
    Canvas c = NewCanvas();
    Shade(&c, [](int x, int y) {
        static const uint32_t sky[] = {0x04061A, 0x0E1234, 0x2A1A4E, 0x4A2458};
        uint32_t base = Ramp(sky, 4, y / 200.0 + 0.05 * Fbm(91, x / 90.0, y / 90.0, 3));
        // An aurora: a curtain whose lower hem wanders across the sky, bright
        // at the hem and fading upward in fine vertical rays, green at the
        // hem and violet at the top, so the last picture of the show moves
        // the eye across it while the lettering below stays on a dark sky.
        double hem = 66 + 16 * std::sin(x / 95.0 + 0.6) + 10 * Fbm(93, x / 70.0, 0.5, 3);
        double above = hem - y;
        if (above < -6) return base;
        double rays = 0.55 + 0.45 * Fbm(94, x / 5.0, y / 160.0, 3);
        double fold = 0.6 + 0.4 * std::sin(x / 37.0 + 2 * Fbm(95, x / 60.0, 0.0, 2));
        double glow = above < 0 ? std::exp(above / 2.5) : std::exp(-above / 48.0);
        double k = std::clamp(1.1 * rays * fold * glow, 0.0, 1.0);
        uint32_t tint = Mix(0x3CFFA0, 0x9050FF, std::clamp(above / 50.0, 0.0, 1.0));
        auto add = [&](int shift) {
            int v = (base >> shift & 255) + (int)((tint >> shift & 255) * k);
            return (uint32_t)std::min(v, 255) << shift;
        };
        return add(16) | add(8) | add(0);
    });
    cairo_t *cr = c.cr;
    Stars(&c, 92, 110, 150);
    Moon(cr, 420, 52, 34, 0.5);
    static const uint32_t rankColour[] = {0x241640, 0x180E32, 0x0E0824, 0x060414};
    ForestSilhouettes(cr, rankColour, 0);
    // The veil, feathered on its right, behind the lettering.
    cairo_pattern_t *veil = cairo_pattern_create_linear(0, 0, 370, 0);
    cairo_pattern_add_color_stop_rgba(veil, 0.0, 0.02, 0.02, 0.08, 0.85);
    cairo_pattern_add_color_stop_rgba(veil, 0.8, 0.02, 0.02, 0.08, 0.85);
    cairo_pattern_add_color_stop_rgba(veil, 1.0, 0.02, 0.02, 0.08, 0);
    cairo_pattern_t *top = cairo_pattern_create_linear(0, 94, 0, 124);
    cairo_pattern_add_color_stop_rgba(top, 0, 0, 0, 0, 0);
    cairo_pattern_add_color_stop_rgba(top, 1, 0, 0, 0, 1);
    cairo_set_source(cr, veil);
    cairo_mask(cr, top);
    cairo_pattern_destroy(top);
    cairo_pattern_destroy(veil);
    Text(cr, "DejaVu Serif", 46, true, 172, 148, "Glimmerfall");
    cairo_pattern_t *gold = cairo_pattern_create_linear(0, 114, 0, 152);
    cairo_pattern_add_color_stop_rgb(gold, 0, 1.0, 0.95, 0.7);
    cairo_pattern_add_color_stop_rgb(gold, 1, 0.95, 0.7, 0.25);
    cairo_set_source(cr, gold);
    cairo_fill(cr);
    cairo_pattern_destroy(gold);
    const char *roles[3][2] = {{"code", "written by hand in C++20"},
                               {"pictures", "curves, gradients and noise"},
                               {"music", "synthesised sample by sample"}};
    IgnoreFontLeaks(true);
    for (int i = 0; i < 3; i++) {
        double y = 176 + i * 21;
        cairo_text_extents_t e;
        cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        cairo_set_font_size(cr, 14.5);
        cairo_text_extents(cr, roles[i][0], &e);
        cairo_move_to(cr, 90 - e.width - e.x_bearing, y);
        SetColour(cr, 0x8FD3FF, 1);
        cairo_show_text(cr, roles[i][0]);
        cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                               CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, 16.5);
        cairo_move_to(cr, 99, y);
        SetColour(cr, 0xF0F0FF, 1);
        cairo_show_text(cr, roles[i][1]);
    }
    // The sign-off, in the title's gold.
    cairo_select_font_face(cr, "DejaVu Serif", CAIRO_FONT_SLANT_ITALIC, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 14);
    cairo_move_to(cr, 20, 236);
    SetColour(cr, 0xE8C87A, 1);
    cairo_show_text(cr, "greetings to all who still draw every pixel");
    IgnoreFontLeaks(false);
    return SaveCanvas(dir, "Creds.jpg", &c);
}

// moah.jpg: molten glass in lavender, blue and teal, folded in slow swirls
// and lit from the upper left, where the spikeball's light stands, so its
// folds stand in relief: cool, against the gold ball turning in front of
// it. It tiles seamlessly. The part scrolls it by an offset that jumps with
// bin 0 on every frame and inverts it on beats, so every hue sits at mid
// grey's luminance and so does its inverse (the inverse is an amber and
// coral glass as bright). Stained glass with dark
// leading was tried here: every jump of the scroll threw its lines across
// the view, a flicker of edges that fought the spikeball in front; soft
// folds shift without edges, and the ball stays the one sharp thing.
// Evens out a wrapping picture against its inverse: wherever the mean, over
// a (2 radius + 1) square, of luminance minus the inverse's luminance (in
// linear light) strays from 0, every pixel there is lifted or lowered by as
// many codes in all three channels as bring it back, so inverting the
// picture leaves each patch as bright as it was and flashes nowhere. The
// texture finer than the square stays as it was.
void BalanceAgainstInverse(uint32_t *p, int radius) {
    auto imbalance = [](uint32_t q, double k) {
        double r = (q >> 16 & 255) + k, g = (q >> 8 & 255) + k, b = (q & 255) + k;
        auto lin = [](double v) { return LinearOf((int)std::lround(std::clamp(v, 0.0, 255.0))); };
        return 0.2126 * (lin(r) - lin(255 - r)) + 0.7152 * (lin(g) - lin(255 - g)) +
               0.0722 * (lin(b) - lin(255 - b));
    };
    for (int round = 0; round < 3; round++) {
        std::vector<double> d(W * H), rows(W * H), box(W * H);
        for (int i = 0; i < W * H; i++) d[i] = imbalance(p[i], 0);
        // Box mean on the torus: along each row, then down each column.
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++) {
                double sum = 0;
                for (int k = -radius; k <= radius; k++) sum += d[y * W + (x + k + W) % W];
                rows[y * W + x] = sum / (2 * radius + 1);
            }
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++) {
                double sum = 0;
                for (int k = -radius; k <= radius; k++) sum += rows[((y + k + H) % H) * W + x];
                box[y * W + x] = sum / (2 * radius + 1);
            }
        for (int i = 0; i < W * H; i++) {
            // How the imbalance moves with one code more in every channel.
            double slope = std::max(1e-4, (imbalance(p[i], 4) - imbalance(p[i], -4)) / 8);
            double k = std::clamp(-box[i] / slope, -24.0, 24.0);
            p[i] = Rgb((p[i] >> 16 & 255) + k, (p[i] >> 8 & 255) + k, (p[i] & 255) + k);
        }
    }
}

int MoahPicture(const char *dir) {
    Canvas c = NewCanvas();
    // A fold field: fractal noise looked up through two more of its kind
    // (domain warping), at periods that divide the picture, so it tiles.
    auto field = [](double x, double y) {
        double wx = 0.9 * TileFbm(108, x / 128.0, y / 128.0, W / 128, H / 128, 3);
        double wy = 0.9 * TileFbm(109, x / 128.0, y / 128.0, W / 128, H / 128, 3);
        return TileFbm(110, x / 128.0 + wx, y / 128.0 + wy, W / 128, H / 128, 4);
    };
    Shade(&c, [&](int x, int y) {
        // Hue from lavender (1.2) through blue to teal (2.6) with the field;
        // the relief from the field's fall toward the light, as many codes
        // lighter on the lit slopes as darker on the others.
        double f = field(x, y);
        uint32_t glass = IsoColour(1.9 + 1.4 * f, 100);
        double lit = std::clamp((field(x - 3, y - 3) - f) * 260, -30.0, 30.0);
        return Rgb((glass >> 16 & 255) + lit, (glass >> 8 & 255) + lit, (glass & 255) + lit);
    });
    BalanceAgainstInverse(BeginPixels(&c), 24);
    DonePixels(&c);
    return SaveTilingCanvas(dir, "moah.jpg", &c);
}

// cani01.jpg: a wolf howls at a huge moon over dusk hills. The parts that
// show it lay a cube over the middle of the view (about x 190-345, rows
// 10-175), lit by a light up and to the left of it, and light shafts between
// the moon and the wolf. So the moon hangs at the left, where the cube's
// light comes from (its lit sides face the moon, its dark sides the wolf),
// and the wolf sits at the far right howling back at it: the cube turns in
// the open sky between them, and nothing covers the wolf's head. The scene
// is drawn with the wolf at the left and mirrored as a whole at the end.
// Turns the canvas's picture left for right.
void MirrorCanvas(Canvas *c) {
    uint32_t *p = BeginPixels(c);
    for (int y = 0; y < H; y++) std::reverse(p + y * W, p + y * W + W);
    DonePixels(c);
}

// The wolf's dusk without the wolf, unmirrored: violet sky warming to amber
// at the hills, banks of cloud whose edges toward the moon catch its light,
// soft stars in the dark upper sky, the moon at the right in a wide glow,
// and four ridges of hills that pale into the haze the farther they lie,
// each with a moonlit crest and a textured face. Painted pixel by pixel:
// every highlight is several pixels wide, so the parts that magnify the
// picture (Twelve's ripple doubles it and more) show soft glows, never a
// lone bright pixel blown up to a square. The dragon's picture is drawn on
// the same dusk, so the fade from the one to the other keeps sky, moon and
// horizon and only the beast changes.
void DrawDusk(Canvas &c) {
    const double mx = kDuskMoonX, my = kDuskMoonY, disc = kDuskMoonRadius;
    Rng rng = NewRng(112);
    struct Star {
        double x, y, level, size;
    };
    std::vector<Star> stars;
    for (int i = 0; i < 46; i++) {
        double x = RngRange(&rng, 0, W), y = RngRange(&rng, 2, 112), b = RngFloat(&rng);
        stars.push_back({x, y, 0.35 + 0.65 * b, 1.3 + 1.0 * b});
    }
    // Ridge tops, far (0) to near (3): the far ones lower in amplitude.
    auto ridge = [](int k, double x) {
        static const double base[] = {176, 190, 205, 224}, amp[] = {34, 30, 26, 18};
        return base[k] - amp[k] * Fbm(113 + k, x / (150.0 - k * 20), k * 3.1, 4) -
               (k == 1 ? 16 * std::sin(x / 90.0) : 0);
    };
    auto cloud = [](double x, double y) {
        // Long banks, thickest in a band across the middle of the sky.
        // The middle of the picture stays clear sky: Twelve's ripple
        // magnifies the few pixels there to whole blocks, and only an even
        // gradient shows no block edges.
        double clear =
            1 - std::exp(-std::pow((x - W / 2) / 48.0, 2) - std::pow((y - H / 2) / 36.0, 2));
        double band = std::exp(-std::pow((y - 96) / 48.0, 2)) * clear;
        double n = Fbm(117, x / 130.0, y / 24.0, 4) + 0.35 * band - 0.22;
        return Smooth(-0.08, 0.4, n) * band;
    };
    Shade(&c, [&](int x, int y) -> uint32_t {
        static const uint32_t sky[] = {0x1A0F3C, 0x4B2366, 0xB24A6E, 0xF29A5C};
        uint32_t base = Ramp(sky, 4, y / 230.0 + 0.04 * Fbm(111, x / 90.0, y / 45.0, 2));
        double col[3] = {(double)(base >> 16 & 255), (double)(base >> 8 & 255),
                         (double)(base & 255)};
        auto over = [&](uint32_t colour, double a) {
            for (int i = 0; i < 3; i++)
                col[i] += ((colour >> (16 - 8 * i) & 255) - col[i]) * std::clamp(a, 0.0, 1.0);
        };
        auto add = [&](uint32_t colour, double a) {
            for (int i = 0; i < 3; i++) col[i] += (colour >> (16 - 8 * i) & 255) * a;
        };
        double dx = x - mx, dy = y - my, d = std::hypot(dx, dy);
        // The moon's glow: a tight bright halo and a wide faint one.
        double out = std::max(d - disc, 0.0);
        add(0xFFC89A, 0.55 * std::exp(-out / 14.0) + 0.22 * std::exp(-out / 70.0));
        // The disc: cream, darker toward the limb, with grey seas.
        double edge = Smooth(disc + 0.8, disc - 0.8, d);
        if (edge > 0) {
            double limb = std::sqrt(std::max(0.0, 1 - (d / disc) * (d / disc)));
            double seas = Smooth(0.05, 0.35, Fbm(131, x / 22.0, y / 22.0, 4));
            uint32_t face = Mix(0xF6DDB0, 0xFFFAEA, 0.35 + 0.65 * limb);
            over(Mix(face, 0xC9A88E, 0.45 * seas), edge);
        }
        // Clouds: dusky violet bodies, their edges toward the moon lit.
        double dens = cloud(x, y);
        if (dens > 0.001) {
            double ux = -dx / (d + 1e-9), uy = -dy / (d + 1e-9);
            double lit = std::clamp((dens - cloud(x + ux * 6, y + uy * 6)) * 2.5, 0.0, 1.0);
            double near = std::exp(-d / 160.0);
            over(Mix(0x2E1A46, 0x5A3868, near), dens * 0.8);
            add(0xFFD2A8, dens * (0.15 * near + lit * (0.25 + 0.9 * near)));
        }
        // Stars: soft discs, hidden by cloud and lost in the moon's glow.
        double starry = (1 - dens) * Smooth(90, 170, d) * Smooth(150, 60, y) *
                        Smooth(30, 60, std::hypot(x - W / 2, y - H / 2));
        if (starry > 0)
            for (const Star &s : stars) {
                double r2 = (x - s.x) * (x - s.x) + (y - s.y) * (y - s.y);
                if (r2 < 16 * s.size * s.size)
                    add(0xDCE4FF, starry * s.level * std::exp(-r2 / (2 * s.size * s.size)));
            }
        // Hills, far to near, each over the ones behind it.
        for (int k = 0; k < 4; k++) {
            double top = ridge(k, x), depth = y - top;
            if (depth < -1) continue;
            static const uint32_t face[] = {0x6E3C70, 0x4C2858, 0x2E1A44, 0x170C26};
            double rough = Fbm(140 + k, x / (9.0 + 5 * k), y / (5.0 + 2 * k), 4);
            uint32_t hill =
                Mix(face[k], rough > 0 ? 0x8A5A8A : 0x0A0414, std::fabs(rough) * (0.25 + 0.08 * k));
            // Haze pools at the foot of every ridge but the nearest.
            if (k < 3) hill = Mix(hill, 0xC06A7A, 0.45 * Smooth(4, 46, depth) * (1 - k / 3.0));
            // The crest catches the moon on the slopes that face it.
            double slope = ridge(k, x + 2) - ridge(k, x - 2);
            double facing =
                std::clamp(0.5 - slope * 0.25 * std::clamp((mx - x) / 40, -1.0, 1.0), 0.0, 1.0);
            double crest = std::exp(-std::max(depth, 0.0) / 2.2) * facing *
                           (0.25 + 0.75 * std::exp(-std::fabs(x - mx) / 260.0));
            hill = Mix(hill, 0xF0B894, 0.75 * crest);
            over(hill, Smooth(-1, 1, depth));
        }
        return Rgb(col[0], col[1], col[2]);
    });
}

void DrawCani1(Canvas &c) {
    DrawDusk(c);
    cairo_t *cr = c.cr;
    // The wolf, sitting on the near hill, head thrown back, howling at the
    // moon: bushy tail, round haunch, arched neck, two pointed ears, open
    // jaws, deep chest, a straight foreleg and the folded hind leg. Drawn
    // in its own frame, moved left and a little smaller, its paws kept on
    // the ground line.
    cairo_save(cr);
    cairo_translate(cr, 150 - 64, 238);
    cairo_scale(cr, 0.94, 0.94);
    cairo_translate(cr, -150, -238);
    cairo_move_to(cr, 66, 238);
    cairo_curve_to(cr, 70, 226, 92, 214, 116, 212);   // tail up to the haunch
    cairo_curve_to(cr, 108, 194, 116, 170, 138, 160); // round haunch
    cairo_curve_to(cr, 150, 152, 160, 134, 164, 114); // back to the shoulders
    cairo_curve_to(cr, 166, 100, 168, 88, 174, 78);   // arched neck
    cairo_line_to(cr, 170, 58);                       // back ear
    cairo_line_to(cr, 184, 70);
    cairo_line_to(cr, 188, 54); // front ear
    cairo_line_to(cr, 196, 68);
    cairo_curve_to(cr, 204, 64, 214, 54, 226, 42); // brow to the muzzle
    cairo_line_to(cr, 233, 38);                    // nose
    cairo_line_to(cr, 234, 45);
    cairo_line_to(cr, 224, 53);                       // upper jaw, mouth open
    cairo_line_to(cr, 232, 56);                       // lower jaw
    cairo_curve_to(cr, 222, 66, 212, 76, 204, 86);    // throat
    cairo_curve_to(cr, 208, 102, 216, 122, 212, 142); // deep chest
    cairo_line_to(cr, 214, 202);                      // foreleg
    cairo_line_to(cr, 217, 233);
    cairo_line_to(cr, 228, 238); // paw
    cairo_line_to(cr, 203, 238);
    cairo_line_to(cr, 202, 204);
    cairo_curve_to(cr, 196, 196, 186, 198, 176, 204); // belly
    cairo_curve_to(cr, 168, 214, 174, 230, 188, 236); // folded hind leg
    cairo_line_to(cr, 150, 238);
    cairo_close_path(cr);
    cairo_restore(cr); // the path stays where it was drawn, read back unscaled
    // The silhouette as a coverage mask, then painted pixel by pixel: ink
    // fur with a grain that runs down the body, and a band of moonlight
    // several pixels wide on every edge that faces the moon (the muzzle,
    // throat, chest and foreleg), fading into the fur. Nothing is a
    // one-pixel line, so no magnified outline turns to blocks.
    cairo_path_t *wolf = cairo_copy_path(cr);
    cairo_new_path(cr);
    std::vector<double> outline = Coverage<double>([&](cairo_t *m) { cairo_append_path(m, wolf); });
    cairo_path_destroy(wolf);
    // The outline breaks into tufts of fur: the mask is read through a
    // small noisy displacement, finer along the fur's fall than across it.
    std::vector<double> mask(W * H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            double fx = std::clamp(x + 2.4 * Fbm(161, x / 2.5, y / 6.0, 2), 0.0, W - 1.001),
                   fy = std::clamp(y + 2.4 * Fbm(162, x / 2.5, y / 6.0, 2), 0.0, H - 1.001);
            int ix = (int)fx, iy = (int)fy;
            double u = fx - ix, v = fy - iy;
            const double *m = &outline[iy * W + ix];
            mask[y * W + x] =
                (m[0] * (1 - u) + m[1] * u) * (1 - v) + (m[W] * (1 - u) + m[W + 1] * u) * v;
        }
    std::vector<double> soft = mask, wide = mask;
    BlurField(soft, 2, 2);
    BlurField(wide, 5, 2);
    uint32_t *p = BeginPixels(&c);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            double m = mask[y * W + x];
            if (m <= 0) continue;
            double dx = kDuskMoonX - x, dy = kDuskMoonY - y, d = std::hypot(dx, dy);
            // How much of the body lies a few pixels toward the moon: where
            // little does, the fur faces the moon.
            int sx = std::clamp((int)std::lround(x + dx / d * 3), 0, W - 1),
                sy = std::clamp((int)std::lround(y + dy / d * 3), 0, H - 1);
            double lit = std::pow(std::clamp(1 - soft[sy * W + sx] * 1.1, 0.0, 1.0), 1.5);
            // A broader sheen: the half of the body turned to the moon.
            int wx = std::clamp((int)std::lround(x + dx / d * 10), 0, W - 1),
                wy = std::clamp((int)std::lround(y + dy / d * 10), 0, H - 1);
            double sheen = std::clamp(1 - wide[wy * W + wx] * 1.2, 0.0, 1.0);
            double fur = Fbm(151, x / 2.2, y / 9.0, 3);
            uint32_t body = Mix(0x07030E, fur > 0 ? 0x140A1E : 0x030108, std::fabs(fur));
            // Moonlight on the fur, broken by the grain into strands.
            double rim = lit * (0.7 + 0.3 * fur) * (y < 232 ? 1 : 0);
            body = Mix(body, 0x5A3E6A, 0.3 * sheen * (0.6 + 0.4 * fur));
            body = Mix(body, 0xFFD0A0, 0.85 * rim);
            p[y * W + x] = Mix(p[y * W + x], body, m);
        }
    // An amber eye, a soft glint of three pixels.
    for (int y = 72; y < 85; y++)
        for (int x = 131; x < 144; x++) {
            double r2 = (x - 137) * (x - 137) + (y - 78) * (y - 78);
            p[y * W + x] = Mix(p[y * W + x], 0xFFA030, 0.7 * mask[y * W + x] * std::exp(-r2 / 2.5));
        }
    DonePixels(&c);
    MirrorCanvas(&c);
}

int Cani1Picture(const char *dir) {
    Canvas c = NewCanvas();
    DrawCani1(c);
    return SaveCanvas(dir, "cani01.jpg", &c);
}

// cani02.jpg: the same scene under an aurora; flips against cani01 on loud
// frames. Every pixel keeps cani01's own light (its luminance) and takes a
// night palette instead of the dusk's: the sky deep blue to teal, the moon
// ivory, and across the sky curtains of aurora, green low and violet high,
// their fine rays a ripple of light around that same luminance that
// averages out over a few pixels. So a flip changes the colours and lays
// the curtains in, but leaves every region as bright as it was (no flash),
// and the wolf, the moon and the hills keep their edges, sharp: the flip
// reads as the sky over the same wolf lighting up on the beat.
int Cani2Picture(const char *dir) {
    Canvas c = NewCanvas();
    DrawCani1(c);
    uint32_t *p = BeginPixels(&c);
    static const uint32_t night[] = {0x0C1440, 0x1A4C86, 0x4CB4C4, 0xF6F0D4};
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            double m = Luminance(p[y * W + x]);
            // The curtains hang from a wavering top and fade downward, only
            // over the sky (the hills begin about row 150).
            double hem = 120 + 28 * Fbm(171, x / 80.0, 0.5, 3);
            double veil = Smooth(hem + 10, hem - 40, y) * Smooth(8, 50, y) *
                          (0.55 + 0.45 * Fbm(172, x / 45.0, 1.5, 3) * 2);
            veil = std::clamp(veil, 0.0, 1.0);
            double ray = std::sin(x / 2.6 + 9 * Fbm(173, x / 70.0, y / 90.0, 3));
            double tone = std::clamp(std::sqrt(m) * 1.1, 0.0, 1.0);
            uint32_t hue = Ramp(night, 4, tone);
            uint32_t aurora = Mix(0x3CE0A0, 0xB070F0, Smooth(hem - 10, hem - 90, y));
            // The moon's disc stays ivory behind the curtains.
            veil *= Smooth(50, 70, std::hypot(x - (W - 1 - kDuskMoonX), y - kDuskMoonY));
            hue = Mix(hue, aurora, 0.8 * veil);
            double l = m + 0.45 * std::min(m, 1 - m) * ray * veil;
            uint32_t out = WithLuminance(hue, l);
            // A saturated hue cannot reach the moon's light: it pales
            // toward white until it does.
            for (double pale = 0.1; pale <= 1.0 && Luminance(out) < l - 0.01; pale += 0.1)
                out = WithLuminance(Mix(hue, 0xFFFFFF, pale), l);
            p[y * W + x] = out;
        }
    DonePixels(&c);
    return SaveCanvas(dir, "cani02.jpg", &c);
}

// drake.jpg: a black dragon on the wolf's own dusk (the same sky, stars,
// moon and hills as cani01, mirrored the same way), rimmed in the moon's
// light, breathing fire. The picture before it fades into it over two
// seconds: with the horizon, the moon and the colours shared, the fade
// reads as one move, the wolf's dark shape at the right growing into the
// dragon's wing, the head rising before the moon at the left. A silhouette
// reads through everything the parts do to it (the inversion on the beats
// turns it white on a green sky, still the same shape). The last part lays
// a neon heart over the middle of the view, so the dragon frames the middle
// instead of crossing it: the body low along the hills, the wing up in the
// right third, the neck rising at the left to the head and the fire before
// the moon. Every outline says dragon rather than hull and sail: the wing
// springs from the shoulders, its arm bent at the elbow, its finger bones
// fanning back from the wrist with the skin scalloped between them; the
// body swells at the chest and tapers to a tail that curls into a spade;
// clawed legs tuck under the belly. Drawn unmirrored (wing left, head
// right), like the wolf.
int DrakePicture(const char *dir) {
    Canvas c = NewCanvas();
    DrawDusk(c);
    cairo_t *cr = c.cr;
    const uint32_t ink = 0x040206, rim = 0xF2C46A;
    // A limb or body along a smooth curve through knots of x, y and
    // half-width: the curve runs from midpoint to midpoint of the knots,
    // each knot bending it as a control point (a knot given twice makes a
    // joint). Sampled at n + 1 points spaced evenly along it: the middle
    // (x, y), half-width w, heading (alongX, alongY) and the two sides, u
    // to the right of the heading (the belly) and l to its left (the back).
    struct Tube {
        std::vector<double> x, y, w, alongX, alongY, ux, uy, lx, ly;
    };
    auto tube = [](const std::vector<double> &knots, int n) {
        const int nk = (int)knots.size() / 3, steps = 40;
        std::vector<double> dense, along;
        for (int k = 1; k < nk - 1; k++)
            for (int j = 0; j < steps + (k == nk - 2); j++) {
                double t = (double)j / steps;
                for (int q = 0; q < 3; q++) {
                    const double *at = &knots[3 * k + q];
                    double from = k == 1 ? at[-3] : (at[-3] + at[0]) / 2,
                           to = k == nk - 2 ? at[3] : (at[0] + at[3]) / 2;
                    dense.push_back((1 - t) * (1 - t) * from + 2 * t * (1 - t) * at[0] +
                                    t * t * to);
                }
                size_t m = dense.size() - 3;
                along.push_back(m ? along.back() + std::hypot(dense[m] - dense[m - 3],
                                                              dense[m + 1] - dense[m - 2])
                                  : 0.0);
            }
        Tube b;
        for (std::vector<double> *v :
             {&b.x, &b.y, &b.w, &b.alongX, &b.alongY, &b.ux, &b.uy, &b.lx, &b.ly})
            v->resize(n + 1);
        for (int i = 0, j = 0; i <= n; i++) {
            double want = along.back() * i / n;
            while (j + 2 < (int)along.size() && along[j + 1] < want) j++;
            double f = std::clamp((want - along[j]) / (along[j + 1] - along[j] + 1e-9), 0.0, 1.0);
            b.x[i] = dense[3 * j] + (dense[3 * j + 3] - dense[3 * j]) * f;
            b.y[i] = dense[3 * j + 1] + (dense[3 * j + 4] - dense[3 * j + 1]) * f;
            b.w[i] = dense[3 * j + 2] + (dense[3 * j + 5] - dense[3 * j + 2]) * f;
        }
        for (int i = 0; i <= n; i++) {
            int a = std::max(i - 1, 0), z = std::min(i + 1, n);
            double l = std::hypot(b.x[z] - b.x[a], b.y[z] - b.y[a]) + 1e-9;
            b.alongX[i] = (b.x[z] - b.x[a]) / l, b.alongY[i] = (b.y[z] - b.y[a]) / l;
            b.ux[i] = b.x[i] - b.alongY[i] * b.w[i], b.uy[i] = b.y[i] + b.alongX[i] * b.w[i];
            b.lx[i] = b.x[i] + b.alongY[i] * b.w[i], b.ly[i] = b.y[i] - b.alongX[i] * b.w[i];
        }
        return b;
    };
    // The tube's outline, along one side and back along the other.
    auto outline = [&](const Tube &b) {
        int n = (int)b.x.size() - 1;
        cairo_move_to(cr, b.ux[0], b.uy[0]);
        for (int i = 1; i <= n; i++) cairo_line_to(cr, b.ux[i], b.uy[i]);
        for (int i = n; i >= 0; i--) cairo_line_to(cr, b.lx[i], b.ly[i]);
        cairo_close_path(cr);
    };
    // The spine from the tail's tip (left) to the back of the head (right):
    // the tail curls down and up into a spade under the wing, the body
    // swells to the chest, low along the hills through the middle, and the
    // neck arches up at the right to hold the head before the moon.
    const int n = 160;
    const Tube spine = tube({40,  176, 2,   16,  198, 3,   22,  232, 5,   60,  242, 8,   104,
                             226, 14,  150, 214, 19,  206, 206, 25,  246, 200, 24,  280, 196,
                             17,  312, 176, 14,  330, 146, 13,  346, 120, 13,  364, 110, 13},
                            n);
    const std::vector<double> &sx = spine.x, &sy = spine.y, &sw = spine.w, &alongX = spine.alongX,
                              &alongY = spine.alongY, &ux = spine.ux, &uy = spine.uy,
                              &lx = spine.lx, &ly = spine.ly;
    // The silhouette in pieces (wing, arm, spikes, legs, spade, body, head,
    // horns): every piece is rimmed in moonlight first, then every piece
    // filled with ink, so the rim shows only along the outline and never
    // where two pieces overlap.
    std::vector<cairo_path_t *> pieces;
    auto keep = [&]() {
        pieces.push_back(cairo_copy_path(cr));
        cairo_new_path(cr);
        return pieces.size() - 1;
    };
    // The wing, raised: the arm climbs from the shoulder up and back to the
    // elbow, bends there and goes on to the wrist; four fingers fan back
    // from the wrist, each bowing upward a tenth of its length off its
    // chord, and the membrane is scalloped between the finger tips (each
    // scallop sagging toward the wrist, as a stretched skin does) and back
    // to the hips.
    const double wrist[2] = {112, 60};
    const Tube arm = tube({238, 194, 8, 196, 118, 5.5, 196, 118, 5.5, wrist[0], wrist[1], 3.5}, 40);
    const double tips[4][2] = {{14, 16}, {6, 88}, {34, 140}, {80, 170}};
    const double root[2] = {118, 204};
    double bend[4][2];
    for (int k = 0; k < 4; k++) {
        double dx = tips[k][0] - wrist[0], dy = tips[k][1] - wrist[1], up = dx > 0 ? 0.1 : -0.1;
        bend[k][0] = wrist[0] + dx / 2 + dy * up, bend[k][1] = wrist[1] + dy / 2 - dx * up;
    }
    // The point a scallop bows toward: a third of the way from the middle
    // of its chord to the wrist.
    auto sag = [&](double x0, double y0, double x1, double y1, double *cx, double *cy) {
        *cx = (x0 + x1) / 2 + ((wrist[0] - (x0 + x1) / 2)) * 0.3;
        *cy = (y0 + y1) / 2 + ((wrist[1] - (y0 + y1) / 2)) * 0.3;
    };
    cairo_move_to(cr, arm.x[0], arm.y[0]);
    for (size_t i = 1; i < arm.x.size(); i++) cairo_line_to(cr, arm.x[i], arm.y[i]);
    cairo_curve_to(cr, bend[0][0], bend[0][1], bend[0][0], bend[0][1], tips[0][0], tips[0][1]);
    double cx, cy;
    for (int k = 0; k < 4; k++) {
        const double *to = k < 3 ? tips[k + 1] : root;
        sag(tips[k][0], tips[k][1], to[0], to[1], &cx, &cy);
        cairo_curve_to(cr, cx, cy, cx, cy, to[0], to[1]);
    }
    cairo_line_to(cr, 200, 200);
    cairo_close_path(cr);
    const size_t wing = keep();
    outline(arm);
    keep();
    // Spikes along the back of the neck and the tail, raked toward the tail
    // and sized to the body under them; none under the wing.
    for (int i = 8; i < n - 6; i += 6) {
        if (sx[i] > 110 && sx[i] < 250) continue;
        double h = 3 + 0.6 * sw[i], nx = lx[i] - sx[i], ny = ly[i] - sy[i];
        double nl = std::hypot(nx, ny) + 1e-9;
        nx /= nl, ny /= nl;
        cairo_move_to(cr, lx[i - 2], ly[i - 2]);
        cairo_curve_to(cr, lx[i] + nx * h * 0.5, ly[i] + ny * h * 0.5,
                       lx[i] + nx * h * 0.9 - alongX[i] * h * 0.4,
                       ly[i] + ny * h * 0.9 - alongY[i] * h * 0.4,
                       lx[i] + nx * h - alongX[i] * h * 0.8, ly[i] + ny * h - alongY[i] * h * 0.8);
        cairo_line_to(cr, lx[i + 2], ly[i + 2]);
        cairo_close_path(cr);
        keep();
    }
    // The legs, tucked under the belly as it flies: the foreleg folded back
    // at the elbow with its claws curled forward under the chest, the hind
    // leg a heavy thigh, the shin trailing back to a clawed foot.
    // Each outline: from where it leaves the body, two curves down the
    // outer side to the foot, three claws (tip, notch), and two curves back
    // up the inner side.
    // clang-format off
    const double legs[2][19][2] = {
        {{192, 212}, {186, 228}, {186, 240}, {196, 245}, {206, 249}, {218, 248}, {228, 244},
         {237, 249}, {232, 241}, {241, 243}, {233, 236}, {239, 233}, {226, 234},
         {216, 238}, {206, 238}, {203, 232}, {204, 224}, {208, 218}, {212, 214}},
        {{134, 208}, {148, 224}, {140, 242}, {124, 244}, {114, 246}, {102, 248}, {92, 248},
         {74, 253}, {84, 246}, {69, 245}, {84, 242}, {72, 237}, {90, 240},
         {100, 240}, {108, 236}, {112, 232}, {104, 228}, {96, 222}, {94, 216}}};
    // clang-format on
    for (const auto &leg : legs) {
        auto curve = [&](int k) {
            cairo_curve_to(cr, leg[k][0], leg[k][1], leg[k + 1][0], leg[k + 1][1], leg[k + 2][0],
                           leg[k + 2][1]);
        };
        cairo_move_to(cr, leg[0][0], leg[0][1]);
        curve(1);
        curve(4);
        for (int k = 7; k < 13; k++) cairo_line_to(cr, leg[k][0], leg[k][1]);
        curve(13);
        curve(16);
        cairo_close_path(cr);
        keep();
    }
    // The tail ends in a spade: a barbed leaf pointing on along the curl.
    {
        double px = sx[0], py = sy[0], dx = -alongX[0], dy = -alongY[0], nx = -dy, ny = dx;
        auto at = [&](double along, double across) {
            cairo_line_to(cr, px + dx * along + nx * across, py + dy * along + ny * across);
        };
        cairo_move_to(cr, px + nx * 2, py + ny * 2);
        at(-4, 9);
        cairo_curve_to(cr, px + dx * 6 + nx * 8, py + dy * 6 + ny * 8, px + dx * 12 + nx * 3,
                       py + dy * 12 + ny * 3, px + dx * 17, py + dy * 17);
        cairo_curve_to(cr, px + dx * 12 - nx * 3, py + dy * 12 - ny * 3, px + dx * 6 - nx * 8,
                       py + dy * 6 - ny * 8, px - dx * 4 - nx * 9, py - dy * 4 - ny * 9);
        at(0, -2);
        cairo_close_path(cr);
        keep();
    }
    outline(spine);
    const size_t body = keep();
    // Head at the neck's end: a rounded skull, a long snout, open jaws and
    // two horns swept back, the far one shorter and lower.
    const double hx = sx[n], hy = sy[n];
    cairo_move_to(cr, hx - 14, hy - 22);
    cairo_curve_to(cr, hx + 16, hy - 36, hx + 44, hy - 30, hx + 74, hy - 14);
    cairo_line_to(cr, hx + 78, hy - 4);
    cairo_line_to(cr, hx + 36, hy);
    cairo_line_to(cr, hx + 72, hy + 14);
    cairo_curve_to(cr, hx + 44, hy + 26, hx + 16, hy + 28, hx - 14, hy + 22);
    cairo_curve_to(cr, hx - 26, hy + 12, hx - 26, hy - 14, hx - 14, hy - 22);
    const size_t head = keep();
    for (double size : {1.0, 0.6}) {
        cairo_save(cr);
        cairo_translate(cr, size < 1 ? hx - 8 : hx + 4, size < 1 ? hy - 18 : hy - 26);
        cairo_scale(cr, size, size);
        cairo_move_to(cr, 0, 0);
        cairo_curve_to(cr, -14, -30, -32, -40, -52, -44);
        cairo_curve_to(cr, -28, -26, -16, -12, -12, 2);
        cairo_close_path(cr);
        cairo_restore(cr); // the path stays where it was drawn, read back unscaled
        keep();
    }
    // Light falling from a point: bright near it, dimming to farA at reach.
    auto glowFrom = [&](double gx, double gy, uint32_t colour, double nearA, double farA,
                        double reach) {
        cairo_pattern_t *glow = cairo_pattern_create_radial(gx, gy, 0, gx, gy, reach);
        double r = (colour >> 16 & 255) / 255.0, g = (colour >> 8 & 255) / 255.0,
               b = (colour & 255) / 255.0;
        cairo_pattern_add_color_stop_rgba(glow, 0, r, g, b, nearA);
        cairo_pattern_add_color_stop_rgba(glow, 1, r, g, b, farA);
        cairo_set_source(cr, glow);
        cairo_pattern_destroy(glow); // the context keeps its own reference
    };
    // The rim is the moon's: bright on the outline nearest it (the head,
    // the neck, the chest) and dimming to a thread on the far wing tips and
    // the tail, so the beast is lit from one side instead of outlined.
    auto moonlit = [&](uint32_t colour, double nearA, double farA, double reach) {
        glowFrom(kDuskMoonX, kDuskMoonY, colour, nearA, farA, reach);
    };
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 3);
    moonlit(rim, 1, 0.35, 440);
    for (cairo_path_t *piece : pieces) {
        cairo_append_path(cr, piece);
        cairo_stroke(cr);
    }
    // The wing is a membrane: the dusk glows through it, more toward the
    // scalloped edge where the skin is thinnest; the rest is solid ink.
    for (size_t k = 0; k < pieces.size(); k++) {
        SetColour(cr, ink, k == wing ? 0.9 : 1);
        cairo_append_path(cr, pieces[k]);
        cairo_fill(cr);
    }
    // The membrane's panels between the fingers fold at the bones: each
    // panel turns its own way to the moon, so alternate panels catch a
    // violet sheen and the wing reads as skin stretched in folds.
    cairo_save(cr);
    cairo_append_path(cr, pieces[wing]);
    cairo_clip(cr);
    const double panel[5][2] = {{tips[0][0], tips[0][1]},
                                {tips[1][0], tips[1][1]},
                                {tips[2][0], tips[2][1]},
                                {tips[3][0], tips[3][1]},
                                {root[0], root[1]}};
    const double sheen[4] = {0.55, 0.22, 0.45, 0.2};
    for (int k = 0; k < 4; k++) {
        cairo_pattern_t *skin =
            cairo_pattern_create_linear(wrist[0], wrist[1], (panel[k][0] + panel[k + 1][0]) / 2,
                                        (panel[k][1] + panel[k + 1][1]) / 2);
        cairo_pattern_add_color_stop_rgba(skin, 0, 0.25, 0.12, 0.33, 0.0);
        cairo_pattern_add_color_stop_rgba(skin, 1, 0.62, 0.3, 0.5, sheen[k]);
        cairo_set_source(cr, skin);
        cairo_move_to(cr, wrist[0], wrist[1]);
        cairo_line_to(cr, panel[k][0] + (panel[k][0] - wrist[0]) * 0.3,
                      panel[k][1] + (panel[k][1] - wrist[1]) * 0.3);
        cairo_line_to(cr, panel[k + 1][0] + (panel[k + 1][0] - wrist[0]) * 0.3,
                      panel[k + 1][1] + (panel[k + 1][1] - wrist[1]) * 0.3);
        cairo_close_path(cr);
        cairo_fill(cr);
        cairo_pattern_destroy(skin);
    }
    // Veins branching from each finger into the skin, faint and dark.
    cairo_set_line_width(cr, 0.8);
    SetColour(cr, 0x000000, 0.5);
    for (int k = 0; k < 4; k++)
        for (double f : {0.35, 0.6, 0.82}) {
            double px = wrist[0] + (panel[k][0] - wrist[0]) * f,
                   py = wrist[1] + (panel[k][1] - wrist[1]) * f;
            double qx = wrist[0] + (panel[k + 1][0] - wrist[0]) * f,
                   qy = wrist[1] + (panel[k + 1][1] - wrist[1]) * f;
            cairo_move_to(cr, px, py);
            cairo_curve_to(cr, px + 6, py + 10, qx - 6, qy - 4, (px + qx) / 2 + 4,
                           (py + qy) / 2 + 6);
        }
    cairo_stroke(cr);
    cairo_restore(cr);
    // The body is modelled, not flat: a soft band of moonlight along the
    // back, strongest toward the moon, laid in widening strokes that each
    // add a little, so it fades into the ink toward the belly. All of it
    // stays off the head, which the neck runs into: the clip is the body
    // and the head taken even-odd (either but not both), then the body.
    cairo_save(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_append_path(cr, pieces[body]);
    cairo_append_path(cr, pieces[head]);
    cairo_clip(cr);
    cairo_append_path(cr, pieces[body]);
    cairo_clip(cr);
    for (int k = 0; k < 5; k++) {
        cairo_set_line_width(cr, 2 + k * 5);
        moonlit(0x9A6AB0, 0.16, 0.03, 380);
        cairo_move_to(cr, lx[0], ly[0]);
        for (int i = 1; i <= n; i++) cairo_line_to(cr, lx[i], ly[i]);
        cairo_stroke(cr);
    }
    // The fire lights the underside from below, warm under the throat and
    // the chest and gone by the hips: belly scales in curved rows across
    // the underside, each row a soft arc of its own strength, so they never
    // join into a band.
    cairo_set_line_width(cr, 2.2);
    for (int i = 40; i < n - 4; i += 3) {
        double fade = 0.5 + 0.5 * Fbm(129, i / 5.0, 0.5, 2);
        glowFrom(hx + 60, hy + 20, 0xB05A48, 0.75 * fade, 0.0, 200);
        double mx = ux[i] + (sx[i] - ux[i]) * 0.15, my = uy[i] + (sy[i] - uy[i]) * 0.15;
        double ax = (sx[i] - ux[i]) * 0.4, ay = (sy[i] - uy[i]) * 0.4;
        cairo_move_to(cr, mx - alongX[i] * 3 + ax, my - alongY[i] * 3 + ay);
        cairo_curve_to(cr, mx - alongX[i] * 2, my - alongY[i] * 2, mx + alongX[i] * 2,
                       my + alongY[i] * 2, mx + alongX[i] * 3 + ax, my + alongY[i] * 3 + ay);
        cairo_stroke(cr);
    }
    // Scales: rows of small arcs along the body and neck, catching the
    // moonlight more the nearer the moon they are.
    cairo_set_line_width(cr, 1.0);
    moonlit(rim, 0.4, 0.1, 380);
    for (int i = 4; i < n - 4; i += 3)
        for (double across : {-0.45, 0.05, 0.5}) {
            if (sw[i] < 7) continue;
            double ax = sx[i] + (lx[i] - sx[i]) * across, ay = sy[i] + (ly[i] - sy[i]) * across;
            cairo_new_sub_path(cr);
            cairo_arc(cr, ax + (i % 2) * sw[i] * 0.2, ay, sw[i] * 0.22, kPi * 1.1, kPi * 1.9);
        }
    cairo_stroke(cr);
    cairo_restore(cr);
    // The head faces the moon and takes the most of its light: a sheen over
    // the skull and snout, a brow ridge over the eye, pale teeth in the open
    // jaws.
    cairo_save(cr);
    cairo_append_path(cr, pieces[head]);
    cairo_clip(cr);
    moonlit(0xA878B8, 0.7, 0.05, 150);
    cairo_paint(cr);
    cairo_set_line_width(cr, 1.6);
    moonlit(rim, 0.8, 0.3, 200);
    cairo_move_to(cr, hx + 8, hy - 24);
    cairo_curve_to(cr, hx + 18, hy - 30, hx + 30, hy - 28, hx + 40, hy - 20);
    cairo_stroke(cr);
    cairo_restore(cr);
    SetColour(cr, 0xF2E4C8, 0.9);
    for (int k = 0; k < 5; k++) {
        double f = (k + 0.5) / 5;
        double ux0 = hx + 78 + (hx + 36 - (hx + 78)) * f, uy0 = hy - 4 + 4 * f;
        cairo_move_to(cr, ux0 - 2.5, uy0);
        cairo_line_to(cr, ux0 + 2.5, uy0);
        cairo_line_to(cr, ux0, uy0 + 5);
        cairo_close_path(cr);
        double lx0 = hx + 36 + 36 * f, ly0 = hy + 14 * f;
        cairo_move_to(cr, lx0 - 2.5, ly0);
        cairo_line_to(cr, lx0 + 2.5, ly0);
        cairo_line_to(cr, lx0, ly0 - 5);
        cairo_close_path(cr);
    }
    cairo_fill(cr);
    // The whole beast's coverage, for the grain painted over it below.
    std::vector<double> beast(W * H, 0.0);
    for (cairo_path_t *piece : pieces) {
        std::vector<double> m =
            Coverage<double>([&](cairo_t *mask) { cairo_append_path(mask, piece); });
        for (int i = 0; i < W * H; i++) beast[i] = std::max(beast[i], m[i]);
        cairo_path_destroy(piece);
    }
    // The finger bones: dark rods with a thread of moonlight along their
    // upper side.
    for (int pass = 0; pass < 2; pass++) {
        if (pass)
            moonlit(rim, 0.7, 0.4, 440);
        else
            SetColour(cr, ink, 1);
        double o = pass ? -1.2 : 0;
        cairo_set_line_width(cr, pass ? 1.0 : 3.0);
        for (int k = 0; k < 4; k++) {
            cairo_move_to(cr, wrist[0], wrist[1] + o);
            cairo_curve_to(cr, bend[k][0], bend[k][1] + o, bend[k][0], bend[k][1] + o, tips[k][0],
                           tips[k][1] + o);
        }
        cairo_stroke(cr);
    }
    // A claw at the wrist.
    SetColour(cr, ink, 1);
    cairo_move_to(cr, wrist[0] - 4, wrist[1] + 2);
    cairo_curve_to(cr, wrist[0] + 2, wrist[1] - 10, wrist[0] + 10, wrist[1] - 14, wrist[0] + 16,
                   wrist[1] - 12);
    cairo_line_to(cr, wrist[0] + 6, wrist[1] + 4);
    cairo_close_path(cr);
    cairo_fill(cr);
    // The eye: a gold ember in the black.
    SetColour(cr, 0xFFD870, 1);
    cairo_arc(cr, hx + 26, hy - 16, 3, 0, 2 * kPi);
    cairo_fill(cr);
    // Fire from the mouth toward the right edge: a cone of flame torn by
    // turbulence, white-gold at the jaws, orange, then red at its ragged
    // edges, in a glow that warms the air around it; embers drift above
    // it, each a soft glow of a few pixels. Painted pixel by pixel.
    const double fx = hx + 76, fy = hy + 4;
    Rng rng = NewRng(122);
    struct Ember {
        double x, y, size;
        uint32_t colour;
    };
    std::vector<Ember> embers;
    for (int k = 0; k < 34; k++) {
        uint32_t colour = Mix(0xFFD870, 0xFF7020, RngFloat(&rng));
        double x = RngRange(&rng, 300, W), y = RngRange(&rng, 20, 200);
        embers.push_back({x, y, RngRange(&rng, 0.9, 1.8), colour});
    }
    static const uint32_t flame[] = {0x6A1006, 0xD0400C, 0xFF9A28, 0xFFE49A, 0xFFFBEA};
    uint32_t *px = BeginPixels(&c);
    // Hide and membrane are not flat ink: a mottled grain of scales and
    // folds, lifted toward violet where the moon's light reaches, and a
    // soft sheen over every part of the body turned to the moon (where
    // little of the beast lies a few pixels toward it), as on the wolf.
    std::vector<double> wide = beast;
    BlurField(wide, 4, 2);
    for (int i = 0; i < W * H; i++) {
        if (beast[i] <= 0) continue;
        int x = i % W, y = i / W;
        double grain = Fbm(127, x / 3.0, y / 2.2, 3) + 0.5 * Fbm(128, x / 16.0, y / 10.0, 2);
        double dx = kDuskMoonX - x, dy = kDuskMoonY - y, d = std::hypot(dx, dy) + 1e-9;
        double near = std::exp(-d / 180.0);
        px[i] = Mix(px[i], grain > 0 ? 0x5A3A6E : 0x000000,
                    beast[i] * std::min(1.0, std::fabs(grain)) * (0.25 + 0.45 * near));
        int tx = std::clamp((int)std::lround(x + dx / d * 8), 0, W - 1),
            ty = std::clamp((int)std::lround(y + dy / d * 8), 0, H - 1);
        double lift = std::clamp(1 - wide[ty * W + tx] * 1.2, 0.0, 1.0);
        px[i] = Mix(px[i], 0x8A5C8E, beast[i] * lift * (0.2 + 0.35 * near));
    }
    for (int y = 0; y < H; y++)
        for (int x = 290; x < W; x++) {
            uint32_t &out = px[y * W + x];
            double u = (x - fx) / (W - fx);
            if (u > -0.05) {
                double centre = fy - 8 * u + 4 * std::sin(u * 5);
                double half = 3 + 34 * std::pow(std::max(u, 0.0), 0.8);
                double tear = Fbm(125, x / 13.0, y / 8.0, 4);
                double d = std::fabs(y - centre + 9 * tear * std::min(1.0, u * 3)) / half;
                double heat = (1 - d) * (1.05 - 0.55 * u) + 0.3 * tear - (u < 0 ? -u * 12 : 0);
                if (heat > 0) out = Mix(out, Ramp(flame, 5, heat), Smooth(0.0, 0.3, heat));
                // The glow around the flame.
                double glow = std::exp(-std::max(d - 1, 0.0) * half / 16.0) * (1 - 0.5 * u) *
                              Smooth(-0.05, 0.05, u);
                out = Mix(out, 0xFF8A3A, 0.28 * glow);
            }
            for (const Ember &e : embers) {
                double r2 = (x - e.x) * (x - e.x) + (y - e.y) * (y - e.y);
                if (r2 < 25) out = Mix(out, e.colour, 0.9 * std::exp(-r2 / (2 * e.size * e.size)));
            }
        }
    DonePixels(&c);
    MirrorCanvas(&c);
    return SaveCanvas(dir, "drake.jpg", &c);
}

// lake.jpg: a moonlit night over a still lake. Above the shore (row 128,
// where the show's water waves begin): a sky that deepens upward, thin
// strands of cloud lit where they pass the moon, and three ranks of hills
// that pale with distance, mist pooling at the foot of each, the nearest a
// ragged line of pines. Below it the water mirrors all of that, darker and
// broken into ripples, with the moon's path of bright dashes across it.
// Flat fills read as cut paper once the waves and the blur have had them:
// every area here carries noise at a scale the waves bend visibly.
// The moon stands right behind the small moon that the lake loop hangs in
// the sky (its disc covers 29 pixels round (256, 48.5)): that ball takes the
// moon's place, haloed by this one's glow, over the moon's path on the
// water, where a moon beside it made two discs side by side compete.
const double kMoonX = 255, kMoonY = 48;

// Top row of the pine-topped nearest ridge at column x: a low bank with a
// spire wherever a tree stands (trees every few pixels, in clumps).
std::vector<double> TreeLine(void) {
    std::vector<double> top(W + 1);
    for (int x = 0; x <= W; x++) top[x] = 119 - 3 * std::max(0.0, Fbm(136, x / 40.0, 0.2, 3) + 0.2);
    Rng rng = NewRng(137);
    for (double x = -4; x < W + 4; x += RngRange(&rng, 2.5, 7)) {
        double clump = 0.5 + 0.5 * Fbm(138, x / 60.0, 0.7, 2); // tall where the wood is thick
        double h = RngRange(&rng, 3, 9) * (0.4 + clump * 1.4), half = h * 0.28;
        for (int c = (int)std::floor(x - half); c <= (int)std::ceil(x + half); c++)
            if (c >= 0 && c <= W)
                top[c] = std::min(top[c], 119 - h + 2 * h * std::fabs(c - x) / (2 * half + 1e-9));
    }
    return top;
}

// How deep in the Milky Way's band (0-1) the sky at (x, y) lies: the band
// runs from the hills at x 40 up to the top at x 300.
double MilkyWay(double x, double y) {
    const double ax = 40, ay = 100, dx = 260, dy = -100, len = std::hypot(dx, dy);
    double across = ((x - ax) * dy - (y - ay) * dx) / len;
    double wander = 6 * Fbm(150, ((x - ax) * dx + (y - ay) * dy) / len / 60.0, 0.3, 2);
    return std::exp(-std::pow((across + wander) / 26.0, 2));
}

int LakePicture(const char *dir) {
    const std::vector<double> trees = TreeLine();
    // The two far ranks: rolling hills, the farther higher and paler.
    auto far = [](double x) {
        return 97 - 16 * std::max(0.0, Fbm(133, x / 110.0, 0.5, 4) + 0.35) -
               10 * std::exp(-std::pow((x - 150) / 70.0, 2));
    };
    auto mid = [](double x) {
        return 111 - 12 * std::max(0.0, Fbm(139, x / 70.0, 0.3, 4) + 0.25) -
               6 * std::exp(-std::pow((x - 470) / 50.0, 2));
    };
    // The sky and the land above the shore, at any row (the water reads it mirrored).
    auto land = [&](double x, double y) -> uint32_t {
        static const uint32_t sky[] = {0x02030C, 0x081030, 0x18294E, 0x344A6C};
        double m = std::hypot(x - kMoonX, (y - kMoonY) * 1.3);
        uint32_t out = Ramp(sky, 4, y / 124.0);
        out = Mix(out, 0x3C4C6E, 0.5 * std::exp(-m / 70.0)); // the moon's wide glow
        // Strands of cloud, long and thin, faint in the dark and silvered near the moon.
        double strand = std::clamp(1.8 * Fbm(140, x / 150.0, y / 9.0, 5) - 0.15, 0.0, 1.0);
        double lit = std::exp(-m / 110.0);
        // The Milky Way rising from the far hills at the left toward the
        // top, away from the moon, whose light washes it out: a soft band
        // of glow, knotted and split by dark rifts of dust.
        double band = MilkyWay(x, y);
        double rift = std::clamp(1.6 * Fbm(149, x / 30.0, y / 30.0, 4), 0.0, 0.8);
        double glow = band * (0.55 + 0.45 * Fbm(148, x / 14.0, y / 14.0, 4)) * (1 - rift);
        out = Mix(out, 0x8090B8, std::clamp(0.75 * glow * (1 - 1.5 * lit), 0.0, 1.0));
        out = Mix(out, Mix(0x1C2642, 0xB8BED0, lit), strand * (0.25 + 0.5 * lit));
        // Each rank laid over what lies behind it with a one-pixel soft edge.
        auto cover = [&](double top) { return std::clamp(y - top + 0.5, 0.0, 1.0); };
        double grain = 0.5 + 0.5 * Fbm(141, x / 6.0, y / 3.0, 3); // wooded slopes, not fills
        double fy = far(x), my = mid(x);
        out = Mix(out, 0x56688A, 0.5 * std::exp(-std::max(0.0, fy - y) / 8.0)); // haze
        double mistFar = std::exp(-std::max(0.0, my - y) / 7.0),
               rim = std::exp(-std::max(0.0, y - fy) / 2.0);
        uint32_t hill = Mix(Mix(0x1C2A48, 0x2A3C62, grain), 0x6A7C9C, 0.7 * mistFar);
        hill = Mix(hill, 0x98A8C8, std::min(1.0, 0.7 * rim * (0.4 + lit * 2))); // moonlit crest
        out = Mix(out, hill, cover(fy));
        // The middle rank: dark wooded slopes, a mist lying along the foot.
        double mistMid = std::exp(-std::max(0.0, 119 - y) / 5.0);
        uint32_t slope = Mix(Mix(0x08101E, 0x18263E, grain), 0x4A5C7C, 0.7 * mistMid);
        slope = Mix(slope, 0x40506E, 0.5 * std::exp(-std::max(0.0, y - my) / 1.5));
        out = Mix(out, slope, cover(my));
        int c = std::clamp((int)std::lround(x), 0, W);
        out = Mix(out, Mix(0x03060C, 0x0A1420, grain * 0.6), cover(trees[c]));
        // The far water under the trees' feet, rows 120-127: a pale sheet
        // of mist over the lake, brighter under the moon. The waves start
        // at row 128 and reach a few rows up for their texture: what they
        // fetch from here is this soft sheet, not the dark wood.
        double sheet = std::clamp(y - 119.5, 0.0, 1.0);
        uint32_t water = Mix(0x34445E, 0x56688A, 0.5 + 0.5 * Fbm(147, x / 20.0, y, 2));
        water = Mix(water, 0xC8C4B0, 0.7 * std::exp(-std::pow((x - kMoonX) / 12.0, 2)));
        return Mix(out, water, sheet);
    };
    Canvas c = NewCanvas();
    Shade(&c, [&](int x, int y) { return y < 128 ? land(x, y) : 0u; });
    cairo_t *cr = c.cr;
    // Stars, fewer where the cloud strands lie, and the moon: both above the hills only.
    cairo_save(cr);
    cairo_move_to(cr, 0, 0);
    for (int x = 0; x <= W; x += 2) cairo_line_to(cr, x, far(x));
    cairo_line_to(cr, W, 0);
    cairo_close_path(cr);
    cairo_clip(cr);
    Rng rng = NewRng(132);
    for (int i = 0; i < 260; i++) {
        double x = RngRange(&rng, 0, W), y = RngRange(&rng, 0, 112), b = RngFloat(&rng);
        double cloud = std::clamp(1.8 * Fbm(140, x / 150.0, y / 9.0, 5) - 0.15, 0.0, 1.0);
        if (std::hypot(x - kMoonX, y - kMoonY) < 34) continue;
        double r = b > 0.94 ? 1.5 : b > 0.6 ? 0.8 : 0.55;
        SetColour(cr, Mix(0xFFE0B0, 0xC8D8FF, RngFloat(&rng)), (0.35 + 0.65 * b) * (1 - cloud));
        cairo_arc(cr, x, y, r, 0, 2 * kPi);
        cairo_fill(cr);
    }
    // The band's own dust of faint stars, thickest along its middle.
    for (int i = 0; i < 1100; i++) {
        double x = RngRange(&rng, 0, W), y = RngRange(&rng, 0, 112);
        if (RngFloat(&rng) > MilkyWay(x, y)) continue;
        SetColour(cr, 0xD8E0FF, RngRange(&rng, 0.25, 0.7));
        cairo_arc(cr, x, y, 0.45, 0, 2 * kPi);
        cairo_fill(cr);
    }
    Moon(cr, kMoonX, kMoonY, 40, 0.45);
    cairo_restore(cr);
    // The moon's face: grey seas on the disc (radius 18), lit from its rim inward.
    uint32_t *p = BeginPixels(&c);
    for (int y = std::max(0, (int)kMoonY - 19); y <= std::min(H - 1, (int)kMoonY + 19); y++)
        for (int x = std::max(0, (int)kMoonX - 19); x <= std::min(W - 1, (int)kMoonX + 19); x++) {
            double r = std::hypot(x + 0.5 - kMoonX, y + 0.5 - kMoonY) / 18;
            if (r > 1) continue;
            double sea = std::clamp(Fbm(143, x / 9.0, y / 9.0, 4) * 2.2 + 0.1, 0.0, 1.0);
            p[y * W + x] = Mix(p[y * W + x], 0xB8AE98, 0.45 * sea * (1 - r * r));
        }
    // The water: the land mirrored about the shore row, each row shifted by
    // its ripples (longer and wider toward the viewer), darkened, and
    // stroked with glints; the moon's path laid over it.
    std::vector<uint32_t> above(p, p + W * 128);
    for (int y = 128; y < H; y++) {
        double d = (y - 128) / 128.0; // 0 at the shore, 1 at the bottom
        for (int x = 0; x < W; x++) {
            double swell = Fbm(144, x / (30 + 60 * d), y / (1.2 + 3 * d), 3);
            int sx = std::clamp((int)std::lround(x + swell * (3 + 14 * d)), 0, W - 1);
            int sy = std::clamp(255 - y + (int)std::lround(swell * 2 * d), 0, 127);
            uint32_t mirror = Mix(above[sy * W + sx], 0x02040A, 0.3 + 0.35 * d);
            // Ripple faces: lit where they tilt toward the sky, dark in their troughs.
            double face = Fbm(145, x / (10 + 30 * d), y / (0.8 + 2.5 * d), 3);
            uint32_t water = Mix(mirror, face > 0 ? 0x3A5070 : 0x010308, std::fabs(face) * 0.8);
            // The moon's path: bright horizontal dashes, wider toward the viewer.
            double dash = std::clamp(
                2.2 * Fbm(135, x / (14 + 20 * d), y / (1.5 + 2.5 * d), 2) + 0.4, 0.0, 1.0);
            double across = std::exp(-std::pow((x - kMoonX) / (10 + 36 * d), 2));
            double path = across * (0.25 + 0.35 * std::max(face, 0.0) + 0.9 * dash);
            // Glints: short streaks, densest toward the path.
            double streak = std::max(0.0, Fbm(134, x / 24.0, y / 1.2, 3) - 0.25) * 3.0;
            double near = std::exp(-std::pow((x - kMoonX) / (60 + 90 * d), 2));
            water = Mix(water, 0x8CA4C8, std::min(0.8, streak * (0.3 + 0.6 * near)));
            // A pale mist over the water along the far shore.
            water = Mix(water, 0x4A5C7C, 0.6 * std::exp(-(y - 128) / 5.0));
            p[y * W + x] = Mix(water, 0xF0E8CC, std::min(1.0, path));
        }
    }
    DonePixels(&c);
    return SaveCanvas(dir, "lake.jpg", &c);
}

// Adds a shaggy pine to the path: as AddPine, but every tier's lower edge
// hangs in tufts of needles and its sides bristle, so the tree stays a tree
// and not a stack of triangles under the blur. The same seed gives the same
// tree, so a shifted copy traces the same outline.
void AddShaggyPine(cairo_t *cr, double x, double base, double h, double w, double trunk,
                   uint32_t seed) {
    Rng rng = NewRng(seed);
    cairo_rectangle(cr, x - w * 0.04, base - h * 0.1, w * 0.08, h * 0.1 + trunk);
    for (int k = 0; k < 7; k++) {
        double y0 = base - h * 0.08 - k * h * 0.12, ww = w * (1 - k * 0.13), top = y0 - h * 0.22;
        cairo_move_to(cr, x, top);
        // Down the right side, bristling outward, then back along the hem.
        for (int s = 1; s <= 5; s++) {
            double f = s / 5.0;
            cairo_line_to(cr, x + ww / 2 * f + RngRange(&rng, 1, 4), top + (y0 - top) * f - 1);
            cairo_line_to(cr, x + ww / 2 * f - 1, top + (y0 - top) * f + 1);
        }
        int teeth = 6 + (int)(ww / 8);
        for (int s = teeth; s >= 0; s--) {
            double fx = x - ww / 2 + ww * s / teeth, droop = RngRange(&rng, 2, 6);
            cairo_line_to(cr, fx, y0 + droop);
            if (s > 0) cairo_line_to(cr, fx - ww / teeth * 0.5, y0 - RngRange(&rng, 1, 4));
        }
        for (int s = 5; s >= 1; s--) {
            double f = s / 5.0;
            cairo_line_to(cr, x - ww / 2 * f - RngRange(&rng, 1, 4), top + (y0 - top) * f - 1);
            cairo_line_to(cr, x - ww / 2 * f + 1, top + (y0 - top) * f + 1);
        }
        cairo_close_path(cr);
    }
}

// lakef.jpg: the lake's foreground (trees, reeds, shore) on the red key.
// A pixel is keyed out when red > 17, green < 17 and blue < 17, so the
// foreground keeps green and blue at 38 and more and the key is pure red.
// JPEG still smears colour across the edges, so the picture is encoded,
// decoded and checked until every pixel decodes as what it was drawn as: a
// key pixel that comes out tinted joins the foreground's edge, a foreground
// pixel that comes out keyed gains green and blue. Six rounds or so settle it.
int LakeFPicture(const char *dir) {
    Canvas c = NewCanvas();
    cairo_t *cr = c.cr;
    cairo_set_source_rgb(cr, 1, 0, 0);
    cairo_paint(cr);
    // The tones lean to the night sky's blue: a teal foreground stood out
    // against it as cyan cut-outs. The darkest keeps green at the key's
    // floor of 38 and lifts blue instead.
    const uint32_t dark = 0x0E284A, rim = 0x2A5A66;
    Rng rng = NewRng(141);
    // Pines at both edges, and the shore: a low bank, higher at the sides.
    // Each pine is filled in a pale moonlit tone, then in the dark one again
    // shifted 4 pixels away from the moon (it hangs over the middle) and
    // kept inside the tree: a thin bright rim stays along every tier's edge
    // that faces the moon. A sheen over the moon's half of the tree, fading
    // out by its middle, turns the flat cut-out into a lit cone.
    // Behind them, a rank of smaller pines further along the shore in the
    // misty blue of the air between: the wood recedes in steps instead of
    // standing as one flat wall. Kept clear of the moon's path down the
    // middle.
    const double farPines[3][4] = {{118, 238, 118, 40}, {152, 240, 86, 30}, {464, 238, 136, 46}};
    for (const auto &pine : farPines) {
        AddShaggyPine(cr, pine[0], pine[1], pine[2], pine[3], 10, 170 + (uint32_t)pine[0]);
        SetColour(cr, 0x2E5062, 1);
        cairo_fill(cr);
    }
    const double pines[4][5] = {{22, 240, 250, 80, 20},
                                {70, 236, 190, 64, 20},
                                {488, 240, 260, 84, 20},
                                {440, 238, 170, 58, 20}};
    for (const auto &pine : pines) {
        const double toMoon = pine[0] < kMoonX ? 1 : -1;
        const uint32_t seed = 150 + (uint32_t)pine[0];
        AddShaggyPine(cr, pine[0], pine[1], pine[2], pine[3], pine[4], seed);
        SetColour(cr, 0xA8C0E0, 1);
        cairo_fill_preserve(cr);
        cairo_save(cr);
        cairo_clip(cr);
        cairo_save(cr);
        cairo_translate(cr, -4 * toMoon, 1);
        AddShaggyPine(cr, pine[0], pine[1], pine[2], pine[3], pine[4], seed);
        SetColour(cr, dark, 1);
        cairo_fill(cr);
        cairo_restore(cr);
        cairo_pattern_t *sheen = cairo_pattern_create_linear(pine[0] + toMoon * pine[3] * 0.5, 0,
                                                             pine[0] - toMoon * pine[3] * 0.05, 0);
        cairo_pattern_add_color_stop_rgba(sheen, 0, 0x3A / 255.0, 0x5E / 255.0, 0x90 / 255.0, 0.35);
        cairo_pattern_add_color_stop_rgba(sheen, 1, 0x3A / 255.0, 0x5E / 255.0, 0x90 / 255.0, 0);
        cairo_set_source(cr, sheen);
        cairo_paint(cr);
        cairo_pattern_destroy(sheen);
        cairo_restore(cr);
    }
    auto bank = [](double x) {
        return 236 - 10 * Fbm(142, x / 50.0, 0, 3) - 24 * std::pow(std::fabs(x - 256) / 256.0, 3);
    };
    FillProfile(cr, H, dark, bank);
    // The bank's lip catches the moon in a thin pale line, and stones lie
    // along it, each lit on top and dark below, so the ground has form.
    cairo_move_to(cr, 0, bank(0) + 1);
    for (int x = 3; x <= W; x += 3) cairo_line_to(cr, x, bank(x) + 1);
    cairo_set_line_width(cr, 1.5);
    SetColour(cr, rim, 1);
    cairo_stroke(cr);
    for (int k = 0; k < 26; k++) {
        double x = RngRange(&rng, 0, W), rx = RngRange(&rng, 3, 9),
               ry = rx * RngRange(&rng, 0.4, 0.6);
        if (std::fabs(x - kMoonX) < 45) continue; // the moon's path stays open
        double y = bank(x) + RngRange(&rng, 2, 14);
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_scale(cr, rx, ry);
        cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
        cairo_restore(cr);
        cairo_pattern_t *lit = cairo_pattern_create_linear(0, y - ry, 0, y + ry);
        cairo_pattern_add_color_stop_rgb(lit, 0, 0x8C / 255.0, 0xB4 / 255.0, 0xBC / 255.0);
        cairo_pattern_add_color_stop_rgb(lit, 0.45, 0x1A / 255.0, 0x3A / 255.0, 0x44 / 255.0);
        cairo_pattern_add_color_stop_rgb(lit, 1, 0x0A / 255.0, 0x26 / 255.0, 0x30 / 255.0);
        cairo_set_source(cr, lit);
        cairo_fill(cr);
        cairo_pattern_destroy(lit);
    }
    // Reeds: thin curved blades from the bank, with a few cattail heads.
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int k = 0; k < 70; k++) {
        // Two clumps clear of the moon's path on the water (x 210-300),
        // whose swaying under the waves is the lake's motion.
        double x = k < 35 ? RngRange(&rng, 80, 190) : RngRange(&rng, 420, 470);
        double h = RngRange(&rng, 25, 70), bend = RngRange(&rng, -14, 14);
        cairo_move_to(cr, x, 244);
        cairo_curve_to(cr, x, 244 - h * 0.5, x + bend * 0.5, 244 - h * 0.8, x + bend, 244 - h);
        cairo_set_line_width(cr, RngRange(&rng, 1.5, 3));
        SetColour(cr, k % 5 ? dark : rim, 1);
        cairo_stroke(cr);
        if (k % 6 == 0) {
            cairo_move_to(cr, x + bend, 244 - h);
            cairo_line_to(cr, x + bend * 1.05, 244 - h - 10);
            cairo_set_line_width(cr, 4.5);
            cairo_stroke(cr);
        }
    }
    // Needles and grass: every foreground pixel (not the key's pure red) is
    // worked over with noise stretched along the drooping boughs, lighter
    // where it rises, darker where it falls, so the dark masses carry
    // texture the waves and the blur keep. Both tones hold green above red
    // and green and blue far above the key's 17.
    uint32_t *fg = BeginPixels(&c);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            uint32_t &v = fg[y * W + x];
            if ((v & 0xFFFFFF) == 0xFF0000) continue;
            double n = 1.4 * Fbm(146, (x + y * 0.8) / 8.0, (y - x * 0.5) / 2.6, 3);
            v = n > 0 ? Mix(v, 0x30507C, std::min(0.42, n)) : Mix(v, 0x0A2640, std::min(0.6, -n));
        }
    DonePixels(&c);
    // Source pixels: key where the drawing left pure red, foreground elsewhere
    // (anti-aliased edges count as foreground and take the foreground colour).
    uint32_t *p = BeginPixels(&c);
    std::vector<uint32_t> src(p, p + W * H);
    std::vector<char> key((size_t)W * H);
    for (int i = 0; i < W * H; i++) {
        src[i] &= 0xFFFFFF; // Cairo leaves the unused top byte of RGB24 pixels set
        key[i] = src[i] == 0xFF0000;
        if (!key[i]) {
            uint32_t q = src[i];
            // An anti-aliased edge over the key is redder than it is green;
            // every foreground tone, the moonlit rims too, is green above red.
            if ((q >> 16 & 255) > (q >> 8 & 255)) src[i] = Mix(q, rim, 0.8);
        }
    }
    auto isKey = [](uint32_t q) {
        return (q >> 16 & 255) > 17 && (q >> 8 & 255) < 17 && (q & 255) < 17;
    };
    std::vector<unsigned char> jpeg;
    for (int pass = 0; pass < 16; pass++) {
        jpeg = EncodeJpeg(src.data(), kQuality);
        // Checked with the show's own decoder, so the key holds for what the show reads.
        Image *decoded = DecodeJpeg(jpeg.data(), jpeg.size(), "lakef.jpg");
        if (!decoded) {
            FreeCanvas(&c);
            return 0;
        }
        const uint32_t *out = decoded->pixels;
        int wrong = 0;
        for (int i = 0; i < W * H; i++) {
            if (isKey(out[i]) == (bool)key[i]) continue;
            wrong++;
            if (key[i]) { // a key pixel that JPEG tints: the foreground's edge takes it over
                key[i] = 0;
                src[i] = rim;
            } else { // a foreground pixel keyed out: it gains green and blue
                uint32_t q = src[i];
                src[i] =
                    Rgb(0, std::min(255u, (q >> 8 & 255) + 24), std::min(255u, (q & 255) + 24));
            }
        }
        FreeJpeg(decoded);
        if (wrong == 0) break;
        if (pass == 15) {
            std::fprintf(
                stderr,
                "assetgen: lakef.jpg: %d pixels still decode on the wrong side of the key\n",
                wrong);
            return 0;
        }
    }
    FreeCanvas(&c);
    return WriteDataFile(dir, "lakef.jpg", jpeg.data(), jpeg.size());
}

// over02.jpg (loaded, never drawn): pastel stripes and rings.
int Over2Picture(const char *dir) {
    Canvas c = NewCanvas();
    Shade(&c, [](int x, int y) {
        double s = std::fmod((x + y) / 24.0, 2.0) < 1 ? 0.0 : 1.0;
        double r = std::fmod(std::hypot(x - 256, y - 128) / 18.0, 2.0) < 1 ? 0.35 : 0;
        return Mix(Mix(0xF6D6E8, 0xCDE8F6, s), 0xFFF4C0, r);
    });
    return SaveCanvas(dir, "over02.jpg", &c);
}

// skog.jpg: the finale's forest on a winter afternoon, painted pixel by
// pixel: a sky of soft cloud over a low sun on the left, far ranks of
// spruces dissolving into the blue haze with mist lying between them, near
// spruces whose needled tiers catch the sun on its side, fall into shade
// under the tier above and carry clumps of snow, and a snow field crossed by
// the trees' long blue shadows. The sun stands low behind the wood, so the
// shadows fall toward the viewer, fanning out from below it.
//
// The finale cuts on its strong beats between white butterflies drawn over
// this picture and a white screen whose butterflies' lattice lines are
// windows onto it. So nothing but the sun's small disc comes near white: the
// lit snow stays a warm grey-white, most of the field lies in blue shadow,
// and the snow on the boughs is a clump here and there rather than a cover.
// Every pine stands where FinaleForest puts it, at its size and outline,
// the forest Creds.jpg shows at night.
int SkogPicture(const char *dir) {
    const double sunX = 120, sunY = 110, horizon = 140;
    auto cloud = [](double x, double y) { // cloud density, 0-1: a broken bank high up
        double band = std::exp(-std::pow((y - 46) / 30.0, 2)) +
                      0.35 * std::exp(-std::pow((y - 100) / 10.0, 2));
        return Smooth(0.02, 0.4, Fbm(154, x / 120.0, y / 26.0, 5) + 0.25 * band - 0.1) * band;
    };
    auto sky = [&](double x, double y) -> uint32_t {
        static const uint32_t ramp[] = {0x2C5894, 0x4A7CB8, 0x86A8CC, 0xC8C4BC, 0xE8BE90};
        double dx = x - sunX, dy = (y - sunY) * 1.8, d = std::hypot(dx, dy);
        uint32_t out = Ramp(ramp, 5, y / horizon + 0.04 * Fbm(155, x / 90.0, y / 40.0, 2));
        out = Mix(out, 0xF0C490, 0.6 * std::exp(-d / 110.0)); // the low sun warms the air round it
        double dens = cloud(x, y);
        if (dens > 0.002) {
            // Grey-violet bodies, lighter on top where the sky lights them,
            // their edges toward the sun rimmed in gold.
            double ux = -dx / (d + 1e-9), uy = -dy / (d + 1e-9), near = std::exp(-d / 170.0);
            double rim = std::clamp((dens - cloud(x + ux * 5, y + uy * 5)) * 3.0, 0.0, 1.0);
            double top = std::clamp((dens - cloud(x, y - 4)) * 2.5, 0.0, 1.0);
            uint32_t body = Mix(Mix(0x6A76A0, 0xA89CA8, near), 0xC4D0E6, 0.6 * top);
            out = Mix(out, body, 0.8 * dens);
            out = Mix(out, 0xFFE6C4, std::min(1.0, rim * dens * (0.35 + 0.8 * near)));
        }
        double off = std::max(std::hypot(x - sunX, y - sunY) - 8, 0.0);
        out = Mix(out, 0xFFEAC0,
                  std::min(1.0, 0.75 * std::exp(-off / 7.0) + 0.2 * std::exp(-off / 40.0)));
        return Mix(out, 0xFFFAEC, Smooth(9, 7.5, std::hypot(x - sunX, y - sunY)));
    };
    // The haze a rank dissolves into: the sky low over the horizon, so the
    // wood under the sun pales into its glow and elsewhere into blue.
    auto haze = [&](double x) { return Mix(sky(x, horizon - 6), 0x9AA8CC, 0.45); };
    auto ridge = [](double x) { // the far wooded ridge in the haze
        return 140 - 18 * std::fabs(Fbm(152, x / 120.0, 0.7, 4)) - 6 * std::sin(x / 60.0);
    };
    const std::vector<Pine> forest = FinaleForest();
    // The trees' shadows on the snow: from the foot away from the point of
    // the horizon under the sun, about a third of the tree's height long on
    // the foreshortened ground, widest near the foot where the lowest tiers are.
    auto shadows = [&](cairo_t *cr) {
        for (const Pine &p : forest) {
            double ax = p.x - sunX, ay = p.base - horizon, n = std::hypot(ax, ay), len = p.h * 0.36;
            ax /= n, ay /= n;
            auto at = [&](double along, double across) {
                cairo_line_to(cr, p.x + ax * along - ay * across,
                              p.base + ay * along + ax * across);
            };
            cairo_move_to(cr, p.x - p.w * 0.1, p.base);
            at(len * 0.25, -p.w * 0.42);
            at(len * 0.6, -p.w * 0.28);
            at(len, 0);
            at(len * 0.6, p.w * 0.28);
            at(len * 0.25, p.w * 0.42);
            cairo_line_to(cr, p.x + p.w * 0.1, p.base);
            cairo_close_path(cr);
        }
    };
    const std::vector<float> shadow = Soften(Coverage(shadows), 2);
    Canvas c = NewCanvas();
    Shade(&c, [&](int x, int y) -> uint32_t {
        if (y < ridge(x) - 1) return sky(x, y);
        uint32_t far = haze(x);
        double grain = Fbm(157, x / 5.0, y / 3.0, 3);
        uint32_t hill =
            Mix(Mix(far, 0x7280AC, 0.35 + 0.12 * grain), 0xFFE6C0,
                0.35 * std::exp(-(y - ridge(x)) / 2.0) * std::exp(-std::fabs(x - sunX) / 150.0));
        uint32_t out = Mix(sky(x, y), hill, std::clamp(y - ridge(x) + 0.5, 0.0, 1.0));
        // The snow field, from the haze at the foot of the ridge to the
        // viewer: warm where the sun lies on it, blue in the trees' shadows,
        // rippled by the wind in long low waves.
        double edge = 149 + 2 * Fbm(158, x / 30.0, 0.3, 2);
        if (y < edge - 1) return out;
        double f = std::clamp((y - 150) / 106.0, 0.0, 1.0);
        double ripple = Fbm(159, x / (50 + 60 * f), y / (1.5 + 4 * f), 3);
        double shade =
            std::clamp(0.85 * shadow[y * W + x] + 0.35 * std::max(0.0, -ripple) + 0.1, 0.0, 1.0);
        uint32_t lit =
            Mix(Mix(0xE2CCB4, 0xE6DCD2, f), 0xF2DEC0, 0.5 * std::exp(-std::fabs(x - sunX) / 90.0));
        uint32_t blue = Mix(0x98A2C8, 0x8094C4, f);
        uint32_t snow =
            Mix(Mix(lit, blue, shade), 0xF0E6DA, 0.25 * std::max(0.0, ripple) * (1 - shade));
        snow = Mix(snow, far, 0.55 * std::pow(1 - f, 3)); // haze over the far field
        return Mix(out, snow, std::clamp(y - edge + 0.5, 0.0, 1.0));
    });
    uint32_t *p = BeginPixels(&c);
    std::vector<float> hidden((size_t)W * H, 0); // how much of the snow field trees and drift hide
    // Mist lying along the foot of a rank, in front of it and behind the
    // next: denser low down, drawn out in wisps.
    auto mist = [&](double foot, double amount) {
        for (int y = std::max(0, (int)foot - 60); y < std::min(H, (int)foot + 12); y++)
            for (int x = 0; x < W; x++) {
                double wisp = 0.6 + 0.5 * Fbm(160, x / 70.0, y / 5.0, 3);
                double k = amount * wisp * std::exp(-std::fabs(foot - y) / (y < foot ? 16.0 : 6.0));
                p[y * W + x] =
                    Mix(p[y * W + x], Mix(haze(x), 0xD4D6E4, 0.4), std::clamp(k, 0.0, 1.0));
            }
    };
    // The needles' tones, deep shade to sunlit, and how much of the haze
    // lies over each rank. Within a rank every tree stands a little nearer
    // or farther (more haze): drawn from the farthest, the overlapping trees
    // part by tone and the near rank reads as trees with air between them.
    static const uint32_t needles[] = {0x081812, 0x133026, 0x285434, 0x5C8444, 0xA0A860};
    static const double hazeOf[] = {0.7, 0.5, 0.24, 0.04};
    // Far off the clumps of snow would be single specks: they merge into the haze.
    static const double snowOf[] = {0.45, 0.7, 1, 1};
    Rng rng = NewRng(161);
    std::vector<std::pair<double, size_t>> order;
    for (size_t i = 0; i < forest.size(); i++)
        order.push_back({forest[i].rank * 2.0 - RngFloat(&rng), i});
    std::sort(order.begin(), order.end());
    auto spruce = [&](const Pine &t, double farther, uint32_t seed) {
        const double h = t.h, w = t.w, th = h * 0.22, scale = std::max(0.5, h / 170.0);
        // The sun's side of the tree, -1 left .. 1 right; under the sun both
        // edges catch it.
        const double side = std::clamp((sunX - t.x) / 60.0, -1.0, 1.0);
        const double hz = std::min(0.9, hazeOf[t.rank] + 0.22 * farther);
        const uint32_t far = haze(t.x);
        int x0 = std::max(0, (int)(t.x - w * 0.5 - 5)),
            x1 = std::min(W - 1, (int)(t.x + w * 0.5 + 5));
        int y0 = std::max(0, (int)(t.base - h * 1.02 - 3)), y1 = std::min(H - 1, (int)(t.base + 2));
        for (int y = y0; y <= y1; y++)
            for (int x = x0; x <= x1; x++) {
                const double dx = x + 0.5 - t.x, yy = y + 0.5;
                uint32_t q = p[y * W + x];
                double cover = 0;
                // A slender stem under the lowest tier, sinking into the snow.
                double stem = w * (0.025 + 0.012 * Smooth(t.base - h * 0.12, t.base, yy));
                double bark = std::clamp(stem - std::fabs(dx) + 0.5, 0.0, 1.0) *
                              Smooth(t.base + 1, t.base - 3, yy) *
                              Smooth(t.base - h * 0.14, t.base - h * 0.1, yy);
                if (bark > 0) {
                    uint32_t wood = Mix(0x1C1A20, 0x584438,
                                        0.8 * std::fabs(side) * Smooth(-1, 1, dx / stem * side));
                    q = Mix(q, Mix(wood, far, hz), bark);
                    cover = bark;
                }
                // The tiers, the lowest first, each over the one below.
                for (int k = 0; k < 7; k++) {
                    const double hem = t.base - h * 0.08 - k * h * 0.12,
                                 half = w * (1 - k * 0.13) * 0.5;
                    const double apex = hem - th, v = (yy - apex) / th, u = dx / half;
                    if (v < -0.05 || v > 1.45 || std::fabs(dx) > half * std::min(v, 1.0) + 6)
                        continue;
                    // The boughs end along the hem in soft, uneven lobes; the
                    // lowest tier's sweep down to the snow, so the stem hardly shows.
                    double lobe = 0.5 + 0.7 * Fbm(seed + k, u * (1 + half / 7), 0.5 + k, 2);
                    double bottom =
                        k == 0 ? 1.0 + 0.32 * (1 - u * u) * (0.5 + 0.6 * lobe) : 0.95 + 0.16 * lobe;
                    // The slope bristles with needles, and the outer boughs part
                    // here and there, so light passes between them.
                    double reach =
                        half * std::clamp(v, 0.0, 1.0) +
                        (1 + 2 * scale) * Fbm(seed + 17 + k, yy / (1.6 * scale), dx > 0 ? 1 : 5, 2);
                    double a = std::clamp(reach - std::fabs(dx) + 0.5, 0.0, 1.0) *
                               std::clamp((bottom - v) * th + 0.5, 0.0, 1.0) *
                               std::clamp(v * th + 0.5, 0.0, 1.0);
                    a *= 1 - Smooth(0.6, 0.95, std::fabs(u)) *
                                 Smooth(0.1, 0.35, Fbm(seed + 29 + k, u * 3, v * 2.5, 2));
                    if (a <= 0.002) continue;
                    double light = std::fabs(side) * Smooth(-0.7, 0.95, u * side) +
                                   (1 - std::fabs(side)) * 0.6 * Smooth(0.5, 1.0, std::fabs(u));
                    double under =
                        k < 6 ? Smooth(0.8, 0.48, v) : 0;  // in the shade of the tier above
                    double hanging = Smooth(0.95, 1.2, v); // the tips' undersides
                    // Needles streak along the boughs, which spread out and down from the stem.
                    double along = std::fabs(dx) * 0.85 + yy * 0.5,
                           across = yy * 0.85 - std::fabs(dx) * 0.5;
                    double needle =
                        Fbm(seed + 41, along / (3.5 * scale), across / (1.1 * scale), 3);
                    double bough = Fbm(seed + 43, dx / (7 * scale), yy / (4 * scale), 2);
                    double level = 0.2 + 0.52 * light + 0.22 * needle + 0.2 * bough - 0.32 * under -
                                   0.25 * hanging;
                    uint32_t col = Ramp(needles, 5, level);
                    // Snow in soft clumps on the outer boughs, lit on the top
                    // and on the sun's side, blue in the shade, with a shadow under each.
                    auto clump = [&](double at) {
                        double va = (at - apex) / th;
                        return Fbm(seed + 47, dx / (5 * scale), at / (3 * scale), 3) +
                               0.6 * std::exp(-std::pow((va - 0.8) / 0.15, 2)) - 0.38 -
                               0.2 * (1 - std::fabs(u));
                    };
                    double s = clump(yy), above = clump(yy - 1.5 * scale),
                           below = clump(yy + 1.5 * scale);
                    double snow = snowOf[t.rank] * Smooth(0.04, 0.24, s);
                    col = Mix(col, needles[0], 0.5 * Smooth(0.0, 0.25, above) * (1 - snow));
                    double form = std::clamp((below - above) * 2.0, -1.0, 1.0);
                    col = Mix(col,
                              Mix(0x8C9CC8, 0xF4E6D2,
                                  std::clamp(0.15 + 0.6 * light + 0.3 * form, 0.0, 1.0)),
                              snow);
                    q = Mix(q, Mix(col, far, hz), a);
                    cover += (1 - cover) * a;
                }
                p[y * W + x] = q;
                hidden[y * W + x] = std::max(hidden[y * W + x], (float)cover);
            }
    };
    static const double mistOf[] = {0.55, 0.45, 0.3, 0};
    for (size_t o = 0; o < order.size(); o++) {
        const Pine &t = forest[order[o].second];
        spruce(t, t.rank * 2 - order[o].first, 1600 + (uint32_t)order[o].second * 7);
        if (o + 1 == order.size() || forest[order[o + 1].second].rank != t.rank)
            if (mistOf[t.rank] > 0) mist(t.base, mistOf[t.rank]);
    }
    // A drift across the foot of the picture, its face to the viewer in the
    // blue shade and its crest catching the sun from behind.
    for (int y = 228; y < H; y++)
        for (int x = 0; x < W; x++) {
            double crest = 243 + 4 * std::sin(x / 47.0) + 3 * Fbm(153, x / 40.0, 0.2, 3),
                   d = y + 0.5 - crest;
            if (d < -1) continue;
            uint32_t bank =
                Mix(0xB4BCD8, 0x8292C0, Smooth(0, 12, d) + 0.2 * Fbm(162, x / 30.0, y / 3.0, 2));
            bank = Mix(bank, 0xF2E2CC, 0.8 * std::exp(-std::max(d, 0.0) / 1.6));
            p[y * W + x] = Mix(p[y * W + x], bank, std::clamp(d + 0.5, 0.0, 1.0));
            hidden[y * W + x] = 1;
        }
    // Sparkle: a few soft glints where the sun lies on open snow.
    for (int i = 0; i < 160; i++) {
        double x = RngRange(&rng, 0, W), y = RngRange(&rng, 152, H), b = RngFloat(&rng);
        int at = (int)y * W + (int)x;
        if (hidden[at] > 0.02 || shadow[at] > 0.3) continue;
        SoftStar(p, x, y, 0.6 + 0.4 * b, 0.15 + 0.3 * b, 0xFFF4DC);
    }
    DonePixels(&c);
    return SaveCanvas(dir, "skog.jpg", &c);
}

// mrea.jpg: mountain ridges at dawn, pink and violet under a low sun. The
// diamond turns over it, and the show's waves shift that layer on loud
// frames: the ridges stay in the diamond's middle tones (each lit along its
// crest, hazed at its foot) rather than going near black, so a shift swaps
// colours more than brightness.
int MreaPicture(const char *dir) {
    Canvas c = NewCanvas();
    Shade(&c, [](int x, int y) {
        static const uint32_t sky[] = {0x2B1B5A, 0x8A3F8A, 0xF07A7A, 0xFFC890};
        double sun = std::exp(-(std::pow(x - 150, 2) + std::pow(y - 150, 2)) / 2400.0);
        return Mix(Ramp(sky, 4, y / 180.0), 0xFFF4D0, sun);
    });
    cairo_t *cr = c.cr;
    static const uint32_t crest[] = {0xF4B0B4, 0xE096A8, 0xC87C9E, 0xB06894, 0x4C2864};
    static const uint32_t foot[] = {0xD08898, 0xB4708E, 0x985A86, 0x80487C, 0x30164A};
    for (int k = 0; k < 5; k++) {
        auto ridge = [&](double x) {
            double n = Fbm(161 + k, x / (140.0 - k * 15), k * 3.0, 5);
            return 120 + k * 28 - 60 * std::fabs(n) - 20 * n;
        };
        double top = 120 + k * 28 - 60;
        cairo_move_to(cr, 0, H);
        for (int x = 0; x <= W; x += 3) cairo_line_to(cr, x, ridge(x));
        cairo_line_to(cr, W, H);
        cairo_close_path(cr);
        cairo_pattern_t *fill = cairo_pattern_create_linear(0, top, 0, top + 90);
        cairo_pattern_add_color_stop_rgb(fill, 0, (crest[k] >> 16) / 255.0,
                                         (crest[k] >> 8 & 255) / 255.0, (crest[k] & 255) / 255.0);
        cairo_pattern_add_color_stop_rgb(fill, 1, (foot[k] >> 16) / 255.0,
                                         (foot[k] >> 8 & 255) / 255.0, (foot[k] & 255) / 255.0);
        cairo_set_source(cr, fill);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(fill);
        cairo_set_line_width(cr, 1.5); // the sun catches the crest
        SetColour(cr, 0xFFD8C0, 0.6);
        cairo_stroke(cr);
        // Haze at the foot of the ridge, in front of the next one.
        cairo_pattern_t *haze = cairo_pattern_create_linear(0, top + 50, 0, top + 110);
        cairo_pattern_add_color_stop_rgba(haze, 0, 1.0, 0.75, 0.8, 0);
        cairo_pattern_add_color_stop_rgba(haze, 1, 1.0, 0.75, 0.8, k < 3 ? 0.3 : 0.0);
        cairo_set_source(cr, haze);
        cairo_rectangle(cr, 0, top + 50, W, 60);
        cairo_fill(cr);
        cairo_pattern_destroy(haze);
    }
    return SaveCanvas(dir, "mrea.jpg", &c);
}

// fette.jpg: deep space for the spikeball to tumble through, tiling
// seamlessly (the show zooms it from a dozen to a thousand texels across the
// view and scrolls it through a grid that wraps). Nebula clouds in layers of
// scale, navy to a teal glow in their cores with violet drifting through
// them, cut by dark dust lanes, and a scatter of stars: close up the view is
// a soft gradient of one cloud with a star as a blurred lamp, far off a
// field of clouds and stars, and the part's waves swirl the gas instead of
// bending lines. A dark ground: the red and gold star stands out by its
// light and colour, and a few stars are warm, to echo its highlights.
int FettePicture(const char *dir) {
    // The noise wraps every 4 x 2 lattice cells of 128 texels: the picture.
    auto cloud = [](uint32_t seed, int x, int y, int octaves) {
        return TileFbm(seed, x / 128.0, y / 128.0, 4, 2, octaves);
    };
    // The stars: one in each 16 x 16 cell, at a random spot and brightness,
    // most faint, a few bright; the cells divide the picture evenly, so the
    // stars wrap with it.
    const int cell = 16, cols = W / cell, rows = H / cell;
    std::vector<double> starX(cols * rows), starY(cols * rows), starA(cols * rows);
    std::vector<uint32_t> starC(cols * rows);
    Rng rng = NewRng(204);
    for (int i = 0; i < cols * rows; i++) {
        starX[i] = (i % cols + RngFloat(&rng)) * cell;
        starY[i] = (i / cols + RngFloat(&rng)) * cell;
        starA[i] = std::pow(RngFloat(&rng), 6); // mostly faint
        starC[i] = RngFloat(&rng) < 0.2 ? 0xFFD890 : 0xD8E8FF;
    }
    Canvas c = NewCanvas();
    Shade(&c, [&](int x, int y) {
        double d = std::clamp(0.5 + 1.4 * cloud(201, x, y, 5), 0.0, 1.0);
        static const uint32_t gas[] = {0x03050F, 0x0A1432, 0x1A3268, 0x3A6E9A};
        uint32_t out = Ramp(gas, 4, std::pow(d, 1.5));
        // Violet drifts through the clouds where the second field is high,
        // only where there is gas to colour.
        double violet = std::clamp(0.5 + 1.5 * cloud(202, x, y, 4), 0.0, 1.0);
        out = Mix(out, 0x4A1E66, 0.55 * violet * d);
        // Dust lanes: thin dark ribbons where a third field crosses zero.
        double lane = std::fabs(cloud(203, x, y, 4));
        out = Mix(out, 0x020308, 0.7 * std::clamp(1 - lane * 9, 0.0, 1.0) * d);
        // Filaments: fine bright threads of glowing gas where a finer field
        // crosses zero (a ridge of 1 - |noise|, sharpened), rose where the
        // violet drifts and ice blue elsewhere, brightest in the thick of
        // the cloud; and a soft glow round the densest knots.
        double ridge = 1 - std::fabs(TileFbm(205, x / 64.0, y / 64.0, 8, 4, 5));
        double thick = std::clamp((d - 0.3) / 0.5, 0.0, 1.0);
        double thread = std::pow(ridge, 14) * thick * thick * (3 - 2 * thick);
        out = Mix(out, Mix(0x7ABCE0, 0xD080C8, violet), std::min(0.6, thread * 0.9));
        out = Mix(out, 0x5A8AC0, 0.25 * std::pow(std::max(0.0, d - 0.6) / 0.4, 2));
        // Stars: this cell's and its neighbours' (a star near a cell edge
        // spills over it), measured on the torus so they wrap.
        int cx = x / cell, cy = y / cell;
        for (int j = -1; j <= 1; j++)
            for (int i = -1; i <= 1; i++) {
                int k = ((cy + j + rows) % rows) * cols + (cx + i + cols) % cols;
                double dx = x + 0.5 - starX[k], dy = y + 0.5 - starY[k];
                dx -= W * std::round(dx / W), dy -= H * std::round(dy / H);
                double r2 = (dx * dx + dy * dy) / (0.6 + 2.5 * starA[k]);
                double glow = (0.25 + 0.75 * starA[k]) * std::exp(-r2);
                if (glow > 0.004) out = Mix(out, starC[k], std::min(1.0, glow));
            }
        return out;
    });
    // Star clusters: a few tight swarms of small stars, the densest at each
    // centre, drawn again one picture away on every side so they wrap.
    cairo_t *cr = c.cr;
    for (int k = 0; k < 7; k++) {
        double cx = RngRange(&rng, 0, W), cy = RngRange(&rng, 0, H),
               spread = RngRange(&rng, 10, 22);
        int count = 40 + (int)RngRange(&rng, 0, 50);
        for (int oy = -1; oy <= 1; oy++) // the unresolved swarm's haze
            for (int ox = -1; ox <= 1; ox++) {
                double gx = cx + ox * W, gy = cy + oy * H;
                cairo_pattern_t *haze = cairo_pattern_create_radial(gx, gy, 0, gx, gy, spread);
                cairo_pattern_add_color_stop_rgba(haze, 0, 0.8, 0.85, 1, 0.3);
                cairo_pattern_add_color_stop_rgba(haze, 1, 0.8, 0.85, 1, 0);
                cairo_set_source(cr, haze);
                cairo_arc(cr, gx, gy, spread, 0, 2 * kPi);
                cairo_fill(cr);
                cairo_pattern_destroy(haze);
            }
        for (int i = 0; i < count; i++) {
            // A sum of uniforms: near enough a bell around the centre.
            double sx = (RngFloat(&rng) + RngFloat(&rng) + RngFloat(&rng) - 1.5) * spread;
            double sy = (RngFloat(&rng) + RngFloat(&rng) + RngFloat(&rng) - 1.5) * spread;
            double b = RngFloat(&rng), r = b > 0.9 ? 1.2 : 0.6;
            SetColour(cr, b > 0.7 ? 0xFFF0D0 : 0xC8DCFF, 0.35 + 0.6 * b);
            for (int oy = -1; oy <= 1; oy++)
                for (int ox = -1; ox <= 1; ox++) {
                    cairo_arc(cr, cx + sx + ox * W, cy + sy + oy * H, r, 0, 2 * kPi);
                    cairo_fill(cr);
                }
        }
    }
    return SaveTilingCanvas(dir, "fette.jpg", &c);
}

// vertikal3.jpg: two curtains of moonlight whose blue byte is their opacity
// (the show lays this layer over the wolf pictures by blue): bright where
// opaque, black between them, never brighter in red or green than in blue.
// They stand in the open sky between the moon at the left and the wolf at
// the right, far enough from both that the parts' waves (30 pixels either
// way) never carry one over the wolf or across the moon's disc; they frame
// the cube. Each is a core of fine near-white rays that brighten and dim
// down its length, in a wide faint halo. The blend lays a pixel of opacity
// a over the picture at a x a of its own light and darkens the rest by a:
// a halo kept near white and no more opaque than the dusk sky is bright
// adds about as much light as it takes, so the glow neither greys the sky
// beside a curtain nor, where the waves fold a curtain and the block
// renderer stretches a few of its pixels over a block, shows as a grey
// square. Everything tiles down the height (the layer wraps).
int VertikalPicture(const char *dir) {
    struct Curtain {
        double x;
        uint32_t seed;
        uint32_t hue; // the core's tint; blue leads
    };
    const Curtain curtains[] = {{185, 182, 0xC8B4FF}, {297, 187, 0xB4D8FF}};
    Canvas c = NewCanvas();
    Shade(&c, [&](int x, int y) -> uint32_t {
        double best = 0, white = 0;
        uint32_t hue = 0;
        for (const Curtain &k : curtains) {
            double v = y * 4.0 / H; // four noise cells down the height, wrapping
            double dx = x - k.x - 1.8 * TileFbm(k.seed, 0.5, v, 1, 4, 3) * 2;
            if (std::fabs(dx) > 18) continue;
            double halo = 0.3 * std::exp(-dx * dx / 110.0);
            double rays = 0;
            for (int s = -3; s <= 3; s++) {
                double w = y * 6.0 / H;
                double at = s * 2.6 + 0.8 * TileFbm(k.seed + 10 + s, 0.5, w, 1, 6, 2) * 2;
                // Each ray brightens and fades down its length.
                double level = std::clamp(
                    0.55 + 0.9 * TileFbm(k.seed + 20 + s, 0.5, y * 5.0 / H, 1, 5, 3) * 2, 0.0, 1.0);
                rays = std::max(rays, level * std::exp(-(dx - at) * (dx - at) / 1.8));
            }
            double core = Smooth(11.5, 6, std::fabs(dx)) * (0.74 + 0.26 * rays);
            double a = std::max(halo, core);
            if (a > best) best = a, white = Smooth(0.8, 1.0, a) + Smooth(0.6, 0.4, a), hue = k.hue;
        }
        if (best < 0.04) return 0;
        // Blue is the opacity; red and green follow the tint, paling to
        // white in the bright rays and in the faint halo.
        uint32_t tint = Mix(hue, 0xF0F4FF, std::min(white, 1.0)); // JPEG keeps blue ahead
        double blue = 255 * best;
        return Rgb(blue * (tint >> 16 & 255) / 255.0, blue * (tint >> 8 & 255) / 255.0, blue);
    });
    return SaveTilingCanvas(dir, "vertikal3.jpg", &c);
}

// gr.jpg: the light of the finale's sunset, with no forest of its own: a
// rose and gold sky, a low sun and long streaks of cloud. The finale fades
// toward it by up to a third and back every 6.3 s, so its white warms into
// a glow and its winter afternoon into evening light, and back again; a
// picture with pines of its own would lay a ghost forest over both.
int GrPicture(const char *dir) {
    Canvas c = NewCanvas();
    Shade(&c, [](int x, int y) {
        static const uint32_t sky[] = {0xF08C9C, 0xFFA47C, 0xFFC47A, 0xFFDC96, 0xFFE8B8};
        double glow = std::exp(-(std::pow(x - 330, 2) + std::pow(y - 120, 2) * 2) / 16000.0);
        // Long, thin streaks of rose cloud across the sky.
        double streak = std::max(0.0, Fbm(195, x / 160.0, y / 9.0, 4)) * (y < 170 ? 1.0 : 0.3);
        return Mix(Mix(Ramp(sky, 5, y / 256.0), 0xE0708C, 0.6 * streak), 0xFFF8E0, 0.8 * glow);
    });
    Moon(c.cr, 330, 120, 46, 0.4); // the setting sun
    return SaveCanvas(dir, "gr.jpg", &c);
}

} // namespace

int GeneratePictures(const char *dir) {
    int (*const pictures[])(const char *) = {
        LoadPicture,  KeyPicture,   FearPicture,     SmokePicture, NamePicture,  OverlayPicture,
        SplatPicture, Fern1Picture, Fern2Picture,    CredsPicture, MoahPicture,  Cani1Picture,
        Cani2Picture, DrakePicture, LakePicture,     LakeFPicture, Over2Picture, SkogPicture,
        MreaPicture,  FettePicture, VertikalPicture, GrPicture};
    int ok = 1;
    for (auto picture : pictures)
        if (ok) ok = picture(dir);
    // Cairo keeps its font caches (and the font patterns behind them) for the
    // life of the process; giving them back keeps leak checkers quiet.
    cairo_debug_reset_static_data();
    return ok;
}
