// Main window: promotions page, banner download and link, keep-alive.
#include "client/MainWindow.h"

using namespace zuvi::ui;

void TForm1::FormShow(TObject*) { }
void TForm1::Timer2Timer(TObject*) { }
void TForm1::Timer3Timer(TObject*) { }
void TForm1::Image2Click(TObject*) { }
