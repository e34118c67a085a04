#pragma once
// Finds a window's control or menu item by its object name, the name the game's procedures
// know it by ("menTimeLimit", "lblRecord"); members of a control array carry their index in
// brackets ("picPlaygrid(5)"). A control that is not there ends the test program at once with
// its name, so a renamed or missing control cannot pass as a null pointer.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QtGlobal>

namespace testing {

template <class T = QObject>
T *control(const QObject *root, const QString &name)
{
    T *found = root ? root->findChild<T *>(name) : nullptr;
    if (!found)
        qFatal("no control named \"%s\" of the expected kind", qPrintable(name));
    return found;
}

// A member of a control array: control<PictureBox>(window, "picPlaygrid", 5).
template <class T = QObject>
T *control(const QObject *root, const QString &name, int index)
{
    return control<T>(root, name + QLatin1Char('(') + QString::number(index) + QLatin1Char(')'));
}

} // namespace testing
