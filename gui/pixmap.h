#pragma once

// Decoded pictures and their loaders.

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

// Pixel format codes: bytes per pixel in brackets.
enum : int {
  PF_I8 = 1,       // grey (1)
  PF_A8 = 2,       // alpha only (1)
  PF_BGR888 = 3,   // (3)
  PF_RGB888 = 4,   // (3)
  PF_BGRA8888 = 5, // (4)
  PF_RGBA8888 = 6, // (4)
};

// The largest picture made or loaded: far beyond any picture of the game, small enough that
// every size computation fits in an int.
constexpr int PIXMAP_MAX_SIDE = 16384;
constexpr int64_t PIXMAP_MAX_PIXELS = 32 * 1024 * 1024;

struct TPixmap {
  std::vector<uint8_t> pixels; // rows top first, each pitch bytes long
  int width = 0;
  int height = 0;
  int pitch = 0;
  int format = 0;
  int capacity = 0;
  // The address the picture was loaded from; empty for a picture made in memory. Whoever
  // changes the pixels of a loaded picture clears it: it then no longer shows that file.
  QString source;

  static int BytesPerPixel(int format);
  // None for a size of 0, or beyond the limits above.
  static std::shared_ptr<TPixmap> Create(int width, int height, int format);
  const uint8_t* Pixel(int x, int y) const
  {
    return pixels.data() + y * pitch + x * BytesPerPixel(format);
  }
};

using TPixmapPtr = std::shared_ptr<TPixmap>;

class TStream;
// A picture loader tries to decode the stream; none when it cannot.
using TPixmapLoader = TPixmapPtr (*)(TStream& stream);
void RegisterPixmapLoader(TPixmapLoader loader);

TPixmapPtr LoadPixmap(const QString& address);
TPixmapPtr LoadPixmapPNG(const QString& address);
TPixmapPtr LoadPixmapPNG(TStream& stream);

// Registers the PNG loader; done by the toolkit's start.
void InitPixmapLoaders();
