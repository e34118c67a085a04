#include "platform/Pictures.h"

#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <map>

namespace assets {

namespace {

QString &folderOverride()
{
    static QString folder;
    return folder;
}

// A map, not a hash: references handed out stay valid when more pictures are loaded.
using Store = std::map<QString, QPixmap>;

Store *&cache()
{
    static Store *pictures = nullptr;
    return pictures;
}

// Pixmaps must go before the GUI application does.
void dropCache()
{
    delete cache();
    cache() = nullptr;
}

} // namespace

QString borderPictureName(int index)
{
    if (index == 0)
        return QStringLiteral("borderBottomLeft");
    if (index >= 1 && index <= 7)
        return QStringLiteral("borderBottom");
    if (index == 8)
        return QStringLiteral("borderBottomRight");
    if (index >= 9 && index <= 14)
        return QStringLiteral("borderLeft");
    if (index >= 15 && index <= 20)
        return QStringLiteral("borderRight");
    if (index == 21)
        return QStringLiteral("borderTopLeft");
    if (index == 22)
        return QStringLiteral("borderTopRight");
    if (index >= 23 && index <= 29)
        return QStringLiteral("borderTop");
    return {};
}

QStringList pictureNames()
{
    QStringList names;
    for (const char *n : MoveChipPictures)
        names << QString::fromLatin1(n);
    names << ChipPictures[1] << ChipPictures[2];
    for (const char *n : AnimPictures)
        names << QString::fromLatin1(n);
    names << "borderTopLeft" << "borderTop" << "borderTopRight" << "borderLeft" << "borderRight"
          << "borderBottomLeft" << "borderBottom" << "borderBottomRight";
    names << TimeBarEnabled << TimeBarDisabled << TitleGerman << TitleEnglish << FlagEnglish
          << FlagGerman << InfoIcon << InfoBackground << VoiceBars[0] << VoiceBars[1];
    return names;
}

QString pictureFolder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QDir(platform::programFolder()).filePath(QStringLiteral("pictures"));
}

void setPictureFolder(const QString &folder)
{
    folderOverride() = folder;
    if (cache())
        cache()->clear();
}

const QPixmap &picture(const QString &name)
{
    if (!cache()) {
        cache() = new Store;
        qAddPostRoutine(dropCache);
    }
    auto it = cache()->find(name);
    if (it == cache()->end()) {
        QPixmap pixmap;
        // Only plain names: a name never reaches outside the picture folder.
        if (!name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('.')))
            pixmap.load(QDir(pictureFolder()).filePath(name + QStringLiteral(".png")), "PNG");
        it = cache()->emplace(name, pixmap).first;
    }
    return it->second;
}

} // namespace assets
