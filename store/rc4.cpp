#include "store/rc4.h"

#include <array>
#include <utility>

const QString ScoreKey = QStringLiteral("wuerfelbecherundpunktetabellefuerlangewinterabende,"
                                        "sechswuerfeldreiwuerfeeinundzwanzigzeilendreispalten,"
                                        "tollmarkwummeltraumpaschhausstrassechanceundglueck");

QString RC4(const QString& text, const QString& key)
{
  if (key.isEmpty()) return text;
  std::array<unsigned char, 256> s{};
  for (int i = 0; i < 256; ++i)
    s[size_t(i)] = static_cast<unsigned char>(i);
  unsigned j = 0;
  for (int i = 0; i < 256; ++i) {
    const unsigned k = key[i % key.size()].unicode() & 0xFFu;
    j = (j + s[size_t(i)] + k) & 0xFFu;
    std::swap(s[size_t(i)], s[j]);
  }
  QString out = text;
  unsigned i = 0;
  j = 0;
  for (qsizetype n = 0; n < out.size(); ++n) {
    i = (i + 1) & 0xFFu;
    j = (j + s[i]) & 0xFFu;
    std::swap(s[i], s[j]);
    const unsigned k = s[(s[i] + s[j]) & 0xFFu];
    out[n] = QChar(ushort(out[n].unicode() ^ k));
  }
  return out;
}
