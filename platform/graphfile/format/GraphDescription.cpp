#include "GraphDescription.h"

#include <cstring>

namespace graphfile {

bool operator==(const Guid& a, const Guid& b) {
  return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 &&
         std::memcmp(a.data4, b.data4, sizeof a.data4) == 0;
}

bool operator==(const MediaTypeDesc& a, const MediaTypeDesc& b) {
  return a.majorType == b.majorType && a.subtype == b.subtype && a.bFixedSizeSamples == b.bFixedSizeSamples &&
         a.bTemporalCompression == b.bTemporalCompression && a.cbSampleSize == b.cbSampleSize &&
         a.formatType == b.formatType && a.format == b.format;
}

bool operator==(const FilterDesc& a, const FilterDesc& b) {
  return a.id == b.id && a.name == b.name && a.clsid == b.clsid && a.fileKind == b.fileKind && a.file == b.file &&
         a.data == b.data;
}

bool operator==(const ConnectionDesc& a, const ConnectionDesc& b) {
  return a.outFilter == b.outFilter && a.outPin == b.outPin && a.inFilter == b.inFilter && a.inPin == b.inPin &&
         a.mediaType == b.mediaType;
}

bool operator==(const ClockDesc& a, const ClockDesc& b) {
  return a.bRequired == b.bRequired && a.bByClass == b.bByClass &&
         (a.bByClass ? a.clsid == b.clsid : a.filterId == b.filterId);
}

bool operator==(const GraphDesc& a, const GraphDesc& b) {
  return a.filters == b.filters && a.connections == b.connections && a.bHasClock == b.bHasClock &&
         (!a.bHasClock || a.clock == b.clock);
}

}  // namespace graphfile
