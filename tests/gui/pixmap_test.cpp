#include "gui/incbin.h"
#include "gui/pixmap.h"
#include "gui/stream.h"

#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

TEST(EmbeddedPictures, DieFacesDecodeOpaqueWithGreyCorners)
{
  for (int face = 1; face <= 6; ++face) {
    for (const char* suffix : {".png", "h.png"}) {
      const QString name = QString::number(face) + suffix;
      TPixmapPtr p = LoadPixmap("incbin::" + name);
      ASSERT_TRUE(p) << name.toStdString();
      EXPECT_EQ(p->width, 72);
      EXPECT_EQ(p->height, 72);
      EXPECT_EQ(p->format, PF_RGBA8888);
      EXPECT_EQ(p->pitch, 288);
      EXPECT_EQ(p->capacity, 288 * 72);
      for (int y = 0; y < 72; ++y)
        for (int x = 0; x < 72; ++x)
          ASSERT_EQ(p->Pixel(x, y)[3], 255) << name.toStdString();
      for (auto [x, y] : {std::pair{0, 0}, {71, 0}, {0, 71}, {71, 71}}) {
        const uint8_t* c = p->Pixel(x, y);
        EXPECT_EQ(c[0], 224);
        EXPECT_EQ(c[1], 224);
        EXPECT_EQ(c[2], 224);
      }
      // The centre is die body or pip: orange dice are red-heavy, held ones blue-heavy.
      const uint8_t* mid = p->Pixel(30, 10);
      if (suffix[0] == '.')
        EXPECT_GT(mid[0], mid[2]);
      else
        EXPECT_GT(mid[2], mid[0]);
    }
  }
}

TEST(EmbeddedPictures, AboutPictureAndAddresses)
{
  TPixmapPtr about = LoadPixmapPNG("incbin::about.png");
  ASSERT_TRUE(about);
  EXPECT_EQ(about->width, 128);
  EXPECT_EQ(about->height, 128);
  EXPECT_EQ(about->pitch, 512);
  for (auto [x, y] : {std::pair{0, 0}, {127, 0}, {0, 127}, {127, 127}})
    EXPECT_EQ(about->Pixel(x, y)[0], 232);
  EXPECT_TRUE(LoadPixmap("INCBIN::about.png"));  // the protocol in any case
  EXPECT_FALSE(LoadPixmap("incbin::About.png")); // the name exactly
  EXPECT_FALSE(LoadPixmap("incbin::7.png"));
  EXPECT_EQ(WriteStream("incbin::about.png"), nullptr);
}

TEST(EmbeddedFiles, FirstRegistrationWinsAndStreamsClamp)
{
  static const unsigned char first[] = {1, 2, 3, 4, 5};
  static const unsigned char second[] = {9, 9};
  EXPECT_EQ(RegisterEmbeddedFile("test.bin", first, 5), 1);
  EXPECT_EQ(RegisterEmbeddedFile("test.bin", second, 2), 0);
  EXPECT_EQ(RegisterEmbeddedFile("1.png", second, 2), 0);
  EXPECT_EQ(EmbeddedData("test.bin"), first);
  EXPECT_EQ(EmbeddedLength("test.bin"), 5);
  EXPECT_EQ(EmbeddedData("nothing"), nullptr);
  EXPECT_EQ(EmbeddedLength("nothing"), 0);

  TStreamPtr s = ReadStream("incbin::test.bin");
  ASSERT_TRUE(s);
  unsigned char buf[8] = {};
  EXPECT_EQ(s->Read(buf, 3), 3);
  EXPECT_EQ(s->Read(buf, 8), 2); // fewer at the end
  EXPECT_EQ(buf[0], 4);
  EXPECT_EQ(s->Eof(), 1);
  EXPECT_EQ(s->Read(buf, 8), 0);
  EXPECT_EQ(s->Seek(-3), 0);
  EXPECT_EQ(s->Seek(99), 5);
  EXPECT_EQ(s->Write(buf, 1), 0);
  EXPECT_EQ(first[0], 1); // never modified
}

TEST(PngLoader, DamagedDataGivesNone)
{
  const unsigned char* png = EmbeddedData("3.png");
  const int length = EmbeddedLength("3.png");
  ASSERT_GT(length, 100);
  static std::vector<std::vector<unsigned char>> keep; // embedded files are never copied
  auto load = [](std::vector<unsigned char> bytes) {
    keep.push_back(std::move(bytes));
    const QString name = "damaged" + QString::number(keep.size());
    RegisterEmbeddedFile(name, keep.back().data(), int(keep.back().size()));
    return LoadPixmap("incbin::" + name);
  };
  for (int cut : {0, 7, 8, 30, length / 2, length - 13})
    EXPECT_FALSE(load(std::vector<unsigned char>(png, png + cut))) << "cut at " << cut;
  std::mt19937 rng(7);
  for (int i = 0; i < 20; ++i) {
    std::vector<unsigned char> noise(size_t(50 + i * 37));
    for (auto& b : noise)
      b = static_cast<unsigned char>(rng());
    EXPECT_FALSE(load(noise));
    // A valid signature followed by noise as well.
    std::copy(png, png + 8, noise.begin());
    EXPECT_FALSE(load(noise));
  }
  std::vector<unsigned char> flipped(png, png + length);
  flipped[size_t(length / 2)] ^= 0xFF; // damaged image data fails its checksum
  EXPECT_FALSE(load(flipped));
  EXPECT_TRUE(load(std::vector<unsigned char>(png, png + length)));
}

namespace
{
uint32_t Crc32(const unsigned char* data, size_t n)
{
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k)
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

uint32_t BigEndian(const unsigned char* p)
{
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}
} // namespace

TEST(PngLoader, OnlyTheProgramsOwnPicturesSkipTheRowChecksum)
{
  // The zlib checksum at the end of the last image data chunk is spoilt and the chunk's own
  // checksum made right again, so that only the row checksum tells the damage.
  const unsigned char* png = EmbeddedData("5.png");
  const int length = EmbeddedLength("5.png");
  ASSERT_GT(length, 100);
  static std::vector<unsigned char> spoilt(png, png + length); // embedded files are never copied
  size_t lastData = 0;
  for (size_t at = 8; at + 12 <= spoilt.size();) {
    const size_t size = BigEndian(&spoilt[at]);
    if (std::memcmp(&spoilt[at + 4], "IDAT", 4) == 0) lastData = at;
    at += size + 12;
  }
  ASSERT_GT(lastData, 0u);
  const size_t size = BigEndian(&spoilt[lastData]);
  ASSERT_GE(size, 4u);
  spoilt[lastData + 8 + size - 1] ^= 0x5A;
  const uint32_t crc = Crc32(&spoilt[lastData + 4], size + 4);
  for (int i = 0; i < 4; ++i)
    spoilt[lastData + 8 + size + size_t(i)] = static_cast<unsigned char>(crc >> (24 - 8 * i));

  ASSERT_EQ(RegisterEmbeddedFile("spoilt-checksum.png", spoilt.data(), int(spoilt.size())), 1);
  TPixmapPtr own = LoadPixmap("incbin::5.png");
  TPixmapPtr built = LoadPixmap("incbin::spoilt-checksum.png");
  ASSERT_TRUE(own);
  ASSERT_TRUE(built);
  EXPECT_EQ(built->pixels, own->pixels);

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("spoilt.png");
  TStreamPtr out = WriteStream(path);
  ASSERT_TRUE(out);
  ASSERT_EQ(out->Write(spoilt.data(), int(spoilt.size())), int(spoilt.size()));
  ASSERT_TRUE(out->Close());
  EXPECT_FALSE(LoadPixmap(path));
  // The same file with its checksum intact loads: the refusal above is the checksum's.
  out = WriteStream(path);
  ASSERT_TRUE(out);
  ASSERT_EQ(out->Write(png, length), length);
  ASSERT_TRUE(out->Close());
  EXPECT_TRUE(LoadPixmap(path));
}
