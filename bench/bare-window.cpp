// Start-up benchmark peer: the least a Qt 6 Widgets program does to show a window.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget w;
    w.resize(360, 280);
    w.show();
    return app.exec();
}
