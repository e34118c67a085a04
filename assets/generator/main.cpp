// Makes the game's sounds and pictures at build time:
//   ostrel_assetgen <program folder> <contact sheet folder>
// Sounds go into the program folder, pictures into its "pictures" folder, the program's icon
// in several sizes into its "icons" folder.
#include "pictures.h"
#include "sounds.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <program folder> <contact sheet folder>\n", argv[0]);
        return 2;
    }
    QGuiApplication app(argc, argv); // fonts for the lettering
    const QString program = QString::fromLocal8Bit(argv[1]);
    const QString sheets = QString::fromLocal8Bit(argv[2]);
    if (!QDir().mkpath(program + "/pictures") || !QDir().mkpath(program + "/icons") || !QDir().mkpath(sheets))
        return 1;
    if (!assetgen::writeSounds(program.toStdString())) {
        std::fprintf(stderr, "cannot write the sounds\n");
        return 1;
    }
    if (!assetgen::writePictures(program + "/pictures", sheets + "/contact-sheet.png")) {
        std::fprintf(stderr, "cannot write the pictures\n");
        return 1;
    }
    if (!assetgen::writeIcons(program + "/icons")) {
        std::fprintf(stderr, "cannot write the icons\n");
        return 1;
    }
    return 0;
}
