// Whether a file's first bytes read as EBCDIC text rather than ASCII: the
// hint offered when a file opens without remembered settings. The set itself
// is never switched; the user chooses it.
#pragma once

#include <QString>
#include <cstdint>
#include <span>

namespace qx {

inline constexpr std::int64_t kHintSampleBytes = 64 * 1024;
inline constexpr int kHintMinimumBytes = 16;

// Counts the letters, digits and spaces of both readings: the bytes look
// like EBCDIC when the IBM037 reading has at least four times as many as
// the ASCII one (32..126) and they make up at least a quarter of the bytes.
// Too short a sample (under 16 bytes) says nothing.
bool LooksLikeEbcdic(std::span<const std::uint8_t> sample);

inline const QString kEbcdicHint =
    QStringLiteral("This file looks like EBCDIC: Configure > Character Set");

}  // namespace qx
