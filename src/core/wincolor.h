#pragma once

#include <QColor>

// Colours in the client's files are Windows colour values: 0x00BBGGRR for plain
// colours, negative (high bit set) for system colours. This is the one place they turn
// into QColor and back.
QColor colorFromWin(qint32 value);
qint32 winFromColor(const QColor& color);
