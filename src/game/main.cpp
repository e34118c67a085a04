// Ostrel: four in a row against the computer, at one machine or over the network.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Ostrel"));
    window.resize(480, 520);
    window.show();
    return app.exec();
}
