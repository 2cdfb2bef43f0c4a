// A pin and its filter as the viewer last read them, for the media-type page: the page then
// reads a copy in this process and the viewer holds nothing of the graph's process while it
// is open.
//
//   CreatePinSnapshot   an IPin answering QueryPinInfo, QueryDirection, QueryId,
//                       ConnectionMediaType and EnumMediaTypes from the copy; its filter
//                       answers QueryFilterInfo; everything else is refused
#pragma once

#include <dshow.h>

#include "GraphModel.h"

HRESULT CreatePinSnapshot(const FilterModel& filter, const PinModel& pin, IPin** ppPin);
