// libFuzzer: any bytes are parsed without a fault; whatever parses is written again and
// reads back as the same description, and the text form is made of it.
#include <cstdlib>

#include "GraphStream.h"
#include "GraphText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pb, size_t cb) {
  graphfile::GraphDesc desc;
  const graphfile::ParseResult result = graphfile::ParseGraphStream(pb, cb, &desc);
  if (result.offset > cb) std::abort();
  if (result.error != graphfile::ParseError::None) return 0;
  graphfile::GraphText(desc);
  std::vector<uint8_t> bytes;
  if (!graphfile::WriteGraphStream(desc, &bytes)) std::abort();  // read names hold no quote
  graphfile::GraphDesc again;
  const graphfile::ParseResult second = graphfile::ParseGraphStream(bytes.data(), bytes.size(), &again);
  if (second.error != graphfile::ParseError::None || second.offset != bytes.size() || !(desc == again))
    std::abort();
  return 0;
}
