// Program windows: the global form pointers not declared by a unit yet, and their creation order.
#pragma once

class TForm5;
class TForm6;
class TForm7;
class TForm8;
class TForm9;
class TForm16;

extern TForm5* Form5;
extern TForm6* Form6;
extern TForm7* Form7;
extern TForm8* Form8;
extern TForm9* Form9;
extern TForm16* Form16;

// Creates every window after the login form, through the application object (the first one,
// the main window, becomes the main form).
void CreateApplicationForms();

// Hides the start-up update prompt (visible only when it created the login form).
void HideUpdatePrompt();

// Creates the login form with no owner (its creation handler creates every other window).
void CreateLoginForm();

// The main routine after the single-instance check: the update prompt or the login form,
// modally, then the message loop.
void RunStartup();

// Destroys the application's windows, the last created first, and then the login form when the
// main window's destruction has not done so.
void DestroyApplicationForms();
