#include "assetgen/paint.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstring>

Canvas NewCanvas(void) {
    Canvas c;
    c.surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, PICTURE_WIDTH, PICTURE_HEIGHT);
    c.cr = cairo_create(c.surface);
    cairo_set_source_rgb(c.cr, 0, 0, 0);
    cairo_paint(c.cr);
    return c;
}

void FreeCanvas(Canvas *canvas) {
    cairo_destroy(canvas->cr);
    cairo_surface_destroy(canvas->surface);
    canvas->cr = nullptr;
    canvas->surface = nullptr;
}

uint32_t *BeginPixels(Canvas *canvas) {
    cairo_surface_flush(canvas->surface);
    return (uint32_t *)cairo_image_surface_get_data(canvas->surface);
}

void DonePixels(Canvas *canvas) {
    cairo_surface_mark_dirty(canvas->surface);
}

static int Channel(double v) {
    return (int)std::lround(std::clamp(v, 0.0, 255.0));
}

uint32_t Rgb(double r, double g, double b) {
    return (uint32_t)(Channel(r) << 16 | Channel(g) << 8 | Channel(b));
}

uint32_t Mix(uint32_t a, uint32_t b, double t) {
    auto ch = [&](int shift) {
        double x = (a >> shift & 255), y = (b >> shift & 255);
        return x + (y - x) * t;
    };
    return Rgb(ch(16), ch(8), ch(0));
}

uint32_t Ramp(const uint32_t *colours, int count, double t) {
    t = std::clamp(t, 0.0, 1.0) * (count - 1);
    int i = std::min((int)t, count - 2);
    return Mix(colours[i], colours[i + 1], t - i);
}

double LinearOf(int code) {
    double c = std::clamp(code, 0, 255) / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(uint32_t c) {
    return 0.2126 * LinearOf(c >> 16 & 255) + 0.7152 * LinearOf(c >> 8 & 255) +
           0.0722 * LinearOf(c & 255);
}

// Linear light back to an sRGB code (0-255 as a double, unclamped above).
static double EncodeLinear(double v) {
    v = std::max(v, 0.0);
    double c = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
    return c * 255;
}

uint32_t WithLuminance(uint32_t hue, double target) {
    double l = Luminance(hue), k = l > 0 ? target / l : 0;
    if (l <= 0) return Rgb(EncodeLinear(target), EncodeLinear(target), EncodeLinear(target));
    return Rgb(EncodeLinear(LinearOf(hue >> 16 & 255) * k),
               EncodeLinear(LinearOf(hue >> 8 & 255) * k), EncodeLinear(LinearOf(hue & 255) * k));
}

uint32_t IsoColour(double angle, double chroma) {
    // Two directions along which the weighted sum 0.2126 r + 0.7152 g +
    // 0.0722 b stays put: a move along them keeps the luminance of mid grey
    // to first order, and the inverse colour moves the other way by as much.
    double c = std::cos(angle) * chroma, s = std::sin(angle) * chroma;
    return Rgb(128 + c - 0.17 * s, 128 - 0.2973 * c - 0.05 * s, 128 + s);
}

void SetColour(cairo_t *cr, uint32_t colour, double alpha) {
    cairo_set_source_rgba(cr, (colour >> 16 & 255) / 255.0, (colour >> 8 & 255) / 255.0,
                          (colour & 255) / 255.0, alpha);
}

// Hashes a lattice point and a seed to a gradient direction.
static void Gradient(uint32_t seed, int x, int y, double *gx, double *gy) {
    uint32_t h = seed * 0x9E3779B1u ^ (uint32_t)x * 0x85EBCA77u ^ (uint32_t)y * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    double a = (h & 0xFFFF) * (6.283185307179586 / 65536.0);
    *gx = std::cos(a);
    *gy = std::sin(a);
}

static double Fade(double t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}

// Gradient noise on a lattice that wraps every px x py cells (0: no wrap).
static double LatticeNoise(uint32_t seed, double x, double y, int px, int py) {
    double fx = std::floor(x), fy = std::floor(y);
    int x0 = (int)fx, y0 = (int)fy;
    double dx = x - fx, dy = y - fy;
    auto corner = [&](int cx, int cy) {
        int wx = x0 + cx, wy = y0 + cy;
        if (px > 0) wx = ((wx % px) + px) % px;
        if (py > 0) wy = ((wy % py) + py) % py;
        double gx, gy;
        Gradient(seed, wx, wy, &gx, &gy);
        return gx * (dx - cx) + gy * (dy - cy);
    };
    double u = Fade(dx), v = Fade(dy);
    double a = corner(0, 0) + u * (corner(1, 0) - corner(0, 0));
    double b = corner(0, 1) + u * (corner(1, 1) - corner(0, 1));
    return (a + v * (b - a)) * 1.41;
}

double Noise(uint32_t seed, double x, double y) {
    return LatticeNoise(seed, x, y, 0, 0);
}

double Fbm(uint32_t seed, double x, double y, int octaves) {
    double sum = 0, weight = 0.5, f = 1;
    for (int o = 0; o < octaves; o++) {
        sum += weight * Noise(seed + o * 101, x * f, y * f);
        weight *= 0.5;
        f *= 2;
    }
    return sum;
}

double TileNoise(uint32_t seed, double x, double y, int periodX, int periodY) {
    return LatticeNoise(seed, x, y, periodX, periodY);
}

double TileFbm(uint32_t seed, double x, double y, int periodX, int periodY, int octaves) {
    double sum = 0, weight = 0.5, f = 1;
    for (int o = 0; o < octaves; o++) {
        sum += weight * TileNoise(seed + o * 101, x * f, y * f, periodX << o, periodY << o);
        weight *= 0.5;
        f *= 2;
    }
    return sum;
}

std::vector<unsigned char> EncodeJpeg(const uint32_t *pixels, int quality) {
    std::vector<unsigned char> out;
    tjhandle tj = tjInitCompress();
    if (!tj) return out;
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    // 0x00RRGGBB words lie in memory as B, G, R, X on a little-endian machine.
    if (tjCompress2(tj, (const unsigned char *)pixels, PICTURE_WIDTH, PICTURE_WIDTH * 4,
                    PICTURE_HEIGHT, TJPF_BGRX, &jpeg, &size, TJSAMP_444, quality,
                    TJFLAG_ACCURATEDCT) == 0)
        out.assign(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(tj);
    return out;
}
