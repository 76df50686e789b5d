// Main window: outgoing calls, call state, volumes and the after-call processing.
#include "client/Unit1.h"

using namespace zuvi::ui;

void TForm1::InstallSipHooks() {}
void TForm1::ssSkinButton3Click(TObject*) {}
void TForm1::ssSkinButton5Click(TObject*) {}
void TForm1::CreatePhoneAccount() {}
void TForm1::TrackBar1Change(TObject*) {}
void TForm1::TrackBar2Change(TObject*) {}
void TForm1::Timer4Timer(TObject*) {}
void TForm1::Timer7Timer(TObject*) {}
void TForm1::Timer1Timer(TObject*) {}
