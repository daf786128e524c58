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
  if (width <= 0 || height <= 0 || width > PIXMAP_MAX_SIDE || height > PIXMAP_MAX_SIDE ||
      int64_t(width) * height > PIXMAP_MAX_PIXELS)
    return nullptr;
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
// so no destructor is ever skipped: the callbacks, ReadHeader and ReadRows own nothing.
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

bool ReadHeader(png_structp png, png_infop info)
{
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_sig_bytes(png, 8);
  // libpng itself refuses larger pictures before it allocates anything for them.
  png_set_user_limits(png, PIXMAP_MAX_SIDE, PIXMAP_MAX_SIDE);
  png_read_info(png, info);
  png_set_strip_16(png);
  png_set_expand(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  return true;
}

bool ReadRows(png_structp png, png_infop info, png_bytepp rows)
{
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  png_read_end(png, info);
  return true;
}

// The pixel format of a decoded picture, 0 for one the game does not use.
int FormatOf(png_structp png, png_infop info)
{
  if (png_get_bit_depth(png, info) != 8) return 0;
  switch (png_get_color_type(png, info)) {
  case PNG_COLOR_TYPE_GRAY:
    return PF_I8;
  case PNG_COLOR_TYPE_RGB:
    return PF_RGB888;
  case PNG_COLOR_TYPE_RGB_ALPHA:
    return PF_RGBA8888;
  default:
    return 0;
  }
}

TPixmapPtr Decode(png_structp png, png_infop info)
{
  if (!ReadHeader(png, info)) return nullptr;
  const int format = FormatOf(png, info);
  const png_uint_32 w = png_get_image_width(png, info);
  const png_uint_32 h = png_get_image_height(png, info);
  if (format == 0 || w == 0 || h == 0 || w > PIXMAP_MAX_SIDE || h > PIXMAP_MAX_SIDE) return nullptr;
  TPixmapPtr result = TPixmap::Create(int(w), int(h), format);
  if (!result) return nullptr;
  // The rows are read straight into the picture; the row size libpng expects must be ours.
  const size_t rowBytes = size_t(w) * size_t(TPixmap::BytesPerPixel(format));
  if (png_get_rowbytes(png, info) != rowBytes) return nullptr;
  std::vector<png_bytep> rows(h);
  for (png_uint_32 y = 0; y < h; ++y)
    rows[y] = result->pixels.data() + size_t(y) * size_t(result->pitch);
  if (!ReadRows(png, info, rows.data())) return nullptr;
  return result;
}

} // namespace

TPixmapPtr LoadPixmapPNG(TStream& stream)
{
  unsigned char signature[8];
  if (stream.Read(signature, 8) != 8 || png_sig_cmp(signature, 0, 8) != 0) return nullptr;

  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!png) return nullptr;
  png_infop info = png_create_info_struct(png);
  TPixmapPtr result;
  if (info) {
    png_set_read_fn(png, &stream, PngRead);
#if defined(PNG_SET_OPTION_SUPPORTED) && defined(PNG_IGNORE_ADLER32)
    // The checksum of the inflated rows costs as much as a tenth of decoding a die; the
    // program's own pictures are checked by being part of it. Files keep the check.
    if (stream.BuiltIn()) png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    result = Decode(png, info);
  }
  png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  return result;
}

TPixmapPtr LoadPixmapPNG(const QString& address)
{
  TStreamPtr stream = ReadStream(address);
  if (!stream) return nullptr;
  TPixmapPtr result = LoadPixmapPNG(*stream);
  stream->Close();
  if (result) result->source = address;
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
  if (result) result->source = address;
  return result;
}
