// A graph file's description as text for testers: its filters with their classes, files
// and data sizes, its connections with their media types, its clock.
//
//   GuidText        {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
//   Utf8            UTF-16 to UTF-8 (unpaired surrogates become U+FFFD)
//   GraphText       the whole description, one item a line, UTF-8
#pragma once

#include <functional>
#include <string>

#include "GraphDescription.h"

namespace graphfile {

std::string GuidText(const Guid& guid);
std::string Utf8(const std::u16string& text);

// fnClassName names a filter class (empty when unknown); media and format types known to
// DirectShow are named from a table of their own.
std::string GraphText(const GraphDesc& desc,
                      const std::function<std::string(const Guid&)>& fnClassName = nullptr);

}  // namespace graphfile
