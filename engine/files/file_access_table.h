// The file-access table: the twelve file primitives every engine file
// access goes through (its full declaration belongs to the files module).
#pragma once

namespace DuRud {

struct StreamFunctionTable;

// Null installs the built-in set the archive-use setting selects. 0.
int SetStreamFunctionTable(const StreamFunctionTable* table);
int GetStreamDir(char* buffer);         // the current directory (260 bytes of room)
int ChangeStreamDir(const char* path);  // changes the current directory

}  // namespace DuRud
