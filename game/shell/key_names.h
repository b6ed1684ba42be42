// Display names of the keyboard codes, for the key-configuration page:
// code page 932 text, empty for codes without a name.
#pragma once

inline constexpr int key_name_size = 32;  // 31 bytes and the terminator
extern char key_name_table[256][key_name_size];

void fill_key_names();
