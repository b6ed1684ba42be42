// DuRud: the engine's public functions, constants and handle types.
// This is all the game may call. Functions are C-style: integers and handles
// in; 0 on success, -1 on failure, or a handle (-1 for none) out.
#pragma once

#include <cstdint>

// The process entry calls the game's WinMain with these (opaque here).
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef char* LPSTR;

namespace DuRud {

// An engine handle: bits 26-30 the handle type, bits 16-25 a check number,
// bits 0-15 the slot index; bit 31 clear. -1 means no handle or failure.
typedef int32_t Handle;

constexpr Handle kInvalidHandle = -1;
constexpr int kResultOk = 0;
constexpr int kResultError = -1;

// Handle types.
enum HandleType : int {
    HandleTypeGraphic = 1,
    HandleTypeSoftImage = 2,
    HandleTypeSound = 3,
    HandleTypeSoftSound = 4,
    HandleTypeMusic = 5,
    HandleTypeMovie = 6,
    HandleTypeMask = 7,
    HandleTypeFont = 8,
    HandleTypeKeyInput = 9,
    HandleTypeLight = 11,
    HandleTypeShader = 12,
    HandleTypeModelBase = 13,
    HandleTypeModel = 14,
    HandleTypeVertexBuffer = 15,
    HandleTypeIndexBuffer = 16,
    HandleTypeFile = 17,
};

}  // namespace DuRud
