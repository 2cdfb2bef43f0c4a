// GetPin, CheckPin and RenderFilter on Wine's graph manager and its own filters.
#include <gmock/gmock.h>

#include <windows.h>
#include <vfw.h>

#include "AssertRecorder.h"
#include "DSGraph.h"
#include "TestSupport.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const char kHrIsSOk[] = "hr == ((HRESULT)0L)";
const char kCantFind[] = "!L\"RenderFilter(): Can't find disconnected output pin\"";

// Writes an uncompressed AVI of a few 32 x 24 RGB frames with avifil32.
HRESULT WriteAvi(const std::wstring& path) {
  const LONG cx = 32, cy = 24, cbFrame = cx * cy * 3;
  ::AVIFileInit();
  PAVIFILE pFile = nullptr;
  HRESULT hr = ::AVIFileOpenW(&pFile, path.c_str(), OF_CREATE | OF_WRITE, nullptr);
  PAVISTREAM pStream = nullptr;
  if (SUCCEEDED(hr)) {
    AVISTREAMINFOW info = {};
    info.fccType = streamtypeVIDEO;
    info.dwScale = 1;
    info.dwRate = 10;
    info.dwSuggestedBufferSize = cbFrame;
    ::SetRect(&info.rcFrame, 0, 0, cx, cy);
    hr = ::AVIFileCreateStreamW(pFile, &pStream, &info);
  }
  if (SUCCEEDED(hr)) {
    BITMAPINFOHEADER bih = {};
    bih.biSize = sizeof bih;
    bih.biWidth = cx;
    bih.biHeight = cy;
    bih.biPlanes = 1;
    bih.biBitCount = 24;
    bih.biCompression = BI_RGB;
    bih.biSizeImage = cbFrame;
    hr = ::AVIStreamSetFormat(pStream, 0, &bih, sizeof bih);
  }
  std::vector<BYTE> frame(cbFrame, 0x80);
  for (LONG n = 0; SUCCEEDED(hr) && n < 5; ++n)
    hr = ::AVIStreamWrite(pStream, n, 1, frame.data(), cbFrame, AVIIF_KEYFRAME, nullptr, nullptr);
  if (pStream) ::AVIStreamRelease(pStream);
  if (pFile) ::AVIFileRelease(pFile);
  ::AVIFileExit();
  return hr;
}

CLSID ClassOf(IBaseFilter* pFilter) {
  CLSID clsid = GUID_NULL;
  pFilter->GetClassID(&clsid);
  return clsid;
}

class RealGraphTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, m_spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
  }

  CComPtr<IGraphBuilder> m_spGraph;
};

// Wine's Sample Grabber refuses to enumerate media types until it is
// connected (VFW_E_NOT_CONNECTED); the Null Renderer offers none at all.
TEST_F(RealGraphTest, GetPinSkipsRealPinsWhoseTypesCannotBeRead) {
  CComPtr<IBaseFilter> spGrabber, spNull;
  ASSERT_EQ(S_OK, InsertFilter(m_spGraph, kSampleGrabber, L"Grabber", &spGrabber));
  ASSERT_EQ(S_OK, InsertFilter(m_spGraph, kNullRenderer, L"Null", &spNull));

  CComPtr<IPin> spIn;
  ASSERT_EQ(S_OK, GetPin(spGrabber, true, false, GUID_NULL, &spIn));
  PIN_DIRECTION dir = PINDIR_OUTPUT;
  EXPECT_EQ(S_OK, spIn->QueryDirection(&dir));
  EXPECT_EQ(PINDIR_INPUT, dir);

  struct Case {
    const char* label;
    IBaseFilter* pFilter;
    bool bInput;
    const char* text;
  } cases[] = {
      {"grabber output", spGrabber, false, "!L\"CheckPin(): pPin->EnumMediaTypes() FAILED\""},
      {"null renderer input", spNull, true, "!L\"CheckPin(): spEnumMT->Next() FAILED\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    CComPtr<IPin> spPin;
    AssertRecorder asserts;
    EXPECT_EQ(S_FALSE, GetPin(c.pFilter, c.bInput, false, MEDIATYPE_Video, &spPin));
    EXPECT_THAT(asserts.Texts(), ElementsAre(c.text));
    EXPECT_EQ(nullptr, spPin.p);
  }

  AssertRecorder asserts;
  CComPtr<IPin> spConnected, spOut;
  EXPECT_EQ(S_FALSE, GetPin(spGrabber, true, true, GUID_NULL, &spConnected));
  EXPECT_EQ(S_FALSE, GetPin(spNull, false, false, GUID_NULL, &spOut));
  EXPECT_THAT(asserts.Texts(), IsEmpty());
}

TEST_F(RealGraphTest, RenderFilterOnAFilterWithoutOutputsAnswersSFalse) {
  CComPtr<IBaseFilter> spNull;
  ASSERT_EQ(S_OK, InsertFilter(m_spGraph, kNullRenderer, L"Null", &spNull));
  AssertRecorder asserts;
  EXPECT_EQ(S_FALSE, RenderFilter(m_spGraph, spNull));
  EXPECT_THAT(asserts.Texts(), ElementsAre(kHrIsSOk, kCantFind));
  EXPECT_EQ(1u, FiltersOf(m_spGraph).size());
}

// File Source (Async) on an AVI file: rendering it lets the manager add a
// splitter and a video renderer; once that is done nothing is left to render.
TEST_F(RealGraphTest, RenderFilterBuildsTheChainBehindAFileSource) {
  const std::wstring path = TempPath(L".avi");
  ASSERT_EQ(S_OK, WriteAvi(path));

  CComPtr<IBaseFilter> spSource;
  ASSERT_EQ(S_OK, InsertFilter(m_spGraph, CLSID_AsyncReader, L"Source", &spSource));
  CComQIPtr<IFileSourceFilter> spFileSource(spSource);
  ASSERT_TRUE(spFileSource);
  ASSERT_EQ(S_OK, spFileSource->Load(path.c_str(), nullptr));

  {
    CComPtr<IPin> spStreamOut;
    AssertRecorder asserts;
    EXPECT_EQ(S_OK, GetPin(spSource, false, false, MEDIATYPE_Stream, &spStreamOut));
    EXPECT_EQ(S_FALSE, CheckPin(spStreamOut, MEDIATYPE_Video));
    EXPECT_EQ(S_OK, RenderFilter(m_spGraph, spSource));
    EXPECT_THAT(asserts.Texts(), IsEmpty());
  }

  auto filters = FiltersOf(m_spGraph);
  EXPECT_EQ(3u, filters.size());
  // Wine takes its GStreamer splitter rather than the AVI splitter: follow the source's connection.
  CComPtr<IPin> spSourceOut, spSplitterIn;
  ASSERT_EQ(S_OK, GetPin(spSource, false, true, GUID_NULL, &spSourceOut));
  ASSERT_EQ(S_OK, spSourceOut->ConnectedTo(&spSplitterIn));
  PIN_INFO info = {};
  ASSERT_EQ(S_OK, spSplitterIn->QueryPinInfo(&info));
  CComPtr<IBaseFilter> spSplitter;
  spSplitter.Attach(info.pFilter);
  CComPtr<IPin> spVideo;
  EXPECT_EQ(S_OK, GetPin(spSplitter, false, true, MEDIATYPE_Video, &spVideo));
  int cRenderers = 0;
  for (const auto& spFilter : filters) {
    const CLSID clsid = ClassOf(spFilter);
    cRenderers += clsid == CLSID_VideoMixingRenderer || clsid == CLSID_VideoRenderer;
  }
  EXPECT_EQ(1, cRenderers);

  AssertRecorder asserts;
  EXPECT_EQ(S_FALSE, RenderFilter(m_spGraph, spSource));
  EXPECT_THAT(asserts.Texts(), ElementsAre(kHrIsSOk, kCantFind));
  EXPECT_EQ(filters.size(), FiltersOf(m_spGraph).size());

  // The file is free again once the graph is gone.
  filters.clear();

  spFileSource.Release();
  spSource.Release();
  spVideo.Release();
  spSourceOut.Release();
  spSplitterIn.Release();
  spSplitter.Release();
  m_spGraph.Release();
  EXPECT_TRUE(::DeleteFileW(path.c_str()));
}

}  // namespace
