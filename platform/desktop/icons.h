// Images of the actions and the application icon, from the Tango icon theme.
//
// The theme is read from its installed folders (/usr/share/icons/Tango/16x16 and
// 32x32), so the same pictures appear whatever icon theme the desktop uses. The zoom
// pictures the theme lacks are drawn from its magnifier. Any other name that the theme
// lacks falls back to the desktop theme, then to an empty transparent image of the
// requested size, so a missing package never breaks the tool bars.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace mivaro {

// The picture called `name` (a freedesktop icon name such as "media-playback-start")
// at `size` x `size` pixels (16 or 32; other sizes are scaled from the nearer one).
QPixmap LoadThemeImage(const QString& name, int size);

// An action's icon: the picture at 16 and at 32 pixels.
QIcon LoadThemeIcon(const QString& name);

// True when the Tango theme holds `name` at `size` pixels.
bool HasThemeImage(const QString& name, int size);

// The application icon (16, 32 and 48 pixels).
QIcon ApplicationIcon();

}  // namespace mivaro
