// Main-window tests: reaching the window's private state.
#pragma once

#include "client/MainWindow.h"

class TForm1Access {
public:
    static QString& AdLink(TForm1* f) { return f->FAdLink; }
    static bool& InCall(TForm1* f) { return f->FInCall; }
    static bool& Switching(TForm1* f) { return f->FSwitchingAccount; }
    static QString& CallDurationText(TForm1* f) { return f->FCallDurationText; }
    static QString& CallStartText(TForm1* f) { return f->FCallStartText; }
};
