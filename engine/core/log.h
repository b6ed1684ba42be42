// The log file: each write opens the file, appends and closes it again, so
// the file is complete at any moment; every line starts with the
// milliseconds since the log started and one TAB per indent level.
#pragma once

#include "DuRud.h"

namespace DuRud {

// Chooses the file name and re-creates the file empty; -1 when the folder is
// not set or the file cannot be created. Nothing while output is off.
int LogOpen();
// LogOpen, indent and mid-line to 0, the start time from the millisecond counter.
int LogStart();

// Wide printf-style line (%d %i %u %x %X %c %s %% with width and precision;
// %s takes a wide string), converted to code page 932.
int LogFormatLineWide(const char16_t* format, ...);

// The log folder (start-up sets it to the start directory when empty).
int SetLogFolder(const char* folder);
const char* GetLogFolder();
// 1 selects the dated file name "Log<y>_<m>_<d>_<h>_<min>_<s>.txt".
int SetLogDatedName(int on);
// The full path of the log file chosen by the last LogOpen ("" before it).
const char* GetLogFilePath();
int GetLogIndent();

// Back to the state at program start (output on, no folder, depth 0).
int ResetLogForTest();

}  // namespace DuRud
