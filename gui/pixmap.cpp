#include "gui/pixmap.h"

#include "gui/stream.h"

#include <algorithm>
#include <cstring>
#include <png.h>

int TPixmap::BytesPerPixel(int format)
{
  switch (format) {
  case PF_I8:
  case PF_A8:
    return 1;
  case PF_BGR888:
  case PF_RGB888:
    return 3;
  default:
    return 4;
  }
}

TPixmapPtr TPixmap::Create(int width, int height, int format)
{
  auto p = std::make_shared<TPixmap>();
  p->width = width;
  p->height = height;
  p->format = format;
  p->pitch = (width * BytesPerPixel(format) + 3) & ~3;
  p->capacity = p->pitch * height;
  p->pixels.assign(size_t(p->capacity), 0);
  return p;
}

namespace
{
std::vector<TPixmapLoader>& Loaders()
{
  static std::vector<TPixmapLoader> loaders;
  return loaders;
}

// libpng reports errors by longjmp. Everything between setjmp and the jump is plain C data,
// so no destructor is ever skipped: the callbacks below and ReadWholeImage own nothing.
void PngRead(png_structp png, png_bytep data, size_t length)
{
  auto* stream = static_cast<TStream*>(png_get_io_ptr(png));
  if (length > 0x7FFFFFFF || stream->Read(data, int(length)) != int(length))
    png_error(png, "truncated");
}

void PngError(png_structp png, png_const_charp)
{
  png_longjmp(png, 1);
}
void PngWarning(png_structp, png_const_charp) {}

bool ReadWholeImage(png_structp png, png_infop info)
{
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_sig_bytes(png, 8);
  png_read_png(png, info, PNG_TRANSFORM_STRIP_16 | PNG_TRANSFORM_EXPAND, nullptr);
  return true;
}

} // namespace

TPixmapPtr LoadPixmapPNG(TStream& stream)
{
  unsigned char signature[8];
  if (stream.Read(signature, 8) != 8 || png_sig_cmp(signature, 0, 8) != 0) return nullptr;

  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!png) return nullptr;
  png_infop info = png_create_info_struct(png);
  if (info) png_set_read_fn(png, &stream, PngRead);
  if (!info || !ReadWholeImage(png, info)) {
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return nullptr;
  }

  TPixmapPtr result;
  const int depth = png_get_bit_depth(png, info);
  const int type = png_get_color_type(png, info);
  int format = 0;
  if (type == PNG_COLOR_TYPE_GRAY)
    format = PF_I8;
  else if (type == PNG_COLOR_TYPE_RGB)
    format = PF_RGB888;
  else if (type == PNG_COLOR_TYPE_RGB_ALPHA)
    format = PF_RGBA8888;
  const int width = int(png_get_image_width(png, info));
  const int height = int(png_get_image_height(png, info));
  png_bytepp rows = png_get_rows(png, info);
  if (depth == 8 && format != 0 && rows && width > 0 && height > 0) {
    result = TPixmap::Create(width, height, format);
    const size_t rowBytes = std::min<size_t>(png_get_rowbytes(png, info),
                                             size_t(width * TPixmap::BytesPerPixel(format)));
    for (int y = 0; y < height; ++y)
      std::memcpy(result->pixels.data() + size_t(y) * size_t(result->pitch), rows[y], rowBytes);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return result;
}

TPixmapPtr LoadPixmapPNG(const QString& address)
{
  TStreamPtr stream = ReadStream(address);
  if (!stream) return nullptr;
  TPixmapPtr result = LoadPixmapPNG(*stream);
  stream->Close();
  return result;
}

void RegisterPixmapLoader(TPixmapLoader loader)
{
  if (std::find(Loaders().begin(), Loaders().end(), loader) == Loaders().end())
    Loaders().push_back(loader);
}

void InitPixmapLoaders()
{
  RegisterPixmapLoader([](TStream& s) { return LoadPixmapPNG(s); });
}

TPixmapPtr LoadPixmap(const QString& address)
{
  TStreamPtr stream = ReadStream(address);
  if (!stream) return nullptr;
  const int64_t start = stream->Pos();
  TPixmapPtr result;
  if (start >= 0) {
    for (TPixmapLoader loader : Loaders()) {
      stream->Seek(start);
      result = loader(*stream);
      if (result) break;
    }
  }
  stream->Close();
  return result;
}
