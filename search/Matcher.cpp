#include "search/Matcher.h"

#include <algorithm>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qx {

namespace {

// A rough commonness of each byte value in typical files (text, records,
// executables): higher is more common. Only the order matters.
int Commonness(std::uint8_t b) {
  if (b == 0x00) return 255;
  if (b == ' ') return 230;
  if (b == 0xFF) return 200;
  if (std::strchr("etaoinsrhl", b) != nullptr && b != 0) return 190;
  if (b >= 'a' && b <= 'z') return 160;
  if (b == '\n' || b == '\r' || b == '\t' || b == 0x01) return 150;
  if (b >= '0' && b <= '9') return 140;
  if (std::strchr(".,;:-_/=()\"'", b) != nullptr && b != 0) return 130;
  if (b >= 'A' && b <= 'Z') return 120;
  if (b < 0x20) return 90;
  if (b < 0x80) return 80;
  return 60;
}

}  // namespace

const std::uint8_t* FindEitherByte(const std::uint8_t* p, const std::uint8_t* end, std::uint8_t a,
                                   std::uint8_t b) {
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(static_cast<char>(a));
  const __m128i vb = _mm_set1_epi8(static_cast<char>(b));
  const auto hits = [&](const std::uint8_t* at) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    return _mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb));
  };
  // Four blocks a turn: one test of the branch for 64 bytes.
  while (end - p >= 64) {
    const __m128i h0 = hits(p), h1 = hits(p + 16), h2 = hits(p + 32), h3 = hits(p + 48);
    if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(h0, h1), _mm_or_si128(h2, h3))) != 0) break;
    p += 64;
  }
  while (end - p >= 16) {
    const int mask = _mm_movemask_epi8(hits(p));
    if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
    p += 16;
  }
#endif
  for (; p < end; ++p) {
    if (*p == a || *p == b) return p;
  }
  return end;
}

Matcher::Matcher(std::vector<std::uint8_t> pattern) : pattern_(std::move(pattern)) {
  for (std::int64_t i = 1; i < Size(); ++i) {
    if (Commonness(pattern_[static_cast<std::size_t>(i)]) <
        Commonness(pattern_[static_cast<std::size_t>(rare_)])) {
      rare_ = i;
    }
  }
}

Matcher::Matcher(std::vector<std::uint8_t> pattern, std::vector<std::uint8_t> other)
    : Matcher(std::move(pattern)) {
  if (other.size() != pattern_.size() || other == pattern_) return;
  other_ = std::move(other);
  // A place's commonness is that of its commoner value; the scan tests the
  // two rarest places at once.
  const auto common = [&](std::int64_t i) {
    const auto at = static_cast<std::size_t>(i);
    return std::max(Commonness(pattern_[at]), Commonness(other_[at]));
  };
  rare_ = 0;
  for (std::int64_t i = 1; i < Size(); ++i) {
    if (common(i) < common(rare_)) rare_ = i;
  }
  second_ = rare_ == 0 ? Size() - 1 : 0;
  for (std::int64_t i = 0; i < Size(); ++i) {
    if (i != rare_ && common(i) < common(second_)) second_ = i;
  }
}

bool Matcher::Matches(const std::uint8_t* s) const {
  const std::size_t n = pattern_.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (s[i] != pattern_[i] && s[i] != other_[i]) return false;
  }
  return true;
}

std::int64_t Matcher::FindEither(const std::uint8_t* data, std::int64_t from,
                                 std::int64_t lastStart) const {
  const std::uint8_t* pat = pattern_.data();
  const std::uint8_t* alt = other_.data();
  const auto k = static_cast<std::size_t>(rare_);
  if (pat[k] == alt[k] || Size() == 1) {
    // One place is enough: memchr, or either of its two values.
    const std::uint8_t* p = data + from + rare_;
    const std::uint8_t* const end = data + lastStart + rare_ + 1;
    for (; p < end; ++p) {
      if (pat[k] == alt[k]) {
        p = static_cast<const std::uint8_t*>(
            std::memchr(p, pat[k], static_cast<std::size_t>(end - p)));
        if (p == nullptr) return -1;
      } else {
        p = FindEitherByte(p, end, pat[k], alt[k]);
        if (p == end) return -1;
      }
      if (Matches(p - rare_)) return p - rare_ - data;
    }
    return -1;
  }
  std::int64_t s = from;
#if defined(__SSE2__)
  // Sixteen starts at a time: both places must hold one of their values.
  const auto k2 = static_cast<std::size_t>(second_);
  const __m128i a1 = _mm_set1_epi8(static_cast<char>(pat[k]));
  const __m128i b1 = _mm_set1_epi8(static_cast<char>(alt[k]));
  const __m128i a2 = _mm_set1_epi8(static_cast<char>(pat[k2]));
  const __m128i b2 = _mm_set1_epi8(static_cast<char>(alt[k2]));
  const auto candidates = [&](const std::uint8_t* at) {
    const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + k));
    const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + k2));
    return _mm_and_si128(_mm_or_si128(_mm_cmpeq_epi8(v1, a1), _mm_cmpeq_epi8(v1, b1)),
                         _mm_or_si128(_mm_cmpeq_epi8(v2, a2), _mm_cmpeq_epi8(v2, b2)));
  };
  // Two blocks a turn: one test of the branch for 32 starts.
  for (; lastStart - s >= 31; s += 32) {
    auto mask = static_cast<std::uint32_t>(_mm_movemask_epi8(candidates(data + s))) |
                static_cast<std::uint32_t>(_mm_movemask_epi8(candidates(data + s + 16))) << 16;
    for (; mask != 0; mask &= mask - 1) {
      const std::int64_t at = s + __builtin_ctz(mask);
      if (Matches(data + at)) return at;
    }
  }
  for (; lastStart - s >= 15; s += 16) {
    auto mask = static_cast<unsigned>(_mm_movemask_epi8(candidates(data + s)));
    for (; mask != 0; mask &= mask - 1) {
      const std::int64_t at = s + __builtin_ctz(mask);
      if (Matches(data + at)) return at;
    }
  }
#endif
  for (; s <= lastStart; ++s) {
    if (Matches(data + s)) return s;
  }
  return -1;
}

std::int64_t Matcher::Find(const std::uint8_t* data, std::int64_t from,
                           std::int64_t lastStart) const {
  if (pattern_.empty() || from < 0 || from > lastStart) return -1;
  if (!other_.empty()) return FindEither(data, from, lastStart);
  const auto n = static_cast<std::size_t>(Size());
  const std::uint8_t* pat = pattern_.data();
  const std::uint8_t key = pat[rare_];
  // Candidates are the places of the key byte among the starts from..lastStart.
  const std::uint8_t* p = data + from + rare_;
  const std::uint8_t* const end = data + lastStart + rare_ + 1;
  while (p < end) {
    p = static_cast<const std::uint8_t*>(std::memchr(p, key, static_cast<std::size_t>(end - p)));
    if (p == nullptr) return -1;
    const std::uint8_t* s = p - rare_;
    if (s[0] == pat[0] && std::memcmp(s, pat, n) == 0) return s - data;
    ++p;
  }
  return -1;
}

}  // namespace qx
