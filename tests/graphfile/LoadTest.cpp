// Load of streams written here from the grammar: one that the writer would not write loads;
// each refusal answers its code and leaves the graph and the stream as they were.
#include <gmock/gmock.h>

#include <cstring>

#include "FakeFilterClass.h"
#include "GraphFileErrors.h"
#include "GraphFileTestSupport.h"
#include "IResizerControl.h"
#include "SampleGraphs.h"
#include "StreamBytes.h"
#include "VideoGenerator.h"

using ::testing::ElementsAreArray;
using ATL::CComPtr;
using ATL::CComQIPtr;

namespace {

const char kVidGen[] = "{6703C031-F9D4-4084-87BA-35B0B7DF3431}";
const char kResizer[] = "{71343D82-BA5F-4053-B328-DA0E855B4A71}";
const char kAsyncReader[] = "{E436EBB5-524F-11CE-9F53-0020AF0BA770}";
const char kVideo[] = "{73646976-0000-0010-8000-00AA00389B71}";
const char kRgb32[] = "{E436EB7E-524F-11CE-9F53-0020AF0BA770}";
const char kRgb24[] = "{E436EB7D-524F-11CE-9F53-0020AF0BA770}";
const char kVideoInfo[] = "{05589F80-C356-11CE-BF01-00AA0055595A}";
const char kSystemClock[] = "{E436EBB1-524F-11CE-9F53-0020AF0BA770}";

// The test's own filter classes (FakeFilterClass.h).
const CLSID kRefusedClass = {0xF00DF00D, 0x0001, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x01}};
const char kRefused[] = "{F00DF00D-0001-4000-8000-000000000001}";
const CLSID kPlainClass = {0xF00DF00D, 0x0002, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x02}};
const char kPlain[] = "{F00DF00D-0002-4000-8000-000000000002}";
const CLSID kInitClass = {0xF00DF00D, 0x0003, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x03}};
const char kInit[] = "{F00DF00D-0003-4000-8000-000000000003}";

// The generator's persisted settings: a version, then width, height, rate, duration.
ByteString VidGenData(uint8_t version, LONG cx, LONG cy) {
  ByteString b;
  for (LONG v : {LONG(version), cx, cy, LONG(25), LONG(2000)})
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  return b;
}

ByteString BinaryRun(const ByteString& bytes) { return Wide(std::to_string(bytes.size()) + " ") + bytes; }

// "length SP bytes" of an RGB32 VIDEOINFOHEADER
ByteString Format(LONG cx, LONG cy) { return BinaryRun(VideoInfoBytes(cx, cy)); }

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class LoadTest : public ::testing::Test {
protected:
  void SetUp() override {
    m_spGraph = NewGraph();
    ASSERT_TRUE(m_spGraph);
    m_spPersist = m_spGraph;
    ASSERT_TRUE(m_spPersist);
  }
  void TearDown() override {
    if (!m_video.empty()) ::DeleteFileW(m_video.c_str());
  }
  const std::wstring& Video() {
    if (m_video.empty()) {
      m_video = TempPath(L".avi");
      EXPECT_EQ(S_OK, WriteTestAvi(m_video.c_str(), 32, 24, 5));
    }
    return m_video;
  }

  CComPtr<IGraphBuilder> m_spGraph;
  CComQIPtr<IPersistStream> m_spPersist;
  std::wstring m_video;
};

// Version 2 (no clock), tabs and lone line feeds, runs of blanks, lower-case GUID digits,
// the sample size run into the major type, unpadded ids, a source filter with its file.
TEST_F(LoadTest, AStreamWrittenByHandLoads) {
  const ByteString bytes = Wide("2\n\tFILTERS\n7\t\"My Generator\"\t{6703c031-f9d4-4084-87ba-35b0b7df3431}\t") +
                           BinaryRun(VidGenData(1, 400, 300)) + Wide("\n  12  \"My Resizer\" ") + Wide(kResizer) +
                           Wide("\t0 \n3 \"Reader\" ") + Wide(kAsyncReader) + Wide(" SOURCE\t\"" + Narrow(Video()) + "\"\n0 ") +
                           Wide("\nCONNECTIONS\n7 \"Output\"\t12 \"Input\" 480000") + Wide(kVideo) + Wide("\t") +
                           Wide(kRgb32) + Wide(" 1\t0 76 ") + Wide(kVideoInfo) + Wide("\n") + Format(400, 300) +
                           Wide("\n\nEND");
  CComPtr<IStream> spStream = StreamOn(bytes + Wide("and what follows"));
  ASSERT_EQ(S_OK, m_spPersist->Load(spStream));
  EXPECT_EQ(bytes.size(), PositionOf(spStream));

  const Topology t = TopologyOf(m_spGraph);
  EXPECT_THAT(t.filters, ElementsAreArray({std::string("Reader ") + kAsyncReader, std::string("My Resizer ") + kResizer,
                                           std::string("My Generator ") + kVidGen}));
  ASSERT_EQ(1u, t.connections.size());
  EXPECT_EQ(0u, t.connections[0].find(std::string("My Generator.Output -> My Resizer.Input ") + kVideo + " " + kRgb32 +
                                      " " + kVideoInfo + " fixed 1 sample 480000 format 88 bytes"));

  CComQIPtr<IVideoGeneratorSettings> spSettings(FilterNamed(m_spGraph, L"My Generator"));
  ASSERT_TRUE(spSettings);
  VideoGeneratorSettings settings = {};
  EXPECT_EQ(S_OK, spSettings->GetSettings(&settings));
  EXPECT_EQ(400, settings.lWidth);
  EXPECT_EQ(300, settings.lHeight);
  EXPECT_EQ(Video(), CurrentFile(FilterNamed(m_spGraph, L"Reader")));
  // No clock line: the graph keeps its default, none until it first runs.
  CComQIPtr<IMediaFilter> spMediaFilter(m_spGraph);
  CComPtr<IReferenceClock> spClock;
  EXPECT_TRUE(SUCCEEDED(spMediaFilter->GetSyncSource(&spClock)));
  EXPECT_FALSE(spClock);
}

// A filter that persists through IPersistStreamInit only gets its data that way.
TEST_F(LoadTest, DataGoesThroughIPersistStreamInitToo) {
  FakeFilterBehaviour behaviour;
  behaviour.bPersistStreamInit = true;
  CFakeFilterClass fakeClass(kInitClass, &behaviour);
  ASSERT_TRUE(fakeClass.Registered());
  const ByteString data = Bytes({'\r', '\n', 0, '"', 0xFF});
  ASSERT_EQ(S_OK, m_spPersist->Load(StreamOn(Wide(std::string("0002 FILTERS 0001 \"Init\" ") + kInit + " ") +
                                             BinaryRun(data) + Wide(" CONNECTIONS END"))));
  EXPECT_EQ(data, behaviour.loaded);
  EXPECT_EQ(1, behaviour.cLive);
  m_spGraph.Release();
  m_spPersist.Release();
  EXPECT_EQ(0, behaviour.cLive);
}

TEST_F(LoadTest, TheClockLine) {
  struct Case {
    const char* label;
    std::string line;
    bool bClock;
  } cases[] = {
      {"the graph's default", "CLOCK 0 0000", false},
      {"required: none", "CLOCK 1 0000", false},
      {"a clock by class", std::string("CLOCK 1 ") + kSystemClock, true},
      {"preferred, by a class that is no clock", std::string("CLOCK 0 ") + kResizer, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    CComPtr<IGraphBuilder> spGraph = NewGraph();
    CComQIPtr<IPersistStream> spPersist(spGraph);
    ASSERT_EQ(S_OK, spPersist->Load(StreamOn(Wide("0003\r\nFILTERS\r\nCONNECTIONS\r\n" + c.line + "\r\nEND"))));
    CComQIPtr<IMediaFilter> spMediaFilter(spGraph);
    CComPtr<IReferenceClock> spClock;
    spMediaFilter->GetSyncSource(&spClock);
    EXPECT_EQ(c.bClock, spClock != nullptr);
  }
}

// Every refusal, late in the stream where it can be: the filters before it were added and
// connected, and must be gone again. The graph holds a filter of its own throughout.
TEST_F(LoadTest, EveryRefusalLeavesTheGraphAsItWas) {
  CComPtr<IBaseFilter> spOwn;
  ASSERT_EQ(S_OK, spOwn.CoCreateInstance(CLSID_VideoGenerator, nullptr, CLSCTX_INPROC_SERVER));
  ASSERT_EQ(S_OK, m_spGraph->AddFilter(spOwn, L"Own"));

  const ByteString head = Wide("0003\r\nFILTERS\r\n");
  const ByteString vidgen = Wide(std::string("0001 \"Video Generator\" ") + kVidGen + " ") + BinaryRun(VidGenData(1, 640, 480)) + Wide("\r\n");
  const ByteString resizer = Wide(std::string("0002 \"Resizer\" ") + kResizer + " 0 \r\n");
  const ByteString filters = head + vidgen + resizer;
  const ByteString connections = Wide("CONNECTIONS\r\n");
  const ByteString type32 = Wide(std::string(" 1228800 ") + kVideo + " " + kRgb32 + " 1 0 76 " + kVideoInfo + " ") + Format(640, 480);
  const ByteString connected = filters + connections + Wide("0001 \"Output\" 0002 \"Input\"") + type32 + Wide("\r\n");
  struct Case {
    const char* label;
    ByteString bytes;
    HRESULT hr;
  } cases[] = {
      {"empty stream", {}, GRAPHFILE_E_TRUNCATED},
      {"unknown version", Wide("0001\r\nFILTERS\r\nCONNECTIONS\r\nEND"), GRAPHFILE_E_VERSION},
      {"missing keyword", head + vidgen + Wide("CLOCK 0 0000\r\nEND"), GRAPHFILE_E_KEYWORD},
      {"no blank", Wide("0003\r\nFILTERS\r\n0001\"A\""), GRAPHFILE_E_SEPARATOR},
      {"negative length", head + Wide(std::string("0001 \"A\" ") + kVidGen + " -20 "), GRAPHFILE_E_NUMBER},
      {"length past the end", head + Wide(std::string("0001 \"A\" ") + kVidGen + " 2000 ") + VidGenData(1, 640, 480),
       GRAPHFILE_E_LENGTH},
      {"bad GUID", head + Wide("0001 \"A\" {6703C031-F9D4-4084-87BA-35B0B7DF34} 0 \r\n"), GRAPHFILE_E_GUID},
      {"name without quotes", head + Wide(std::string("0001 A ") + kVidGen), GRAPHFILE_E_NAME},
      {"unknown filter id", filters + connections + Wide("0001 \"Output\" 0009 \"Input\"") + type32 +
                                Wide("\r\nCLOCK 0 0000\r\nEND"),
       GRAPHFILE_E_FILTERID},
      {"a class that cannot be created",
       head + vidgen + Wide("0002 \"None\" {0BADC1A5-0000-0000-0000-000000000000} 0 \r\nCONNECTIONS\r\nCLOCK 0 0000\r\nEND"),
       GRAPHFILE_E_CLASS},
      {"data the filter refuses", head + resizer + Wide(std::string("0001 \"Video Generator\" ") + kVidGen + " ") +
                                      BinaryRun(VidGenData(9, 640, 480)) + Wide("\r\nCONNECTIONS\r\nCLOCK 0 0000\r\nEND"),
       GRAPHFILE_E_FILTERDATA},
      {"a source file that is not there", filters + Wide(std::string("0003 \"Reader\" ") + kAsyncReader +
                                                         " SOURCE \"C:\\no such folder\\none.avi\" 0 \r\nCONNECTIONS\r\nCLOCK 0 0000\r\nEND"),
       GRAPHFILE_E_FILE},
      {"a file for a filter that takes none",
       filters + Wide(std::string("0003 \"R\" ") + kResizer + " SOURCE \"C:\\a.avi\" 0 \r\nCONNECTIONS\r\nCLOCK 0 0000\r\nEND"),
       GRAPHFILE_E_FILE},
      {"a pin that is not there", filters + connections + Wide("0001 \"Output\" 0002 \"Nope\"") + type32 +
                                      Wide("\r\nCLOCK 0 0000\r\nEND"),
       GRAPHFILE_E_PIN},
      {"a connection the pins refuse", filters + connections + Wide("0001 \"Output\" 0002 \"Input\" 921600 ") +
                                           Wide(std::string(kVideo) + " " + kRgb24 + " 1 0 76 " + kVideoInfo + " ") +
                                           Format(640, 480) + Wide("\r\nCLOCK 0 0000\r\nEND"),
       GRAPHFILE_E_CONNECT},
      {"a required clock that is no clock", connected + Wide(std::string("CLOCK 1 ") + kResizer + "\r\nEND"),
       GRAPHFILE_E_CLOCK},
      {"a required clock of a filter without one", connected + Wide("CLOCK 1 0002\r\nEND"), GRAPHFILE_E_CLOCK},
      {"the graph refuses the filter", filters + Wide(std::string("0003 \"Fake\" ") + kRefused +
                                                      " 0 \r\nCONNECTIONS\r\nCLOCK 0 0000\r\nEND"),
       GRAPHFILE_E_ADDFILTER},
      {"data for a filter without persistence", filters + Wide(std::string("0003 \"Fake\" ") + kPlain + " ") +
                                                    BinaryRun(Bytes({1, 2, 3})) +
                                                    Wide("\r\nCONNECTIONS\r\nCLOCK 0 0000\r\nEND"),
       GRAPHFILE_E_FILTERDATA},
  };
  FakeFilterBehaviour refusing, plain;
  refusing.hrJoinFilterGraph = E_UNEXPECTED;
  CFakeFilterClass refusingClass(kRefusedClass, &refusing), plainClass(kPlainClass, &plain);
  ASSERT_TRUE(refusingClass.Registered());
  ASSERT_TRUE(plainClass.Registered());
  const Topology before = TopologyOf(m_spGraph);
  ASSERT_EQ(1u, before.objects.size());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    CComPtr<IStream> spStream = StreamOn(c.bytes);
    EXPECT_EQ(c.hr, m_spPersist->Load(spStream));
    EXPECT_EQ(0u, PositionOf(spStream));
    const Topology after = TopologyOf(m_spGraph);
    EXPECT_THAT(after.filters, ElementsAreArray(before.filters));
    EXPECT_THAT(after.connections, ElementsAreArray(before.connections));
    ASSERT_EQ(1u, after.objects.size());
    EXPECT_EQ(spOwn, after.objects[0]);
  }
  // What a refusal created is released with it.
  EXPECT_EQ(0, refusing.cLive);
  EXPECT_EQ(0, plain.cLive);
  // The stream of the last case but one, mended, loads: the refusals were the cases' own.
  ASSERT_EQ(S_OK, m_spPersist->Load(StreamOn(connected + Wide("CLOCK 0 0002\r\nEND"))));
  EXPECT_EQ(3u, TopologyOf(m_spGraph).objects.size());
}

// A stream that never ends: refused at the limit, read in bounded pieces.
class CEndlessStream : public IStream {
public:
  ULONGLONG cbRead = 0;
  LONG cRef = 1;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid != IID_IUnknown && riid != IID_IStream && riid != IID_ISequentialStream) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    *ppv = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++cRef; }
  STDMETHODIMP_(ULONG) Release() override { return --cRef; }
  STDMETHODIMP Read(void* pv, ULONG cb, ULONG* pcbRead) override {
    std::memset(pv, '0', cb);
    cbRead += cb;
    *pcbRead = cb;
    return S_OK;
  }
  STDMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER*) override {
    if (origin != STREAM_SEEK_CUR || -move.QuadPart > static_cast<LONGLONG>(cbRead)) return E_INVALIDARG;
    cbRead += move.QuadPart;
    return S_OK;
  }
  STDMETHODIMP Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  STDMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  STDMETHODIMP Commit(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Revert() override { return E_NOTIMPL; }
  STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Clone(IStream**) override { return E_NOTIMPL; }
};

TEST_F(LoadTest, AStreamWithoutEndIsRefusedAtTheLimit) {
  CEndlessStream stream;
  EXPECT_EQ(GRAPHFILE_E_TOOLARGE, m_spPersist->Load(&stream));
  EXPECT_EQ(0u, stream.cbRead);  // sought back to where it began
  EXPECT_EQ(1, stream.cRef);
  EXPECT_TRUE(TopologyOf(m_spGraph).objects.empty());
}

}  // namespace
