#include "FrameResizer.h"

#include <new>

namespace lumivar {

static_assert(ResizerSettings::kMaxInputSize == Resampler::kMaxSourceSize, "input limits agree");
static_assert(ResizerSettings::kMaxSize == Resampler::kMaxOutputSize, "output limits agree");

ResampleGeometry FrameResizer::GeometryOf(const ResizerSettings& settings) {
  const SIZE sizeIn = settings.InputSize();
  const RECT rc = settings.EffectiveClip();
  const SIZE sizeOut = settings.OutputSize();
  ResampleGeometry g{};
  g.srcWidth = sizeIn.cx;
  g.srcHeight = sizeIn.cy;
  g.clip = ResampleRect{rc.left, rc.top, rc.right, rc.bottom};
  g.dstWidth = sizeOut.cx;
  g.dstHeight = sizeOut.cy;
  g.kernel = static_cast<ResampleKernel>(settings.Algorithm());
  g.antialiasing = settings.Antialiasing();
  g.autoSupersampling = settings.AutoSupersampling();
  g.flip = settings.Flip();
  return g;
}

HRESULT FrameResizer::Prepare(const ResizerSettings& settings,
                              std::shared_ptr<const Resampler>* ppResampler) {
  std::shared_ptr<Resampler> sp;
  try {
    sp = std::make_shared<Resampler>();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  if (!sp->Configure(GeometryOf(settings))) return E_OUTOFMEMORY;
  *ppResampler = std::move(sp);
  return S_OK;
}

void FrameResizer::Install(std::shared_ptr<const Resampler> spResampler) {
  dshow::CAutoLock lock(&m_cs);
  m_spResampler.swap(spResampler);
  // The old resampler goes when the frame that may still use it lets go.
}

void FrameResizer::SetInputLayout(const PictureLayout& layout) {
  dshow::CAutoLock lock(&m_cs);
  m_in = layout;
}

void FrameResizer::SetOutputLayout(const PictureLayout& layout) {
  dshow::CAutoLock lock(&m_cs);
  m_out = layout;
}

PictureLayout FrameResizer::OutputLayout() {
  dshow::CAutoLock lock(&m_cs);
  return m_out;
}

HRESULT FrameResizer::Process(const BYTE* pIn, size_t cbIn, BYTE* pOut, size_t cbOut) {
  std::shared_ptr<const Resampler> spResampler;
  PictureLayout in, out;
  {
    dshow::CAutoLock lock(&m_cs);
    spResampler = m_spResampler;
    in = m_in;
    out = m_out;
  }
  if (!spResampler) return E_FAIL;
  const ResampleGeometry& g = spResampler->Geometry();
  if (g.srcWidth != in.size.cx || g.srcHeight != in.size.cy || g.dstWidth != out.size.cx ||
      g.dstHeight != out.size.cy)
    return E_FAIL;
  if (!pIn || !pOut || cbIn < in.cbBuffer || cbOut < out.cbBuffer) return E_INVALIDARG;
  spResampler->Process(pIn + in.cbOffset, in.cbStride, pOut + out.cbOffset, out.cbStride);
  return S_OK;
}

}  // namespace lumivar
