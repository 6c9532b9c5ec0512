#pragma once
// The program's icon, drawn rather than stored: a scope screen with a trace.
// app/desktop/korvanta.svg is the same drawing for the desktop's menus; the
// installed PNG sizes are made from this one by korvanta-icons.

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace korvanta {

// Needs no running application, so a build step can draw it.
QImage ProgramImage(int size);

QPixmap ProgramPixmap(int size);
QIcon ProgramIcon();

} // namespace korvanta
