// Build step: writes the program's icon as korvanta.png in the hicolor size
// folders (<out>/<n>x<n>/apps/) for the installation.

#include "app/ProgramIcon.h"

#include <QDir>
#include <QString>
#include <cstdio>

using namespace korvanta;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvanta-icons <output folder>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
        if (!QDir().mkpath(folder) || !ProgramImage(size).save(folder + QStringLiteral("/korvanta.png"))) {
            std::fprintf(stderr, "korvanta-icons: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
