#pragma once

#include <QString>

// File sizes as people read them: "6.0 MB" to glance at, "6,291,456 bytes" to be sure.
namespace ByteSize {
// Bytes under a kilobyte as bytes, then KB, MB, GB... counted in 1024s, one decimal.
QString shortText(qint64 bytes);
// Every byte, in the locale's groups of digits.
QString exactText(qint64 bytes);
// Both, as "6.0 MB (6,291,456 bytes)"; bytes alone when they are fewer than a kilobyte.
QString bothWays(qint64 bytes);
} // namespace ByteSize
