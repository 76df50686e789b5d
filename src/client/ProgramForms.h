// Program windows: their creation order, the start-up and the shut-down.
#pragma once

// Creates every window after the login form, through the application object (the first one,
// the main window, becomes the main form).
void CreateApplicationForms();

// Hides the start-up update prompt (visible only when it created the login form).
void HideUpdatePrompt();

// Creates the login form with no owner (its creation handler creates every other window).
void CreateLoginForm();

// The main routine after the single-instance check: the update prompt, created first, and when
// it offers no installer the login form, modally; then the message loop.
void RunStartup();

// The session ends the program (SIGTERM, SIGHUP, SIGINT; on the UI thread): the shut-down of
// "退出", once.
void EndRunOnSessionSignal();

// Destroys the application's windows, the last created first, and then the login form when the
// main window's destruction has not done so.
void DestroyApplicationForms();
