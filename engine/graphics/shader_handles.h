// Shader handles (type 12): vertex and pixel shaders made from compiled code
// in memory, with the code kept for device rebuilds; the user's shader
// selections; the shader-model query and the lighting and texture-coordinate
// defaults beside them. The public calls are in DuRud.h.
#pragma once

#include <cstdint>

#include <d3d9.h>

#include "DuRud.h"

namespace DuRud {

constexpr int kUserShaderTextures = 16;
constexpr int kMaxShaders = 4096;

struct ShaderRecord {
    HandleHeader header;
    int32_t isVertex;  // 1 vertex shader, 0 pixel shader
    uint32_t* code;    // tracked copy, followed by an end token of our own
    int32_t codeSize;  // bytes, the end token not counted
    IDirect3DVertexShader9* vertexShader;
    IDirect3DPixelShader9* pixelShader;
    int32_t constantTableSize;  // bytes; 0 with no table
    const void* constantTable;  // inside the code copy
};

struct UserShaderSelection {
    Handle vertexShader, pixelShader;      // 0: none
    Handle textures[kUserShaderTextures];  // 0: none
};

struct UserShaderSetup {
    Handle vertexShader, pixelShader;
    Handle textures[kUserShaderTextures];
    int32_t textureCount;
};

int RegisterShaderHandleType();  // graphics start-up
ShaderRecord* ShaderFromHandle(Handle handle, int allowPending);
const UserShaderSelection& GetUserShaderSelection();

// Makes the shader object of a handle from code of codeSize bytes: at least
// version and end, whole tokens, a leading comment inside the code. 0 or -1.
int CreateShaderObject(Handle handle, const void* code, int allowPending, int isVertex,
                       int codeSize, int freeCode, int fromWorker);
int SaveUserShaders(UserShaderSetup* setup, int textureCount);
int ApplyUserShaders(const UserShaderSetup* setup);  // 0, -1 when a selection was refused
int SetVertexShaderNow(Handle shader);
int SetPixelShaderNow(Handle shader);
int SetLightingState(int flag);
int ResetTexCoordIndices();

// Device rebuild: every shader object released, then made again from the
// kept code. 0.
int ReleaseAllShaderObjects();
int RecreateAllShaderObjects();

}  // namespace DuRud
