// Main window: title-bar buttons, main menu, tray icon, edge auto-hide and shut-down.
#include "client/Unit1.h"

using namespace zuvi::ui;

void TForm1::ssSkinButton1Click(TObject*) {}
void TForm1::ssSkinButton2Click(TObject*) {}
void TForm1::ssSkinButton4Click(TObject*) {}
void TForm1::Label11Click(TObject*) {}
void TForm1::N2Click(TObject*) {}
void TForm1::N3Click(TObject*) {}
void TForm1::N4Click(TObject*) {}
void TForm1::N6Click(TObject*) {}
void TForm1::N7Click(TObject*) {}
void TForm1::N8Click(TObject*) {}
void TForm1::N10Click(TObject*) {}
void TForm1::N14Click(TObject*) {}
void TForm1::TrayIcon1DblClick(TObject*) {}
void TForm1::Timer5Timer(TObject*) {}
void TForm1::Timer6Timer(TObject*) {}
void TForm1::Timer8Timer(TObject*) {}
void TForm1::IdIPAddrMon1Status(TObject*) {}
void TForm1::Label15Click(TObject*) {}
void TForm1::Label16Click(TObject*) {}
void TForm1::Label17Click(TObject*) {}
void TForm1::FormDestroy(TObject*) {}
void TForm1::ssSkinForm1MouseMove(TObject*, TShiftState, int, int) {}
void TForm1::SetTrayIconState(int) {}
bool TForm1::TrayMessage() { return true; }
