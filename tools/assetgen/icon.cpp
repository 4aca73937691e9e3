// The desktop icon: a falling spark over a night-blue disc, its trail a
// string of smaller glints, drawn at 256 x 256 with an alpha channel.
#include "assetgen/assetgen.h"

#include <cairo.h>

#include <cmath>
#include <cstdio>

static const double kPi = 3.14159265358979323846;

// A four-pointed glint centred on (x, y), radius r, warm white at alpha.
static void Glint(cairo_t *cr, double x, double y, double r, double alpha) {
    // The glow: a radial fade to nothing at 1.6 radii.
    cairo_pattern_t *glow = cairo_pattern_create_radial(x, y, 0, x, y, r * 1.6);
    cairo_pattern_add_color_stop_rgba(glow, 0, 1.0, 0.95, 0.75, 0.9 * alpha);
    cairo_pattern_add_color_stop_rgba(glow, 1, 0.6, 0.8, 1.0, 0);
    cairo_set_source(cr, glow);
    cairo_arc(cr, x, y, r * 1.6, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
    // The star: four long points, their waists at a tenth of the radius.
    cairo_move_to(cr, x, y - r);
    for (int k = 0; k < 4; k++) {
        double a = kPi / 2 * k + kPi / 4; // The waist between two points
        double b = kPi / 2 * (k + 1);     // The next point
        cairo_line_to(cr, x + 0.1 * r * sin(a), y - 0.1 * r * cos(a));
        cairo_line_to(cr, x + r * sin(b), y - r * cos(b));
    }
    cairo_close_path(cr);
    cairo_set_source_rgba(cr, 1.0, 0.98, 0.9, alpha);
    cairo_fill(cr);
}

int WriteIcon(const char *path) {
    const int size = 256;
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t *cr = cairo_create(surface);
    // The disc: deep blue at the top to violet at the bottom, a thin light rim.
    cairo_pattern_t *sky = cairo_pattern_create_linear(0, 8, 0, size - 8);
    cairo_pattern_add_color_stop_rgb(sky, 0, 0.03, 0.05, 0.18);
    cairo_pattern_add_color_stop_rgb(sky, 1, 0.22, 0.07, 0.32);
    cairo_arc(cr, size / 2.0, size / 2.0, size / 2.0 - 8, 0, 2 * kPi);
    cairo_set_source(cr, sky);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(sky);
    cairo_clip(cr); // The glows end at the disc's edge
    // The trail, from the upper left down to the spark, each glint smaller and fainter.
    for (int i = 0; i < 6; i++) {
        double t = i / 6.0;
        Glint(cr, 60 + 80 * t, 52 + 90 * t, 6 + 10 * t, 0.35 + 0.5 * t);
    }
    Glint(cr, 158, 160, 62, 1.0);
    cairo_reset_clip(cr);
    cairo_arc(cr, size / 2.0, size / 2.0, size / 2.0 - 8, 0, 2 * kPi);
    cairo_set_line_width(cr, 4);
    cairo_set_source_rgba(cr, 0.55, 0.7, 1.0, 0.6);
    cairo_stroke(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    cairo_status_t status = cairo_surface_write_to_png(surface, path);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "assetgen: cannot write %s: %s\n", path,
                     cairo_status_to_string(status));
        return 0;
    }
    return 1;
}
