#pragma once

#include <QFont>
#include <QStringList>

namespace talvex::gui {

// True when every printable ASCII character moves the pen by the same width in `font`, as
// measured by its metrics. The font's own fixed-pitch flag is no guide: fontconfig declares Noto
// Sans Mono proportional although all its glyphs are equally wide, and a family that is not
// installed is silently replaced by a proportional one.
bool HasEqualAdvances(const QFont& font);

// The first of `families` that has equal advances (measured) at the size of `base`; `base`
// itself, with a monospace hint, when none has.
QFont EqualAdvanceFont(const QStringList& families, const QFont& base);

// The result window's font: the desktop's fixed-width size with DejaVu Sans Mono (which setup
// installs with the plot's DejaVu Sans), else the desktop's own fixed font, else a common
// monospace family — whichever first measures equal advances, so that the 14-character print
// zones line up as columns whatever fonts the desktop has.
QFont ResultFont();

}  // namespace talvex::gui
