#include "LocalPath.h"

namespace tracella {
namespace {

constexpr char16_t EscapeBase = 0xDC00;

bool IsEscapedByte(QChar c) { return c.unicode() >= EscapeBase + 0x80 && c.unicode() <= EscapeBase + 0xFF; }

// The length of the valid UTF-8 sequence at `at` and its code point; 0 when there is none.
int Utf8SequenceAt(const QByteArray& bytes, qsizetype at, char32_t& point) {
  const auto byte = [&](qsizetype i) { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u; };
  const unsigned lead = byte(at);
  int length;
  if (lead < 0x80)
    length = 1, point = lead;
  else if (lead >= 0xC2 && lead <= 0xDF)
    length = 2, point = lead & 0x1F;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3, point = lead & 0x0F;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4, point = lead & 0x07;
  else
    return 0;
  for (int i = 1; i < length; ++i) {
    const unsigned next = byte(at + i);
    if ((next & 0xC0) != 0x80) return 0;
    point = point << 6 | (next & 0x3F);
  }
  const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (point < smallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

QString LocalPathText(const QByteArray& bytes) {
  QString text;
  text.reserve(bytes.size());
  for (qsizetype at = 0; at < bytes.size();) {
    char32_t point = 0;
    const int length = Utf8SequenceAt(bytes, at, point);
    if (length == 0) {
      text.append(QChar(char16_t(EscapeBase + static_cast<unsigned char>(bytes[at]))));
      ++at;
      continue;
    }
    if (QChar::requiresSurrogates(point)) {
      text.append(QChar(QChar::highSurrogate(point)));
      text.append(QChar(QChar::lowSurrogate(point)));
    } else {
      text.append(QChar(char16_t(point)));
    }
    at += length;
  }
  return text;
}

QByteArray LocalPathBytes(const QString& text) {
  QByteArray bytes;
  bytes.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      bytes.append(QStringView(text).mid(i, 2).toUtf8());
      ++i;
    } else if (IsEscapedByte(c)) {
      bytes.append(char(c.unicode() - EscapeBase));
    } else {
      bytes.append(QStringView(&c, 1).toUtf8());
    }
  }
  return bytes;
}

QString DisplayedPath(const QString& text) {
  QString shown = text;
  for (qsizetype i = 0; i < shown.size(); ++i) {
    if (shown[i].isHighSurrogate() && i + 1 < shown.size() && shown[i + 1].isLowSurrogate())
      ++i;
    else if (IsEscapedByte(shown[i]))
      shown[i] = QChar::ReplacementCharacter;
  }
  return shown;
}

}  // namespace tracella
