// Between a filter graph and its description.
//
//   ToGuid / ToGUID        the two layouts of one identifier
//   ToMediaTypeDesc        a connection's media type, format block copied
//   MediaTypeView          an AM_MEDIA_TYPE over a description's media type (borrowing its format)
//   ApplyGraphDesc         adds a description's filters and connections to a graph, all or nothing
//   ReadGraphDesc          describes a graph's filters, connections and clock, for Save
#pragma once

#include <dshow.h>

#include "GraphDescription.h"

graphfile::Guid ToGuid(REFGUID guid);
GUID ToGUID(const graphfile::Guid& guid);
graphfile::MediaTypeDesc ToMediaTypeDesc(const AM_MEDIA_TYPE& mt);
AM_MEDIA_TYPE MediaTypeView(const graphfile::MediaTypeDesc& desc);

// For each filter: created by class, its data loaded through IPersistStream (or
// IPersistStreamInit), added under its name, its source or sink file given; then each
// connection made directly with its media type; then the clock. S_OK, or a code of
// GraphFileErrors.h with the graph as it was before the call.
HRESULT ApplyGraphDesc(IFilterGraph* pGraph, const graphfile::GraphDesc& desc);

// Filters in the order they were added (ids from 1), connections upstream first, so that
// applying the description connects each filter's inputs before its outputs.
HRESULT ReadGraphDesc(IFilterGraph* pGraph, graphfile::GraphDesc* pDesc);
