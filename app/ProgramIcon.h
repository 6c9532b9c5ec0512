#pragma once
// The program's icon, drawn rather than stored: a scope screen with a trace.

#include <QIcon>
#include <QPixmap>

QPixmap ProgramPixmap(int size);
QIcon ProgramIcon();
