#pragma once

#include <QIcon>
#include <QStyle>

// The style's standard icons, paid for when they are drawn rather than when they are made.
// QStyle::standardIcon decodes every size of an icon's images at once (16, 32 and often
// 128 px), which made up a sixth of the start-up's work. Where the style would draw the
// common style's own image files, the icon given here names those files and decodes only
// the one that fits a size asked of it, once a process; what it paints is what the style's
// icon paints. A style that draws icons of its own, and an icon theme of the desktop that
// has the icon, keep theirs.
namespace StandardIcons {

// The icon the style shows for which, loaded on demand where it can be.
QIcon icon(const QStyle* style, QStyle::StandardPixmap which);

// Whether icon() gives an icon that loads on demand rather than the style's own.
bool loadsOnDemand(const QStyle* style, QStyle::StandardPixmap which);

} // namespace StandardIcons
