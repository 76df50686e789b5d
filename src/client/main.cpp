// Zuvi softphone: the program's main routine.
#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Zuvi");
    return 0;
}
