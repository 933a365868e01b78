// Prepares the embedded browser engine before the application object exists: Chromium flags that
// keep it off services the program never uses, and, only when the program runs as root (where
// Chromium refuses to start its sandbox), the sandbox switched off with one notice on standard
// error. Both front ends with a browser and the GUI tests call it first thing.
#pragma once

namespace kestrune {

// Call before QApplication is constructed; calling it again does nothing.
void prepareWebEngine();

}  // namespace kestrune
