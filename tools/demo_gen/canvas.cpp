// Drawing and the PNG and JPEG writers of the demo pictures.
#include "canvas.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace demo {

namespace {

uint8_t clamp8(double v) {
    return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

bool same(rgba a, rgba b) {
    return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

}  // namespace

rgba shade(rgba c, double f) {
    if (f <= 1) return {clamp8(c.r * f), clamp8(c.g * f), clamp8(c.b * f), c.a};
    const double t = f - 1;
    return {clamp8(c.r + (255 - c.r) * t), clamp8(c.g + (255 - c.g) * t),
            clamp8(c.b + (255 - c.b) * t), c.a};
}

rgba mix(rgba a, rgba b, double t) {
    return {clamp8(a.r + (b.r - a.r) * t), clamp8(a.g + (b.g - a.g) * t),
            clamp8(a.b + (b.b - a.b) * t), clamp8(a.a + (b.a - a.a) * t)};
}

canvas::canvas(int width, int height, rgba fill)
    : w_(width), h_(height), px_(static_cast<size_t>(width) * height, fill) {}

rgba canvas::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return key;
    return px_[static_cast<size_t>(y) * w_ + x];
}

void canvas::set(int x, int y, rgba c) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    px_[static_cast<size_t>(y) * w_ + x] = c;
}

void canvas::blend(int x, int y, rgba c) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    rgba& d = px_[static_cast<size_t>(y) * w_ + x];
    if (same(d, key) || d.a == 0) {
        d = c;
        return;
    }
    const double a = c.a / 255.0;
    d = {clamp8(d.r + (c.r - d.r) * a), clamp8(d.g + (c.g - d.g) * a),
         clamp8(d.b + (c.b - d.b) * a), std::max(d.a, c.a)};
}

bool canvas::opaque(int x, int y) const {
    const rgba c = at(x, y);
    return !same(c, key) && c.a > 0;
}

void canvas::fill_rect(int x, int y, int w, int h, rgba c) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) set(i, j, c);
}

void canvas::fill_ellipse(double cx, double cy, double rx, double ry, rgba c) {
    for (int j = static_cast<int>(cy - ry - 1); j <= cy + ry + 1; ++j) {
        for (int i = static_cast<int>(cx - rx - 1); i <= cx + rx + 1; ++i) {
            const double dx = (i + 0.5 - cx) / rx, dy = (j + 0.5 - cy) / ry;
            if (dx * dx + dy * dy <= 1.0) set(i, j, c);
        }
    }
}

void canvas::fill_triangle(double x0, double y0, double x1, double y1, double x2, double y2,
                           rgba c) {
    const int minx = static_cast<int>(std::floor(std::min({x0, x1, x2})));
    const int maxx = static_cast<int>(std::ceil(std::max({x0, x1, x2})));
    const int miny = static_cast<int>(std::floor(std::min({y0, y1, y2})));
    const int maxy = static_cast<int>(std::ceil(std::max({y0, y1, y2})));
    const auto edge = [](double ax, double ay, double bx, double by, double px, double py) {
        return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    };
    for (int j = miny; j <= maxy; ++j) {
        for (int i = minx; i <= maxx; ++i) {
            const double px = i + 0.5, py = j + 0.5;
            const double e0 = edge(x0, y0, x1, y1, px, py), e1 = edge(x1, y1, x2, y2, px, py),
                         e2 = edge(x2, y2, x0, y0, px, py);
            if ((e0 >= 0 && e1 >= 0 && e2 >= 0) || (e0 <= 0 && e1 <= 0 && e2 <= 0)) set(i, j, c);
        }
    }
}

void canvas::line(double x0, double y0, double x1, double y1, rgba c) {
    const int steps = static_cast<int>(std::max(std::abs(x1 - x0), std::abs(y1 - y0))) + 1;
    for (int k = 0; k <= steps; ++k) {
        const double t = static_cast<double>(k) / steps;
        set(static_cast<int>(std::floor(x0 + (x1 - x0) * t)),
            static_cast<int>(std::floor(y0 + (y1 - y0) * t)), c);
    }
}

void canvas::soft_disc(double cx, double cy, double radius, rgba c) {
    for (int j = static_cast<int>(cy - radius - 1); j <= cy + radius + 1; ++j) {
        for (int i = static_cast<int>(cx - radius - 1); i <= cx + radius + 1; ++i) {
            const double d = std::hypot(i + 0.5 - cx, j + 0.5 - cy) / radius;
            if (d >= 1) continue;
            rgba p = c;
            p.a = clamp8(c.a * (1 - d * d));
            blend(i, j, p);
        }
    }
}

void canvas::ring(double cx, double cy, double radius, double thickness, rgba c) {
    for (int j = static_cast<int>(cy - radius - thickness - 1); j <= cy + radius + thickness + 1;
         ++j) {
        for (int i = static_cast<int>(cx - radius - thickness - 1);
             i <= cx + radius + thickness + 1; ++i) {
            const double d = std::abs(std::hypot(i + 0.5 - cx, j + 0.5 - cy) - radius) / thickness;
            if (d >= 1) continue;
            rgba p = c;
            p.a = clamp8(c.a * (1 - d));
            blend(i, j, p);
        }
    }
}

void canvas::shade_rect(int x, int y, int w, int h) {
    std::vector<rgba> copy = px_;
    const auto was_opaque = [&](int i, int j) {
        if (i < x || j < y || i >= x + w || j >= y + h) return false;
        const rgba c = copy[static_cast<size_t>(j) * w_ + i];
        return !same(c, key) && c.a > 0;
    };
    for (int j = y; j < y + h; ++j) {
        for (int i = x; i < x + w; ++i) {
            if (!was_opaque(i, j)) continue;
            const rgba c = copy[static_cast<size_t>(j) * w_ + i];
            // Lit from the upper left: a rim there, a shadow towards the lower right.
            if (!was_opaque(i - 1, j) || !was_opaque(i, j - 1))
                set(i, j, shade(c, 1.25));
            else if (!was_opaque(i + 2, j) || !was_opaque(i, j + 2))
                set(i, j, shade(c, 0.72));
        }
    }
}

void canvas::outline_rect(int x, int y, int w, int h) {
    std::vector<rgba> copy = px_;
    const auto color_at = [&](int i, int j) -> const rgba* {
        if (i < x || j < y || i >= x + w || j >= y + h) return nullptr;
        const rgba& c = copy[static_cast<size_t>(j) * w_ + i];
        return same(c, key) || c.a == 0 ? nullptr : &c;
    };
    for (int j = y; j < y + h; ++j) {
        for (int i = x; i < x + w; ++i) {
            if (color_at(i, j)) continue;
            const int around[4][2] = {{i - 1, j}, {i + 1, j}, {i, j - 1}, {i, j + 1}};
            for (const auto& p : around) {
                if (const rgba* c = color_at(p[0], p[1])) {
                    rgba o = shade(*c, 0.3);
                    o.r = std::max<uint8_t>(o.r, 12);
                    o.g = std::max<uint8_t>(o.g, 10);
                    o.b = std::max<uint8_t>(o.b, 20);
                    o.a = 255;
                    set(i, j, o);
                    break;
                }
            }
        }
    }
}

void canvas::paste(const canvas& other, int x, int y, bool mirrored) {
    for (int j = 0; j < other.h_; ++j) {
        for (int i = 0; i < other.w_; ++i) {
            const rgba c = other.at(mirrored ? other.w_ - 1 - i : i, j);
            if (same(c, key) || c.a == 0) continue;
            if (c.a == 255)
                set(x + i, y + j, c);
            else
                blend(x + i, y + j, c);
        }
    }
}

std::vector<unsigned char> canvas::png(bool with_alpha) const {
    std::vector<unsigned char> out;
    png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    if (!p || !info || setjmp(png_jmpbuf(p))) {
        png_destroy_write_struct(&p, &info);
        throw std::runtime_error("png: cannot write");
    }
    png_set_write_fn(
        p, &out,
        [](png_structp s, png_bytep data, png_size_t n) {
            auto* o = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(s));
            o->insert(o->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(p, info, w_, h_, 8, with_alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(p, 6);
    png_write_info(p, info);
    std::vector<unsigned char> row(static_cast<size_t>(w_) * 4);
    for (int j = 0; j < h_; ++j) {
        size_t k = 0;
        for (int i = 0; i < w_; ++i) {
            rgba c = at(i, j);
            // A clear pixel of an opaque picture is the key colour.
            if (!with_alpha && c.a == 0) c = key;
            row[k++] = c.r;
            row[k++] = c.g;
            row[k++] = c.b;
            if (with_alpha) row[k++] = same(c, key) ? 0 : c.a;
        }
        png_write_row(p, row.data());
    }
    png_write_end(p, nullptr);
    png_destroy_write_struct(&p, &info);
    return out;
}

std::vector<unsigned char> canvas::jpeg(int quality) const {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = static_cast<JDIMENSION>(w_);
    c.image_height = static_cast<JDIMENSION>(h_);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(w_) * 3);
    while (c.next_scanline < c.image_height) {
        const int j = static_cast<int>(c.next_scanline);
        for (int i = 0; i < w_; ++i) {
            const rgba p = at(i, j);
            row[i * 3] = p.r;
            row[i * 3 + 1] = p.g;
            row[i * 3 + 2] = p.b;
        }
        unsigned char* rows[] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<unsigned char> out(buffer, buffer + size);
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return out;
}

}  // namespace demo
