// The engine's own shader objects, made from the shader package when the
// device comes up with vertex and pixel shader 2.0: the 2D pixel shaders (4
// plain, 64 blend), the mask compose shader, and the model shaders, made on
// demand from the model code tables. Whether any of them may be used is the
// programmable-shaders-in-use flag.
#pragma once

#include <d3d9.h>

namespace DuRud {

int ProgrammableShadersInUse();
// Releases the objects, then makes them when the device has shader model
// 2.0 and the package unpacks; logs which way drawing goes. 0.
int CreateBaseShaders();
// Without a device nothing happens; otherwise unsets both shaders, clears the
// cached current objects and releases every object above. 0.
int ReleaseShaderObjects();
// The same, and the fixed vertex declarations are released too. 0.
int ReleaseVertexDeclarations();

// Null while shaders are off (or the index is outside its table).
IDirect3DPixelShader9* PlainPixelShader(int kind);  // kind 0..3
// blend: 0 one texture, 1..3 blend-graphic types 0..2; kind 0..3;
// replacement and alphaSourceZero 0 or 1.
IDirect3DPixelShader9* BlendPixelShader(int blend, int kind, int replacement, int alphaSourceZero);
IDirect3DPixelShader9* MaskBlendPixelShader();
// The model tables' objects, made on first request; null for an empty entry.
IDirect3DVertexShader9* ModelVertexShader(int index);
IDirect3DPixelShader9* ModelPixelShader(int index);

// Makes a pixel shader from code in the package (any alignment). S_OK or the
// device's failure.
HRESULT CreatePixelShaderFromPackage(const void* code, uint32_t size, IDirect3DPixelShader9** out);

}  // namespace DuRud
