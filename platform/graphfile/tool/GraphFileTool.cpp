// GraphFileTool: writes the bench's sample graph files and shows what a graph file holds.
//
//   GraphFileTool write vidgen FILE.GRF [--size WxH] [--duration MS] [RESIZER OPTIONS]
//   GraphFileTool write file FILE.GRF --source VIDEO [RESIZER OPTIONS]
//   GraphFileTool avi FILE.AVI [--size WxH] [--frames N]
//   GraphFileTool print FILE.GRF
//   RESIZER OPTIONS: --algorithm 1..8  --output WxH  --clip L,T,R,B
//
// A graph is written by the graph manager's own IPersistStream (under Wine the stand-in's),
// into the "ActiveMovieGraph" stream of a new compound file.
#include <atlcomcli.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "GraphFileErrors.h"
#include "GraphPersist.h"
#include "GraphText.h"
#include "SampleGraphs.h"

using ATL::CComPtr;
using ATL::CComQIPtr;

namespace {

const wchar_t kUsage[] =
    L"usage: GraphFileTool write vidgen FILE.GRF [--size WxH] [--duration MS] [resizer options]\n"
    L"       GraphFileTool write file FILE.GRF --source VIDEO [resizer options]\n"
    L"       GraphFileTool avi FILE.AVI [--size WxH] [--frames N]\n"
    L"       GraphFileTool print FILE.GRF\n"
    L"resizer options: --algorithm 1..8  --output WxH  --clip L,T,R,B\n";

struct Options {
  VideoGeneratorSettings vidgen = kVidGenDefaults;
  ResizerOptions resizer;
  std::wstring source;
  LONG cFrames = 50;
  bool bSizeGiven = false;
};

int Usage() {
  std::fputws(kUsage, stderr);
  return 1;
}

int Fail(const char* pszWhat, HRESULT hr) {
  std::fprintf(stderr, "GraphFileTool: %s failed: 0x%08lX\n", pszWhat, static_cast<unsigned long>(hr));
  return 2;
}

bool ParseLong(LPCWSTR psz, LONG* pValue) {
  wchar_t* pEnd = nullptr;
  const long value = std::wcstol(psz, &pEnd, 10);
  if (pEnd == psz || *pEnd != 0) return false;
  *pValue = value;
  return true;
}

bool ParseOptions(int argc, wchar_t** argv, Options* pOptions) {
  for (int i = 0; i < argc; i += 2) {
    if (i + 1 >= argc) return false;
    const std::wstring name = argv[i];
    LPCWSTR pszValue = argv[i + 1];
    SIZE size = {};
    bool bOk = true;
    if (name == L"--size") {
      bOk = ParseSize(pszValue, &size);
      pOptions->vidgen.lWidth = size.cx;
      pOptions->vidgen.lHeight = size.cy;
      pOptions->bSizeGiven = true;
    } else if (name == L"--duration") {
      bOk = ParseLong(pszValue, &pOptions->vidgen.lDurationMs);
    } else if (name == L"--frames") {
      bOk = ParseLong(pszValue, &pOptions->cFrames);
    } else if (name == L"--algorithm") {
      bOk = ParseLong(pszValue, &pOptions->resizer.lAlgorithm);
    } else if (name == L"--output") {
      bOk = ParseSize(pszValue, &pOptions->resizer.outputSize);
    } else if (name == L"--clip") {
      bOk = ParseRect(pszValue, &pOptions->resizer.clip);
    } else if (name == L"--source") {
      pOptions->source = pszValue;
    } else {
      bOk = false;
    }
    if (!bOk) return false;
  }
  return true;
}

int WriteGraph(LPCWSTR pszKind, LPCWSTR pszFile, const Options& options) {
  const bool bVidGen = std::wcscmp(pszKind, L"vidgen") == 0;
  if (!bVidGen && (std::wcscmp(pszKind, L"file") != 0 || options.source.empty())) return Usage();
  CComPtr<IGraphBuilder> spGraph;
  HRESULT hr = spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER);
  if (FAILED(hr)) return Fail("creating the graph manager", hr);
  CComQIPtr<IPersistStream> spPersist(spGraph);
  if (!spPersist) return Fail("asking the graph manager for IPersistStream (is GraphFile.dll registered?)", E_NOINTERFACE);
  hr = bVidGen ? BuildVidGenGraph(spGraph, options.vidgen, options.resizer)
               : BuildFileGraph(spGraph, options.source.c_str(), options.resizer);
  if (FAILED(hr)) return Fail("building the graph", hr);

  CComPtr<IStorage> spStorage;
  hr = ::StgCreateDocfile(pszFile, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &spStorage);
  if (FAILED(hr)) return Fail("creating the graph file", hr);
  CComPtr<IStream> spStream;
  hr = spStorage->CreateStream(L"ActiveMovieGraph", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &spStream);
  if (FAILED(hr)) return Fail("creating the graph stream", hr);
  hr = spPersist->Save(spStream, TRUE);
  if (FAILED(hr)) return Fail("saving the graph", hr);
  hr = spStorage->Commit(STGC_DEFAULT);
  if (FAILED(hr)) return Fail("committing the graph file", hr);
  return 0;
}

// A class's name as the registry gives it.
std::string ClassName(const graphfile::Guid& guid) {
  const std::string text = graphfile::GuidText(guid);
  const std::wstring key = L"CLSID\\" + std::wstring(text.begin(), text.end());
  wchar_t szName[256] = {};
  LONG cb = sizeof szName;
  if (::RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), szName, &cb) != ERROR_SUCCESS) return std::string();
  szName[255] = 0;
  return "(" + graphfile::Utf8(reinterpret_cast<const char16_t*>(szName)) + ")";
}

int PrintGraph(LPCWSTR pszFile) {
  CComPtr<IStorage> spStorage;
  HRESULT hr = ::StgOpenStorage(pszFile, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &spStorage);
  if (FAILED(hr)) return Fail("opening the graph file", hr);
  CComPtr<IStream> spStream;
  hr = spStorage->OpenStream(L"ActiveMovieGraph", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &spStream);
  if (FAILED(hr)) return Fail("opening the ActiveMovieGraph stream", hr);
  std::vector<uint8_t> bytes;
  hr = ReadRest(spStream, &bytes);
  if (FAILED(hr)) return Fail("reading the stream", hr);
  graphfile::GraphDesc desc;
  const graphfile::ParseResult result = graphfile::ParseGraphStream(bytes.data(), bytes.size(), &desc);
  if (result.error != graphfile::ParseError::None) {
    std::fprintf(stderr, "GraphFileTool: the stream is refused at byte %zu (%s): 0x%08lX\n", result.offset,
                 graphfile::ParseErrorName(result.error),
                 static_cast<unsigned long>(GraphFileParseCode(result.error)));
    return 2;
  }
  const std::string text = graphfile::GraphText(desc, ClassName);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

int Run(int argc, wchar_t** argv) {
  if (argc < 3) return Usage();
  const std::wstring command = argv[1];
  if (command == L"print" && argc == 3) return PrintGraph(argv[2]);
  Options options;
  if (command == L"write" && argc >= 4) {
    if (!ParseOptions(argc - 4, argv + 4, &options)) return Usage();
    return WriteGraph(argv[2], argv[3], options);
  }
  if (command == L"avi") {
    if (!ParseOptions(argc - 3, argv + 3, &options)) return Usage();
    const LONG cx = options.bSizeGiven ? options.vidgen.lWidth : 320, cy = options.bSizeGiven ? options.vidgen.lHeight : 240;
    const HRESULT hr = WriteTestAvi(argv[2], cx, cy, options.cFrames);
    return FAILED(hr) ? Fail("writing the video file", hr) : 0;
  }
  return Usage();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) return Fail("CoInitializeEx", hr);
  const int rc = Run(argc, argv);
  ::CoUninitialize();
  return rc;
}
