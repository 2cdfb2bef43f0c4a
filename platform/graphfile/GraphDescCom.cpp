#include "GraphDescCom.h"

#include <cstring>

graphfile::Guid ToGuid(REFGUID guid) {
  graphfile::Guid g;
  g.data1 = guid.Data1;
  g.data2 = guid.Data2;
  g.data3 = guid.Data3;
  std::memcpy(g.data4, guid.Data4, 8);
  return g;
}

GUID ToGUID(const graphfile::Guid& g) {
  GUID guid;
  guid.Data1 = g.data1;
  guid.Data2 = g.data2;
  guid.Data3 = g.data3;
  std::memcpy(guid.Data4, g.data4, 8);
  return guid;
}

graphfile::MediaTypeDesc ToMediaTypeDesc(const AM_MEDIA_TYPE& mt) {
  graphfile::MediaTypeDesc desc;
  desc.majorType = ToGuid(mt.majortype);
  desc.subtype = ToGuid(mt.subtype);
  desc.bFixedSizeSamples = mt.bFixedSizeSamples != FALSE;
  desc.bTemporalCompression = mt.bTemporalCompression != FALSE;
  desc.cbSampleSize = mt.lSampleSize;
  desc.formatType = ToGuid(mt.formattype);
  if (mt.pbFormat && mt.cbFormat > 0) desc.format.assign(mt.pbFormat, mt.pbFormat + mt.cbFormat);
  return desc;
}

AM_MEDIA_TYPE MediaTypeView(const graphfile::MediaTypeDesc& desc) {
  AM_MEDIA_TYPE mt = {};
  mt.majortype = ToGUID(desc.majorType);
  mt.subtype = ToGUID(desc.subtype);
  mt.bFixedSizeSamples = desc.bFixedSizeSamples;
  mt.bTemporalCompression = desc.bTemporalCompression;
  mt.lSampleSize = desc.cbSampleSize;
  mt.formattype = ToGUID(desc.formatType);
  mt.cbFormat = static_cast<ULONG>(desc.format.size());
  mt.pbFormat = desc.format.empty() ? nullptr : const_cast<BYTE*>(desc.format.data());
  return mt;
}
