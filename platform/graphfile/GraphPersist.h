// A graph's "ActiveMovieGraph" stream read from and written to an IStream.
//
//   LoadGraphStream   reads from the stream's position to END and applies it to the graph
//   GraphStreamBytes  the bytes that describe the graph as it is now
//   WriteAll          writes bytes at the stream's position, all or a failure
//   ReadRest          reads from the stream's position to its end, up to kMaxGraphStreamBytes
#pragma once

#include <dshow.h>

#include <cstdint>
#include <vector>

// The stream is left just after END on success and where it was on a refusal.
HRESULT LoadGraphStream(IFilterGraph* pGraph, IStream* pStream);
HRESULT GraphStreamBytes(IFilterGraph* pGraph, std::vector<uint8_t>* pBytes);
HRESULT WriteAll(IStream* pStream, const std::vector<uint8_t>& bytes);
// GRAPHFILE_E_TOOLARGE past the limit; on a failure *pBytes holds what was read.
HRESULT ReadRest(IStream* pStream, std::vector<uint8_t>* pBytes);
