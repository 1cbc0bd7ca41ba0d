#include "platform/gpu/views.h"

#include "platform/gpu/format.h"

namespace gpu {

namespace {

Texture2D* AsTexture2D(Resource* resource)
{
    if (!resource || resource->GetType() != RESOURCE_DIMENSION_TEXTURE2D) return nullptr;
    return static_cast<Texture2D*>(resource);
}

}  // namespace

// ---------------------------------------------------------------------------
// Render-target views
// ---------------------------------------------------------------------------

HResult RenderTargetView::Create(Resource* resource, const RenderTargetViewDesc* desc, RenderTargetView** view)
{
    if (!view) return E_INVALIDARG;
    *view = nullptr;
    Texture2D* texture = AsTexture2D(resource);
    if (!texture) return E_INVALIDARG;
    const Texture2DDesc& source = texture->Desc();

    RenderTargetViewDesc made;
    if (desc) {
        made = *desc;
    } else {
        // A null description views the whole of mip 0 in the resource's format.
        made.Format = source.Format;
        made.ViewDimension = texture->Multisampled() ? RTV_DIMENSION_TEXTURE2DMS : RTV_DIMENSION_TEXTURE2D;
    }
    if (made.Format == FORMAT_UNKNOWN) made.Format = source.Format;
    const FormatInfo* format = FindFormat(made.Format);
    const bool dimensionFits = made.ViewDimension == (texture->Multisampled() ? RTV_DIMENSION_TEXTURE2DMS
                                                                               : RTV_DIMENSION_TEXTURE2D);
    if (!format || !format->colorRenderable || !dimensionFits || (source.BindFlags & BIND_RENDER_TARGET) == 0 ||
        made.Texture2D.MipSlice >= source.MipLevels)
        return E_INVALIDARG;
    if (texture->Multisampled()) made.Texture2D.MipSlice = 0;

    texture->StopKeepingTopLevel();
    RenderTargetView* result = new RenderTargetView;
    result->desc_ = made;
    ReplaceReference(result->texture_, texture);
    *view = result;
    return S_OK;
}

RenderTargetView::~RenderTargetView() { ReplaceReference(texture_, static_cast<Texture2D*>(nullptr)); }

void RenderTargetView::GetResource(Resource** resource) const
{
    if (!resource) return;
    *resource = texture_;
    if (texture_) texture_->AddRef();
}

// ---------------------------------------------------------------------------
// Depth-stencil views
// ---------------------------------------------------------------------------

HResult DepthStencilView::Create(Resource* resource, const DepthStencilViewDesc* desc, DepthStencilView** view)
{
    if (!view) return E_INVALIDARG;
    *view = nullptr;
    Texture2D* texture = AsTexture2D(resource);
    if (!texture) return E_INVALIDARG;
    const Texture2DDesc& source = texture->Desc();

    DepthStencilViewDesc made;
    if (desc) {
        made = *desc;
    } else {
        made.Format = source.Format;
        made.ViewDimension = texture->Multisampled() ? DSV_DIMENSION_TEXTURE2DMS : DSV_DIMENSION_TEXTURE2D;
    }
    if (made.Format == FORMAT_UNKNOWN) made.Format = source.Format;
    const FormatInfo* format = FindFormat(made.Format);
    const bool dimensionFits = made.ViewDimension == (texture->Multisampled() ? DSV_DIMENSION_TEXTURE2DMS
                                                                               : DSV_DIMENSION_TEXTURE2D);
    if (!format || !format->depth || !dimensionFits || (source.BindFlags & BIND_DEPTH_STENCIL) == 0 ||
        made.Texture2D.MipSlice >= source.MipLevels)
        return E_INVALIDARG;
    if (texture->Multisampled()) made.Texture2D.MipSlice = 0;

    DepthStencilView* result = new DepthStencilView;
    result->desc_ = made;
    ReplaceReference(result->texture_, texture);
    *view = result;
    return S_OK;
}

DepthStencilView::~DepthStencilView() { ReplaceReference(texture_, static_cast<Texture2D*>(nullptr)); }

void DepthStencilView::GetResource(Resource** resource) const
{
    if (!resource) return;
    *resource = texture_;
    if (texture_) texture_->AddRef();
}

bool DepthStencilView::HasStencil() const
{
    const FormatInfo* format = FindFormat(desc_.Format);
    return format && format->stencil;
}

}  // namespace gpu
