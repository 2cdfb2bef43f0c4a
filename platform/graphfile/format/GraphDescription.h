// A filter graph as a graph file describes it, in plain C++ (no Windows types), so that the
// stream's reader and writer build and are tested anywhere.
//
//   Guid             a class, media or format identifier, laid out as Windows' GUID
//   MediaTypeDesc    a connection's media type with its format block
//   FilterDesc       one filter: id, name, class, source or sink file, persisted data
//   ConnectionDesc   output pin to input pin, by filter id and pin id
//   ClockDesc        the graph's reference clock: none, one of the filters, or a class
//   GraphDesc        all of it; version 3 carries a clock, version 2 none
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace graphfile {

struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  uint8_t data4[8] = {};
};

bool operator==(const Guid& a, const Guid& b);
inline bool operator!=(const Guid& a, const Guid& b) { return !(a == b); }

struct MediaTypeDesc {
  Guid majorType;
  Guid subtype;
  bool bFixedSizeSamples = false;
  bool bTemporalCompression = false;
  uint32_t cbSampleSize = 0;
  Guid formatType;
  std::vector<uint8_t> format;
};

enum class FileKind { None, Source, Sink };

struct FilterDesc {
  uint32_t id = 0;
  std::u16string name;
  Guid clsid;
  FileKind fileKind = FileKind::None;
  std::u16string file;
  std::vector<uint8_t> data;  // what the filter's own persistence wrote
};

struct ConnectionDesc {
  uint32_t outFilter = 0;
  std::u16string outPin;  // the pin's id (IPin::QueryId), found again with FindPin
  uint32_t inFilter = 0;
  std::u16string inPin;
  MediaTypeDesc mediaType;
};

// "CLOCK required id": id 0 names no filter. Not required: a preference the graph may
// replace with its default clock; required: exactly this clock, or none at all for id 0.
struct ClockDesc {
  bool bRequired = false;
  bool bByClass = false;
  uint32_t filterId = 0;
  Guid clsid;
};

struct GraphDesc {
  std::vector<FilterDesc> filters;
  std::vector<ConnectionDesc> connections;
  bool bHasClock = true;  // false: written as version 2
  ClockDesc clock;
};

// Field by field; a clock is compared only where the graph carries one, and only by the
// form it takes (an id or a class).
bool operator==(const MediaTypeDesc& a, const MediaTypeDesc& b);
bool operator==(const FilterDesc& a, const FilterDesc& b);
bool operator==(const ConnectionDesc& a, const ConnectionDesc& b);
bool operator==(const ClockDesc& a, const ClockDesc& b);
bool operator==(const GraphDesc& a, const GraphDesc& b);

}  // namespace graphfile
