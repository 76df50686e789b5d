// Voice test's files beside the recording: the countdown pictures in "pic" and the one-line log file.
#pragma once

#include <QString>

// Path of countdown picture n: "pic/t<n>.bmp" beside the program for n != 0, "pic/begin_t.bmp" for 0.
QString VoiceTestFramePath(int n);

// Writes text (up to its terminating zero) at the start of "abc.log" in the current folder when
// that file can be opened for writing, keeping the rest of it; otherwise into "zuvi.log" there,
// created empty first. Nothing is written when neither opens.
void WriteLog(const char* text);
