// The key names: ASCII names as they are, Japanese names and full-width
// punctuation as code page 932 bytes.
#include "shell/key_names.h"

#include <cstring>

#include "DuRud.h"

constinit char key_name_table[256][key_name_size] = {};

namespace {

struct named_key {
    unsigned char code;
    const char* name;  // code page 932
};

}  // namespace

void fill_key_names() {
    using DuRud::Cp932Text;
    // clang-format off
    const named_key named_keys[] = {
        {0x01, "Esc"}, {0x02, "1"}, {0x03, "2"}, {0x04, "3"},
        {0x05, "4"}, {0x06, "5"}, {0x07, "6"}, {0x08, "7"},
        {0x09, "8"}, {0x0A, "9"}, {0x0B, "0"}, {0x0C, Cp932Text("－")},
        {0x0E, "Backspace"}, {0x0F, "Tab"}, {0x10, "Q"}, {0x11, "W"},
        {0x12, "E"}, {0x13, "R"}, {0x14, "T"}, {0x15, "Y"},
        {0x16, "U"}, {0x17, "I"}, {0x18, "O"}, {0x19, "P"},
        {0x1A, "["}, {0x1B, "]"}, {0x1C, "Enter"}, {0x1D, Cp932Text("左Ctrl")},
        {0x1E, "A"}, {0x1F, "S"}, {0x20, "D"}, {0x21, "F"},
        {0x22, "G"}, {0x23, "H"}, {0x24, "J"}, {0x25, "K"},
        {0x26, "L"}, {0x27, ";"}, {0x2A, Cp932Text("左Shift")}, {0x2B, Cp932Text("＼")},
        {0x2C, "Z"}, {0x2D, "X"}, {0x2E, "C"}, {0x2F, "V"},
        {0x30, "B"}, {0x31, "N"}, {0x32, "M"}, {0x33, Cp932Text("，")},
        {0x34, Cp932Text("．")}, {0x35, Cp932Text("／")}, {0x36, Cp932Text("右Shift")}, {0x37, Cp932Text("テンキー *")},
        {0x38, Cp932Text("左Alt")}, {0x39, "Space"}, {0x3A, "Caps Lock"}, {0x3B, "F1"},
        {0x3C, "F2"}, {0x3D, "F3"}, {0x3E, "F4"}, {0x3F, "F5"},
        {0x40, "F6"}, {0x41, "F7"}, {0x42, "F8"}, {0x43, "F9"},
        {0x44, "F10"}, {0x46, "ScrollLock"}, {0x47, Cp932Text("テンキー 7")}, {0x48, Cp932Text("テンキー 8")},
        {0x49, Cp932Text("テンキー 9")}, {0x4A, Cp932Text("テンキー -")}, {0x4B, Cp932Text("テンキー 4")}, {0x4C, Cp932Text("テンキー 5")},
        {0x4D, Cp932Text("テンキー 6")}, {0x4E, Cp932Text("テンキー +")}, {0x4F, Cp932Text("テンキー 1")}, {0x50, Cp932Text("テンキー 2")},
        {0x51, Cp932Text("テンキー 3")}, {0x52, Cp932Text("テンキー 0")}, {0x53, Cp932Text("テンキー .")}, {0x57, "F11"},
        {0x58, "F12"}, {0x7D, Cp932Text("￥")}, {0x90, Cp932Text("＾")}, {0x91, "@"},
        {0x92, ":"}, {0x9C, Cp932Text("テンキー Enter")}, {0x9D, Cp932Text("右Ctrl")}, {0xB5, Cp932Text("テンキー /")},
        {0xB8, Cp932Text("右Alt")}, {0xC5, "\tPause/Break"}, {0xC7, "Home"}, {0xC8, Cp932Text("↑")},
        {0xC9, "Page Up"}, {0xCB, Cp932Text("←")}, {0xCD, Cp932Text("→")}, {0xCF, "End"},
        {0xD0, Cp932Text("↓")}, {0xD1, "Page Down"}, {0xD2, "Insert"}, {0xD3, "Delete"},
    };
    // clang-format on
    std::memset(key_name_table, 0, sizeof(key_name_table));
    for (const named_key& k : named_keys) {
        std::strncpy(key_name_table[k.code], k.name, key_name_size - 1);
    }
}
