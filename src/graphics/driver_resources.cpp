// The driver's resource, target and drawing operations.
#include "graphics/driver.h"

// TODO(gpu-resources): every operation below is a seam until the GPU-resources
// work lands; each does nothing, as the driver does without a device.
int CDriver::CreateTextureFromImage(CTexture*) { return 0; }
int CDriver::LoadTextureFromFile(CTexture*, const char16_t*) { return 0; }
int CDriver::CreateRenderTarget(CTexture*) { return 0; }
HResult CDriver::CreateColorShaderView(CTexture*) { return E_INVALIDARG; }
HResult CDriver::CreateColorTargetView(CTexture*) { return E_INVALIDARG; }
HResult CDriver::CreateDepthTarget(CTexture*) { return E_INVALIDARG; }
int CDriver::CreateShadowMapTarget(CTexture*, CTexture*) { return 0; }
HResult CDriver::CreateDepthShaderView(CTexture*) { return E_INVALIDARG; }
int CDriver::ReleaseTexture(CTexture*) { return 0; }
void CDriver::SetPixelTexture(int, CTexture*) {}
int CDriver::CreateRenderSetBuffers(RenderSet*) { return 0; }
int CDriver::ReleaseRenderSetBuffers(RenderSet*) { return 1; }
int CDriver::DrawRenderSet(RenderSet*) { return 0; }
int CDriver::Clear(uint16_t, uint16_t, uint16_t) { return 0; }
int CDriver::PushRenderTarget(CTexture*, CTexture*) { return 0; }
int CDriver::PopRenderTarget() { return 0; }
HResult CDriver::CreateConstantBuffer(ConstantBufferEntry*, uint32_t) { return 0; }
void CDriver::UpdateConstantBuffer(ConstantBufferEntry*, const void*) {}
void CDriver::SetVertexConstantBuffer(int, ConstantBufferEntry*) {}
void CDriver::SetPixelConstantBuffer(int, ConstantBufferEntry*) {}
HResult CDriver::CreateShader(ShaderEntry*) { return 0; }
void CDriver::SetVertexShader(ShaderEntry*) {}
void CDriver::SetPixelShader(ShaderEntry*) {}
int CDriver::CreateRasterizerState(ConstantBufferEntry*, float, float) { return -1; }
int CDriver::CreateDepthStencilState(ConstantBufferEntry*, int, int, int) { return -1; }
int CDriver::CreateBlendState(ConstantBufferEntry*, int, int, int, int) { return -1; }
int CDriver::CreateSamplerState(ConstantBufferEntry*, int, int, int, int, float, uint32_t, int, float, float, float,
                                float, float, float)
{
    return -1;
}
int CDriver::SetDepthStencilState(ConstantBufferEntry*) { return 0; }
void CDriver::SetBlendState(ConstantBufferEntry*) {}
void CDriver::SetPixelSampler(int, ConstantBufferEntry*) {}
