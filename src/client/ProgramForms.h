// Program windows: their creation order, the start-up and the shut-down.
#pragma once

// Creates every window after the login form, through the application object (the first one,
// the main window, becomes the main form). During a deferring CreateLoginForm it leaves them for
// after the login form's first paint (or 100 ms when nothing is painted).
void CreateApplicationForms();

// Builds the windows left for later now, if they are still pending; whether every window exists.
// A window that cannot be built is reported and ends the run (false).
bool EnsureApplicationForms();

// Hides the start-up update prompt (visible only when it created the login form).
void HideUpdatePrompt();

// Creates the login form with no owner (its creation handler creates every other window, or,
// with deferOtherWindows, leaves them for after the login form's first paint).
void CreateLoginForm(bool deferOtherWindows = false);

// The main routine after the single-instance check: the update prompt, created first, and when
// it offers no installer the login form, modally, with the other windows built once it has been
// painted; then the message loop.
void RunStartup();

// The session ends the program (SIGTERM, SIGHUP, SIGINT; on the UI thread): the shut-down of
// "退出", once.
void EndRunOnSessionSignal();

// Destroys the application's windows, the last created first, and then the login form when the
// main window's destruction has not done so.
void DestroyApplicationForms();
