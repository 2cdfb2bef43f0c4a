#include "GraphPersist.h"

#include "GraphDescCom.h"
#include "GraphFileErrors.h"
#include "GraphStream.h"

// In bounded pieces: a stream that claims to go on for ever is refused at the limit, never
// allocated for.
HRESULT ReadRest(IStream* pStream, std::vector<uint8_t>* pBytes) {
  const ULONG kPiece = 64 * 1024;
  for (;;) {
    if (pBytes->size() > kMaxGraphStreamBytes) return GRAPHFILE_E_TOOLARGE;
    const size_t cbHave = pBytes->size();
    pBytes->resize(cbHave + kPiece);
    ULONG cbRead = 0;
    const HRESULT hr = pStream->Read(pBytes->data() + cbHave, kPiece, &cbRead);
    pBytes->resize(cbHave + (cbRead <= kPiece ? cbRead : 0));
    if (FAILED(hr)) return hr;
    if (cbRead == 0) return S_OK;
  }
}

namespace {

HRESULT SeekBack(IStream* pStream, size_t cb) {
  LARGE_INTEGER move;
  move.QuadPart = -static_cast<LONGLONG>(cb);
  return cb == 0 ? S_OK : pStream->Seek(move, STREAM_SEEK_CUR, nullptr);
}

}  // namespace

HRESULT LoadGraphStream(IFilterGraph* pGraph, IStream* pStream) {
  if (!pGraph || !pStream) return E_POINTER;
  std::vector<uint8_t> bytes;
  HRESULT hr = ReadRest(pStream, &bytes);
  if (FAILED(hr)) {
    SeekBack(pStream, bytes.size());
    return hr;
  }
  graphfile::GraphDesc desc;
  const graphfile::ParseResult result = graphfile::ParseGraphStream(bytes.data(), bytes.size(), &desc);
  hr = GraphFileParseCode(result.error);
  if (SUCCEEDED(hr)) hr = ApplyGraphDesc(pGraph, desc);
  // Only the graph's own bytes are taken from the stream; a refusal takes none.
  SeekBack(pStream, SUCCEEDED(hr) ? bytes.size() - result.offset : bytes.size());
  return hr;
}

HRESULT GraphStreamBytes(IFilterGraph* pGraph, std::vector<uint8_t>* pBytes) {
  if (!pGraph || !pBytes) return E_POINTER;
  graphfile::GraphDesc desc;
  const HRESULT hr = ReadGraphDesc(pGraph, &desc);
  if (FAILED(hr)) return hr;
  return graphfile::WriteGraphStream(desc, pBytes) ? S_OK : GRAPHFILE_E_UNWRITABLE;
}

HRESULT WriteAll(IStream* pStream, const std::vector<uint8_t>& bytes) {
  if (!pStream) return E_POINTER;
  ULONG cbWritten = 0;
  const HRESULT hr = pStream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &cbWritten);
  if (FAILED(hr)) return hr;
  return cbWritten == bytes.size() ? S_OK : STG_E_MEDIUMFULL;
}
