// paint: what the picture generators draw with: a 512 x 256 Cairo canvas
// whose pixels are the show's own 0x00RRGGBB words, seeded noise, colour
// ramps, and JPEG encoding and decoding through TurboJPEG.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <vector>

#define PICTURE_WIDTH  512 // Every picture of the show is 512 x 256
#define PICTURE_HEIGHT 256

typedef struct Canvas {
    cairo_surface_t *surface; // RGB24 image surface, 512 x 256, stride 2048 bytes
    cairo_t *cr;              // Drawing context on surface
} Canvas;

// Returns a new canvas cleared to black.
Canvas NewCanvas(void);
// Releases the canvas's context and surface.
void FreeCanvas(Canvas *canvas);
// Flushes Cairo's drawing and returns the 512 x 256 pixels (0x00RRGGBB, row
// after row) for direct writing; call DonePixels before drawing with Cairo again.
uint32_t *BeginPixels(Canvas *canvas);
// Tells Cairo that the pixels were written directly.
void DonePixels(Canvas *canvas);

// Packs r, g, b (0-255, clamped) into 0x00RRGGBB.
uint32_t Rgb(double r, double g, double b);
// Returns the colour at t (0-1, clamped) on a ramp of count colours spaced evenly.
uint32_t Ramp(const uint32_t *colours, int count, double t);
// Mixes two 0x00RRGGBB colours: a at t = 0, b at t = 1.
uint32_t Mix(uint32_t a, uint32_t b, double t);
// Linear-light value (0-1) of an 8-bit sRGB code.
double LinearOf(int code);
// Relative luminance (linear light, Rec. 709 weights, 0-1) of 0x00RRGGBB.
double Luminance(uint32_t colour);
// The colour of hue (0x00RRGGBB) scaled in linear light to relative luminance
// target (0-1); channels that would pass 255 clip, so very bright targets come
// out a little darker.
uint32_t WithLuminance(uint32_t hue, double target);
// A colour of the same luminance as mid grey (128) whose inverse (255 - each
// channel) has that luminance too: hue angle (radians) and chroma (0-100).
uint32_t IsoColour(double angle, double chroma);
// Sets Cairo's source colour to 0x00RRGGBB with opacity alpha.
void SetColour(cairo_t *cr, uint32_t colour, double alpha);

// Gradient noise (Perlin style) in about -1..1 at (x, y), different for every seed.
double Noise(uint32_t seed, double x, double y);
// Sum of octaves of Noise, each twice the frequency and half the weight.
double Fbm(uint32_t seed, double x, double y, int octaves);
// As Noise, but repeating every periodX along x and periodY along y (whole numbers).
double TileNoise(uint32_t seed, double x, double y, int periodX, int periodY);
// As Fbm, built from TileNoise; the base periods double with every octave.
double TileFbm(uint32_t seed, double x, double y, int periodX, int periodY, int octaves);

// Encodes 512 x 256 pixels as a baseline JPEG, 4:4:4, at quality (1-100).
std::vector<unsigned char> EncodeJpeg(const uint32_t *pixels, int quality);
