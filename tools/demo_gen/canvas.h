// A small RGBA canvas for drawing the demo game's pictures by program: filled
// shapes, dark outlines, two-tone shading, and PNG and JPEG output without
// time stamps, so two runs write the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

struct rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};
constexpr rgba clear{0, 0, 0, 0};
constexpr rgba key{255, 0, 255, 255};  // the lists' transparent colour

// A colour moved towards black (f < 1) or white (f > 1).
rgba shade(rgba c, double f);
rgba mix(rgba a, rgba b, double t);

class canvas {
  public:
    canvas(int width, int height, rgba fill = key);
    int width() const { return w_; }
    int height() const { return h_; }
    rgba at(int x, int y) const;
    void set(int x, int y, rgba c);    // ignores points outside
    void blend(int x, int y, rgba c);  // over the pixel by c's alpha

    void fill_rect(int x, int y, int w, int h, rgba c);
    void fill_ellipse(double cx, double cy, double rx, double ry, rgba c);
    void fill_triangle(double x0, double y0, double x1, double y1, double x2, double y2, rgba c);
    void line(double x0, double y0, double x1, double y1, rgba c);
    void soft_disc(double cx, double cy, double radius, rgba c);  // alpha falls off to the rim
    void ring(double cx, double cy, double radius, double thickness, rgba c);

    // Two-tone shading of the opaque pixels of a rectangle: the lower right
    // half of each shape darker, a light rim at its upper left.
    void shade_rect(int x, int y, int w, int h);
    // A dark outline around every shape of a rectangle (never black or key).
    void outline_rect(int x, int y, int w, int h);
    // Copies another canvas in at (x, y), skipping its key and clear pixels.
    void paste(const canvas& other, int x, int y, bool mirrored = false);

    std::vector<unsigned char> png(bool with_alpha) const;
    std::vector<unsigned char> jpeg(int quality) const;

  private:
    bool opaque(int x, int y) const;
    int w_, h_;
    std::vector<rgba> px_;
};

}  // namespace demo
