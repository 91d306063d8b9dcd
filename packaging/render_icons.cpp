// Writes the program icon as PNG files for the hicolor theme:
// render_icons <output directory> <size>...  ->  <dir>/<size>x<size>/qarvelo.png
#include "app/art.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[]) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: render_icons <dir> <size>...\n");
        return 2;
    }
    for (qsizetype i = 2; i < args.size(); ++i) {
        const int size = args.at(i).toInt();
        const QString dir = args.at(1) + QStringLiteral("/%1x%1").arg(size);
        if (size <= 0 || !QDir().mkpath(dir) ||
            !Art::icon(size).save(dir + QStringLiteral("/qarvelo.png"))) {
            std::fprintf(stderr, "render_icons: cannot write the %s icon\n",
                         args.at(i).toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}
