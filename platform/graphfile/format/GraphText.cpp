#include "GraphText.h"

#include <cstdio>
#include <cstring>

namespace graphfile {

namespace {

// The base of the media subtypes that carry a FOURCC in their first field.
const uint8_t kFourccTail[8] = {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// The tail of the early DirectShow types ({E436EBxx-524F-11CE-9F53-0020AF0BA770}).
const uint8_t kEarlyTail[8] = {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70};

struct KnownGuid {
  uint32_t data1;
  uint16_t data2, data3;
  const uint8_t* pTail;
  const char* pszName;
};

const uint8_t kVideoInfoTail[8] = {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A};
const uint8_t kVideoInfo2Tail[8] = {0xAC, 0xE4, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA};
const uint8_t kFormatNoneTail[8] = {0xA4, 0x3F, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96};

const KnownGuid kVideoInfo = {0x05589F80, 0xC356, 0x11CE, kVideoInfoTail, "VIDEOINFOHEADER"};
const KnownGuid kVideoInfo2 = {0xF72A76A0, 0xEB0A, 0x11D0, kVideoInfo2Tail, "VIDEOINFOHEADER2"};

const KnownGuid kKnown[] = {
    kVideoInfo,
    kVideoInfo2,
    {0xE436EB83, 0x524F, 0x11CE, kEarlyTail, "Stream"},
    {0xE436EB7E, 0x524F, 0x11CE, kEarlyTail, "RGB32"},
    {0xE436EB7D, 0x524F, 0x11CE, kEarlyTail, "RGB24"},
    {0xE436EB7C, 0x524F, 0x11CE, kEarlyTail, "RGB555"},
    {0xE436EB7B, 0x524F, 0x11CE, kEarlyTail, "RGB565"},
    {0xE436EB88, 0x524F, 0x11CE, kEarlyTail, "Avi"},
    {0x0F6417D6, 0xC318, 0x11D0, kFormatNoneTail, "none"},
    {0x73646976, 0x0000, 0x0010, kFourccTail, "Video"},
    {0x73647561, 0x0000, 0x0010, kFourccTail, "Audio"},
};

bool Matches(const Guid& g, const KnownGuid& k) {
  return g.data1 == k.data1 && g.data2 == k.data2 && g.data3 == k.data3 &&
         std::memcmp(g.data4, k.pTail, 8) == 0;
}

std::string TypeName(const Guid& g) {
  if (g == Guid()) return "null";
  for (const KnownGuid& k : kKnown)
    if (Matches(g, k)) return k.pszName;
  if (g.data2 == 0 && g.data3 == 0x0010 && std::memcmp(g.data4, kFourccTail, 8) == 0) {
    std::string fourcc = "FOURCC '";
    for (int i = 0; i < 4; ++i) {
      const char c = static_cast<char>(g.data1 >> (8 * i));
      fourcc += c >= 0x20 && c < 0x7F ? c : '?';
    }
    return fourcc + "'";
  }
  return std::string();
}

uint32_t U32(const std::vector<uint8_t>& b, size_t i) {
  return uint32_t(b[i]) | uint32_t(b[i + 1]) << 8 | uint32_t(b[i + 2]) << 16 | uint32_t(b[i + 3]) << 24;
}

// The picture a video format block describes: its BITMAPINFOHEADER's size and depth.
std::string VideoSummary(const MediaTypeDesc& mt) {
  const Guid& f = mt.formatType;
  size_t header = 0;
  if (Matches(f, kVideoInfo))
    header = 48;  // rectangles, rates, time per frame
  else if (Matches(f, kVideoInfo2))
    header = 72;  // the same and six DWORDs of its own
  else
    return std::string();
  if (mt.format.size() < header + 16) return std::string();
  const int32_t cx = static_cast<int32_t>(U32(mt.format, header + 4));
  const int32_t cy = static_cast<int32_t>(U32(mt.format, header + 8));
  const unsigned bits = mt.format[header + 14] | mt.format[header + 15] << 8;
  char sz[96];
  std::snprintf(sz, sizeof sz, ": %d x %d, %u bits%s", cx, cy < 0 ? -cy : cy, bits,
                cy < 0 ? ", top-down" : "");
  return sz;
}

std::string Named(const Guid& g, const std::string& name) {
  return name.empty() ? GuidText(g) : GuidText(g) + " " + name;
}

std::string Line(const char* pszFormat, unsigned value) {
  char sz[64];
  std::snprintf(sz, sizeof sz, pszFormat, value);
  return sz;
}

}  // namespace

std::string GuidText(const Guid& g) {
  char sz[40];
  std::snprintf(sz, sizeof sz, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.data1, g.data2,
                g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5],
                g.data4[6], g.data4[7]);
  return sz;
}

std::string Utf8(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    else if (c >= 0xD800 && c <= 0xDFFF)
      c = 0xFFFD;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string GraphText(const GraphDesc& desc, const std::function<std::string(const Guid&)>& fnClassName) {
  std::string text = desc.bHasClock ? "version 3\n" : "version 2 (no clock)\n";
  text += Line("filters: %u\n", static_cast<unsigned>(desc.filters.size()));
  for (const FilterDesc& f : desc.filters) {
    text += Line("  %04u", f.id) + " \"" + Utf8(f.name) + "\"\n";
    text += "    class " + Named(f.clsid, fnClassName ? fnClassName(f.clsid) : std::string()) + "\n";
    if (f.fileKind != FileKind::None)
      text += std::string(f.fileKind == FileKind::Source ? "    source \"" : "    sink \"") + Utf8(f.file) + "\"\n";
    text += Line("    data: %u bytes\n", static_cast<unsigned>(f.data.size()));
  }
  text += Line("connections: %u\n", static_cast<unsigned>(desc.connections.size()));
  for (const ConnectionDesc& c : desc.connections) {
    const MediaTypeDesc& mt = c.mediaType;
    text += Line("  %04u", c.outFilter) + " \"" + Utf8(c.outPin) + "\" -> " + Line("%04u", c.inFilter) + " \"" +
            Utf8(c.inPin) + "\"\n";
    text += "    major " + Named(mt.majorType, TypeName(mt.majorType)) + "\n";
    text += "    subtype " + Named(mt.subtype, TypeName(mt.subtype)) + "\n";
    text += Line("    fixed size %u", mt.bFixedSizeSamples) + Line(", temporal compression %u", mt.bTemporalCompression) +
            Line(", sample size %u\n", mt.cbSampleSize);
    text += "    format " + Named(mt.formatType, TypeName(mt.formatType)) +
            Line(", %u bytes", static_cast<unsigned>(mt.format.size())) + VideoSummary(mt) + "\n";
  }
  if (!desc.bHasClock) return text;
  const ClockDesc& clock = desc.clock;
  text += clock.bRequired ? "clock (required): " : "clock (preferred): ";
  if (clock.bByClass)
    text += "class " + Named(clock.clsid, fnClassName ? fnClassName(clock.clsid) : std::string()) + "\n";
  else if (clock.filterId == 0)
    text += clock.bRequired ? "none, the graph runs without one\n" : "the graph's default\n";
  else
    text += Line("filter %04u\n", clock.filterId);
  return text;
}

}  // namespace graphfile
