// SPDX-License-Identifier: GPL-3.0-or-later
// hadrel-thumbnailer -s SIZE INPUT OUTPUT: the picture a file manager shows for a skin.
#include "thumbnailer/thumbnail.h"

#include <QGuiApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char* argv[])
{
    // No window is ever shown, and file managers may run us without a display; the
    // playlist's font needs Qt Gui all the same.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    bool sized = false;
    const int size
        = arguments.size() == 5 && arguments.at(1) == QLatin1String("-s") ? arguments.at(2).toInt(&sized) : 0;
    if (!sized || size < 1 || size > Thumbnail::maxSize) {
        std::fprintf(stderr, "usage: hadrel-thumbnailer -s SIZE INPUT OUTPUT (SIZE 1 to %d)\n", Thumbnail::maxSize);
        return 2;
    }
    const QImage image = Thumbnail::draw(Thumbnail::localPath(arguments.at(3)), size);
    if (image.isNull()) {
        std::fputs("hadrel-thumbnailer: no skin picture could be read\n", stderr);
        return 1;
    }
    if (!Thumbnail::writePng(image, arguments.at(4))) {
        std::fputs("hadrel-thumbnailer: the picture could not be written\n", stderr);
        return 1;
    }
    return 0;
}
