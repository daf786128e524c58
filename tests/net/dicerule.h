#pragma once

// The dice rule of docs/network.md, written again from the document with libsodium's BLAKE2b
// alone, so that the tests check the program against it and not against itself.

#include <QByteArray>
#include <array>
#include <cstdint>
#include <sodium.h>
#include <string>

inline std::string Bytes(const QByteArray& b)
{
  return b.toStdString();
}

inline std::string BigEndian32(uint32_t v)
{
  return {char(v >> 24), char(v >> 16 & 0xff), char(v >> 8 & 0xff), char(v & 0xff)};
}

inline std::string Blake(const std::string& message, size_t length, const std::string& key = {})
{
  std::string out(length, '\0');
  crypto_generichash(reinterpret_cast<unsigned char*>(out.data()), length,
                     reinterpret_cast<const unsigned char*>(message.data()), message.size(),
                     key.empty() ? nullptr : reinterpret_cast<const unsigned char*>(key.data()),
                     key.size());
  return out;
}

// The documented rule: K = BLAKE2b-256("wurfwummel dice" | id | k | secret0 | secret1); the
// stream is BLAKE2b-512 keyed with K over the block number 0, 1, ...; a byte below 252 gives the
// face byte % 6 + 1 to the next die that is not held.
inline std::array<int, 6> Faces(const std::string& id, uint32_t k, const std::string& s0,
                                const std::string& s1, uint8_t holds, std::array<int, 6> faces)
{
  const std::string key = Blake("wurfwummel dice" + id + BigEndian32(k) + s0 + s1, 32);
  std::string stream;
  size_t used = 0;
  for (int die = 0; die < 6; ++die) {
    if (holds >> die & 1) continue;
    for (;;) {
      if (used == stream.size())
        stream += Blake(BigEndian32(uint32_t(stream.size() / 64)), 64, key);
      const int b = uint8_t(stream[used++]);
      if (b < 252) {
        faces[size_t(die)] = b % 6 + 1;
        break;
      }
    }
  }
  return faces;
}
