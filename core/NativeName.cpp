#include "core/NativeName.h"

#include <array>
#include <climits>

namespace qx {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool Escaped(char16_t c) {
  return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF;
}

// The length of the valid UTF-8 sequence at s[i], or 0 when there is none.
int SequenceLength(const QByteArray& s, qsizetype i) {
  const auto at = [&](qsizetype k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = at(i);
  if (c < 0x80) return 1;
  int n = 0;
  char32_t cp = 0;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (int k = 1; k < n; ++k) {
    if ((at(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (at(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF)) {
    return 0;
  }
  return n;
}

}  // namespace

QString NameFromNative(const QByteArray& bytes) {
  QString out;
  out.reserve(bytes.size());
  for (qsizetype i = 0; i < bytes.size();) {
    const int n = SequenceLength(bytes, i);
    if (n == 0) {
      out += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[i])));
      ++i;
    } else {
      out += QString::fromUtf8(bytes.constData() + i, n);
      i += n;
    }
  }
  return out;
}

QByteArray NativeName(const QString& name) {
  QByteArray out;
  out.reserve(name.size());
  qsizetype from = 0;
  for (qsizetype i = 0; i < name.size(); ++i) {
    const char16_t c = name[i].unicode();
    // An escape is a lone low surrogate: one after a high surrogate is half
    // of a real character.
    if (!Escaped(c) || (i > 0 && name[i - 1].isHighSurrogate())) continue;
    out += name.mid(from, i - from).toUtf8();
    out += static_cast<char>(c - kEscapeBase);
    from = i + 1;
  }
  out += name.mid(from).toUtf8();
  return out;
}

QString DisplayName(const QString& name) {
  QString out = name;
  for (qsizetype i = 0; i < out.size(); ++i) {
    if (Escaped(out[i].unicode()) && (i == 0 || !out[i - 1].isHighSurrogate())) {
      out[i] = QChar::ReplacementCharacter;
    }
  }
  return out;
}

QString LocalPathOf(const QUrl& url) {
  if (!url.isLocalFile()) return {};
  const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
  return NameFromNative(QByteArray::fromPercentEncoding(encoded));
}

QString CanonicalPath(const QString& path, SysCalls& sys) {
  std::array<char, PATH_MAX> resolved{};
  return sys.Realpath(NativeName(path).constData(), resolved.data())
             ? NameFromNative(QByteArray(resolved.data()))
             : QString();
}

}  // namespace qx
