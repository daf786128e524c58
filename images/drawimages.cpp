// Draws the pictures of the game: the six die faces in orange and in blue (held) and the about
// picture, each again at twice the resolution for 2x screens, and the program's icon in the
// sizes of the desktop's icon theme and as a scalable SVG. Run it from the images folder (build
// target "drawimages"); it writes the same bytes every time, and the build embeds or installs the
// committed files.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <png.h>
#include <string>
#include <vector>

namespace
{
struct Color {
  double r, g, b;
};

Color Mix(Color a, Color b, double t)
{
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

class Canvas
{
public:
  // A picture of size x size pixels showing a design drawn in units of 1 / scale pixels, so
  // that one design makes every resolution. Opaque canvases blend plainly; a transparent one
  // keeps the coverage in its alpha channel (icons).
  Canvas(int size, Color fill, double scale = 1.0, bool transparent = false)
      : size_(size), scale_(scale), transparent_(transparent), px_(size_t(size * size), fill),
        alpha_(size_t(size * size), transparent ? 0.0 : 1.0)
  {
  }
  int Size() const { return size_; }
  double Scale() const { return scale_; }

  // Blends colour c over pixel (x, y) with coverage a.
  void Blend(int x, int y, Color c, double a)
  {
    if (x < 0 || y < 0 || x >= size_ || y >= size_ || a <= 0) return;
    a = std::min(a, 1.0);
    Color& p = px_[size_t(y * size_ + x)];
    if (!transparent_) {
      p = Mix(p, c, a);
      return;
    }
    // Porter-Duff "over" on straight (not premultiplied) colour.
    double& pa = alpha_[size_t(y * size_ + x)];
    const double out = a + pa * (1 - a);
    if (out <= 0) return;
    p = {(c.r * a + p.r * pa * (1 - a)) / out, (c.g * a + p.g * pa * (1 - a)) / out,
         (c.b * a + p.b * pa * (1 - a)) / out};
    pa = out;
  }

  // Fills the shape given by a signed distance in design units (negative inside), shaded per
  // pixel; the edge is smoothed over one device pixel.
  template <class Dist, class Shade> void Fill(Dist dist, Shade shade, double opacity = 1.0)
  {
    for (int y = 0; y < size_; ++y)
      for (int x = 0; x < size_; ++x) {
        const double cx = (x + 0.5) / scale_, cy = (y + 0.5) / scale_;
        const double cover = std::clamp(0.5 - dist(cx, cy) * scale_, 0.0, 1.0);
        if (cover > 0) Blend(x, y, shade(cx, cy), cover * opacity);
      }
  }

  bool Write(const std::string& path) const
  {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
      std::fclose(f);
      return false;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, png_uint_32(size_), png_uint_32(size_), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_sRGB_gAMA_and_cHRM(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    png_set_pHYs(png, info, 2835, 2835, PNG_RESOLUTION_METER);
    png_write_info(png, info);
    std::vector<png_byte> row(size_t(size_) * 4);
    for (int y = 0; y < size_; ++y) {
      for (int x = 0; x < size_; ++x) {
        const Color& c = px_[size_t(y * size_ + x)];
        row[size_t(x) * 4 + 0] = png_byte(std::lround(std::clamp(c.r, 0.0, 255.0)));
        row[size_t(x) * 4 + 1] = png_byte(std::lround(std::clamp(c.g, 0.0, 255.0)));
        row[size_t(x) * 4 + 2] = png_byte(std::lround(std::clamp(c.b, 0.0, 255.0)));
        row[size_t(x) * 4 + 3] =
            png_byte(std::lround(std::clamp(alpha_[size_t(y * size_ + x)], 0.0, 1.0) * 255));
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
  }

private:
  int size_;
  double scale_;
  bool transparent_;
  std::vector<Color> px_;
  std::vector<double> alpha_;
};

double RoundRect(double x, double y, double x0, double y0, double x1, double y1, double r)
{
  const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
  const double hx = (x1 - x0) / 2 - r, hy = (y1 - y0) / 2 - r;
  const double qx = std::abs(x - cx) - hx, qy = std::abs(y - cy) - hy;
  const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
  return outside + std::min(std::max(qx, qy), 0.0) - r;
}

double Circle(double x, double y, double cx, double cy, double r)
{
  return std::hypot(x - cx, y - cy) - r;
}

struct DiePalette {
  Color light, dark, edge, pipTop, pipBottom;
};

const DiePalette Orange{{255, 184, 82}, {236, 112, 18}, {160, 76, 8}, {70, 34, 8}, {122, 62, 20}};
const DiePalette Blue{{128, 188, 255}, {34, 102, 214}, {18, 52, 132}, {10, 22, 72}, {30, 54, 120}};

// Pip centres on the 72-pixel grid, per face.
const std::vector<std::pair<double, double>> Pips[7] = {
    {},
    {{36, 36}},
    {{52, 20}, {20, 52}},
    {{20, 52}, {36, 36}, {52, 20}},
    {{20, 20}, {52, 20}, {20, 52}, {52, 52}},
    {{20, 20}, {52, 20}, {36, 36}, {20, 52}, {52, 52}},
    {{20, 20}, {20, 36}, {20, 52}, {52, 20}, {52, 36}, {52, 52}},
};

// A die of the given size with its top-left corner at (ox, oy); 72 is the natural size.
void DrawDie(Canvas& c, double ox, double oy, double size, int face, const DiePalette& pal)
{
  const double s = size / 72.0;
  const double x0 = ox + 2 * s, y0 = oy + 2 * s, x1 = ox + 70 * s, y1 = oy + 70 * s;
  const double radius = 13 * s;
  // Soft drop shadow just inside the margin.
  c.Fill(
      [&](double x, double y) {
        return RoundRect(x, y, x0 + s, y0 + 1.5 * s, x1 + s, y1 + 1.2 * s, radius) / (1.6 * s);
      },
      [](double, double) {
        return Color{150, 150, 150};
      },
      0.35);
  // Edge, then the body with a diagonal gradient from light (top left) to dark.
  c.Fill([&](double x, double y) { return RoundRect(x, y, x0, y0, x1, y1, radius); },
         [&](double, double) { return pal.edge; });
  c.Fill(
      [&](double x, double y) {
        return RoundRect(x, y, x0 + 1.4 * s, y0 + 1.4 * s, x1 - 1.4 * s, y1 - 1.4 * s,
                         radius - 1.4 * s);
      },
      [&](double x, double y) {
        const double t = std::clamp(((x - x0) + (y - y0)) / ((x1 - x0) + (y1 - y0)), 0.0, 1.0);
        return Mix(pal.light, pal.dark, t * t * 0.9 + t * 0.1);
      });
  // The shine: a soft white glow over the upper left.
  c.Fill(
      [&](double x, double y) {
        return RoundRect(x, y, x0 + 4 * s, y0 + 3 * s, x1 - 10 * s, y0 + 30 * s, 11 * s);
      },
      [](double, double) {
        return Color{255, 255, 255};
      },
      0.0);
  for (int yy = 0; yy < c.Size(); ++yy)
    for (int xx = 0; xx < c.Size(); ++xx) {
      const double x = (xx + 0.5) / c.Scale(), y = (yy + 0.5) / c.Scale();
      const double inside =
          -RoundRect(x, y, x0 + 3 * s, y0 + 3 * s, x1 - 3 * s, y1 - 3 * s, radius - 3 * s);
      if (inside <= 0) continue;
      const double d = std::hypot((x - (ox + 24 * s)) / (34 * s), (y - (oy + 20 * s)) / (24 * s));
      const double glow = std::clamp(1.0 - d, 0.0, 1.0);
      c.Blend(xx, yy, {255, 255, 255}, 0.42 * glow * glow * std::min(inside / s, 1.0));
    }
  // Pips: recessed, darker at the top, with a faint light rim below.
  for (const auto& [px, py] : Pips[face]) {
    const double cx = ox + px * s, cy = oy + py * s, r = 6.4 * s;
    c.Fill([&](double x, double y) { return Circle(x, y, cx, cy + 0.8 * s, r); },
           [](double, double) {
             return Color{255, 255, 255};
           },
           0.35);
    c.Fill([&](double x, double y) { return Circle(x, y, cx, cy, r); },
           [&](double, double y) {
             return Mix(pal.pipTop, pal.pipBottom, std::clamp((y - cy + r) / (2 * r), 0.0, 1.0));
           });
  }
}

void DrawAbout(Canvas& c)
{
  // Grey rounded-square frame.
  c.Fill([](double x, double y) { return RoundRect(x, y, 5, 5, 123, 123, 22); },
         [](double, double y) {
           return Mix(Color{196, 196, 200}, Color{150, 150, 156}, y / 128.0);
         });
  c.Fill([](double x, double y) { return RoundRect(x, y, 12, 12, 116, 116, 16); },
         [](double x, double y) {
           return Mix(Color{250, 250, 250}, Color{218, 218, 222}, (x + y) / 256.0);
         });
  // The emblem: an open ring crossed by a slanted bar, in dark grey.
  const Color emblem{72, 72, 78};
  c.Fill(
      [](double x, double y) {
        const double ring = std::abs(Circle(x, y, 52, 50, 27)) - 6;
        const double gap = -(x - 64) - (y - 70) * 0.2; // opened towards the lower right
        return std::max(ring, -gap);
      },
      [&](double, double) { return emblem; });
  c.Fill(
      [](double x, double y) {
        // A bar from (30, 80) to (76, 24), 9 pixels thick.
        const double ax = 30, ay = 80, bx = 76, by = 24;
        const double t = std::clamp(((x - ax) * (bx - ax) + (y - ay) * (by - ay)) /
                                        ((bx - ax) * (bx - ax) + (by - ay) * (by - ay)),
                                    0.0, 1.0);
        return std::hypot(x - (ax + t * (bx - ax)), y - (ay + t * (by - ay))) - 4.5;
      },
      [&](double, double) { return emblem; });
  c.Fill([](double x, double y) { return Circle(x, y, 52, 50, 7); },
         [](double, double) {
           return Color{236, 120, 26};
         });
  DrawDie(c, 52, 54, 50, 6, Orange);
  DrawDie(c, 88, 90, 30, 1, Blue);
}

// The icon: the orange die showing six, the same design at every size, transparent around it
// as icon themes expect. Drawn in a 72-unit box; its border is kept at least one device pixel
// wide and the pips a pixel apart, so that it still reads as a die at 16 pixels. The same
// design is written as the scalable SVG icon, whose shapes and gradient the PNG sizes follow.
struct IconDesign {
  double edge;    // border width in design units
  double pipR;    // pip radius
  double radius;  // corner radius of the outer rounded square
  double lo, hi;  // the die spans lo..hi on both axes
  double cols[2]; // pip columns
  double rows[3]; // pip rows
};

IconDesign IconFor(double unitsPerPixel)
{
  const double px = unitsPerPixel;
  return {
      std::max(1.6, 1.1 * px), std::min(7.6, (18.5 - 1.2 * px) / 2), 14, 0.5, 71.5, {19.0, 53.0},
      {17.5, 36.0, 54.5}};
}

// The body's diagonal gradient, light at the top left, as stops that the SVG repeats exactly:
// colour at t = (x + y) / 144, interpolated linearly between the stops.
struct Stop {
  double t;
  Color c;
};

std::vector<Stop> IconStops()
{
  std::vector<Stop> stops;
  for (int i = 0; i <= 4; ++i) {
    const double t = i / 4.0;
    const Color c = Mix(Orange.light, Orange.dark, t * t * 0.9 + t * 0.1);
    stops.push_back({t, {std::round(c.r), std::round(c.g), std::round(c.b)}});
  }
  return stops;
}

Color AtStops(const std::vector<Stop>& stops, double t)
{
  t = std::clamp(t, 0.0, 1.0);
  for (size_t i = 1; i < stops.size(); ++i)
    if (t <= stops[i].t)
      return Mix(stops[i - 1].c, stops[i].c, (t - stops[i - 1].t) / (stops[i].t - stops[i - 1].t));
  return stops.back().c;
}

void DrawIcon(Canvas& c)
{
  const IconDesign d = IconFor(1.0 / c.Scale());
  const std::vector<Stop> stops = IconStops();
  c.Fill([&](double x, double y) { return RoundRect(x, y, d.lo, d.lo, d.hi, d.hi, d.radius); },
         [&](double, double) { return Orange.edge; });
  c.Fill(
      [&](double x, double y) {
        return RoundRect(x, y, d.lo + d.edge, d.lo + d.edge, d.hi - d.edge, d.hi - d.edge,
                         d.radius - d.edge);
      },
      [&](double x, double y) { return AtStops(stops, (x + y) / 144.0); });
  for (double cx : d.cols)
    for (double cy : d.rows)
      c.Fill([&](double x, double y) { return Circle(x, y, cx, cy, d.pipR); },
             [&](double, double) { return Orange.pipTop; });
}

std::string Hex(const Color& c)
{
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", int(c.r), int(c.g), int(c.b));
  return buf;
}

std::string Num(double v)
{
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  std::string s = buf;
  while (s.back() == '0')
    s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

// The scalable icon: the design at its natural proportions (as drawn at 64 pixels and above).
bool WriteIconSvg(const std::string& path)
{
  const IconDesign d = IconFor(0.0);
  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"72\" height=\"72\" "
      "viewBox=\"0 0 72 72\">\n"
      "  <title>Wurfwummel</title>\n"
      "  <defs>\n"
      "    <linearGradient id=\"body\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" y1=\"0\" "
      "x2=\"72\" y2=\"72\">\n";
  for (const Stop& s : IconStops())
    svg += "      <stop offset=\"" + Num(s.t) + "\" stop-color=\"" + Hex(s.c) + "\"/>\n";
  svg += "    </linearGradient>\n  </defs>\n";
  const double size = d.hi - d.lo, inner = size - 2 * d.edge;
  svg += "  <rect x=\"" + Num(d.lo) + "\" y=\"" + Num(d.lo) + "\" width=\"" + Num(size) +
         "\" height=\"" + Num(size) + "\" rx=\"" + Num(d.radius) + "\" fill=\"" + Hex(Orange.edge) +
         "\"/>\n";
  svg += "  <rect x=\"" + Num(d.lo + d.edge) + "\" y=\"" + Num(d.lo + d.edge) + "\" width=\"" +
         Num(inner) + "\" height=\"" + Num(inner) + "\" rx=\"" + Num(d.radius - d.edge) +
         "\" fill=\"url(#body)\"/>\n";
  svg += "  <g fill=\"" + Hex(Orange.pipTop) + "\">\n";
  for (double cx : d.cols)
    for (double cy : d.rows)
      svg +=
          "    <circle cx=\"" + Num(cx) + "\" cy=\"" + Num(cy) + "\" r=\"" + Num(d.pipR) + "\"/>\n";
  svg += "  </g>\n</svg>\n";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool written = std::fwrite(svg.data(), 1, svg.size(), f) == svg.size();
  return (std::fclose(f) == 0) && written;
}
} // namespace

int main()
{
  bool ok = true;
  for (int face = 1; face <= 6; ++face) {
    const std::string n = std::to_string(face);
    for (const int ratio : {1, 2}) {
      const std::string suffix = ratio == 1 ? ".png" : "@2x.png";
      Canvas normal(72 * ratio, {224, 224, 224}, ratio);
      DrawDie(normal, 0, 0, 72, face, Orange);
      ok &= normal.Write(n + suffix);
      Canvas held(72 * ratio, {224, 224, 224}, ratio);
      DrawDie(held, 0, 0, 72, face, Blue);
      ok &= held.Write(n + "h" + suffix);
    }
  }
  for (const int ratio : {1, 2}) {
    Canvas about(128 * ratio, {232, 232, 232}, ratio);
    DrawAbout(about);
    ok &= about.Write(ratio == 1 ? "about.png" : "about@2x.png");
  }
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
    Canvas icon(size, Orange.edge, size / 72.0, true);
    DrawIcon(icon);
    ok &= icon.Write("icon" + std::to_string(size) + ".png");
  }
  ok &= WriteIconSvg("icon.svg");
  return ok ? 0 : 1;
}
