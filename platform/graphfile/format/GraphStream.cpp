#include "GraphStream.h"

#include <cstring>
#include <set>

namespace graphfile {

const char* ParseErrorName(ParseError error) {
  switch (error) {
    case ParseError::None: return "none";
    case ParseError::Truncated: return "truncated";
    case ParseError::Version: return "version";
    case ParseError::Keyword: return "keyword";
    case ParseError::Separator: return "separator";
    case ParseError::Number: return "number";
    case ParseError::Length: return "length";
    case ParseError::Guid: return "guid";
    case ParseError::Name: return "name";
    case ParseError::FilterId: return "filter id";
  }
  return "unknown";
}

namespace {

const size_t kGuidChars = 38;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Reads UTF-16LE characters and binary runs at any byte offset; the first refusal sticks.
class Reader {
public:
  Reader(const uint8_t* pb, size_t cb) : m_pb(pb), m_cb(cb) {}

  bool Failed() const { return m_error != ParseError::None; }
  ParseResult Result() const { return {m_error, Failed() ? m_errorPos : m_pos}; }

  bool Fail(ParseError error) {
    if (!Failed()) {
      m_error = error;
      m_errorPos = m_pos;
    }
    return false;
  }

  size_t Available() const { return (m_cb - m_pos) / 2; }  // whole characters left
  bool AtEnd() const { return Available() == 0; }

  // The character at the read position; 0 at the end (never a character of the grammar).
  char16_t Peek(size_t nAhead = 0) const {
    if (Available() <= nAhead) return 0;
    const size_t i = m_pos + 2 * nAhead;
    return static_cast<char16_t>(m_pb[i] | (m_pb[i + 1] << 8));
  }

  size_t SkipBlanks() {
    size_t n = 0;
    while (!AtEnd() && IsBlank(Peek())) {
      m_pos += 2;
      ++n;
    }
    return n;
  }

  bool Blank() {
    if (Failed()) return false;
    if (SkipBlanks() > 0) return true;
    return Fail(AtEnd() ? ParseError::Truncated : ParseError::Separator);
  }

  bool LooksAt(const char* pszKeyword) const {
    for (size_t i = 0; pszKeyword[i]; ++i)
      if (Peek(i) != static_cast<char16_t>(pszKeyword[i])) return false;
    return true;
  }

  bool Keyword(const char* pszKeyword) {
    if (Failed()) return false;
    const size_t cch = std::strlen(pszKeyword);
    for (size_t i = 0; i < cch; ++i) {
      if (Available() <= i) return Fail(ParseError::Truncated);
      if (Peek(i) != static_cast<char16_t>(pszKeyword[i])) return Fail(ParseError::Keyword);
    }
    m_pos += 2 * cch;
    return true;
  }

  bool Number(uint32_t* pValue) {
    if (Failed()) return false;
    if (!IsDigit(Peek())) return Fail(AtEnd() ? ParseError::Truncated : ParseError::Number);
    uint64_t value = 0;
    while (IsDigit(Peek())) {
      value = value * 10 + (Peek() - u'0');
      if (value > UINT32_MAX) return Fail(ParseError::Number);
      m_pos += 2;
    }
    *pValue = static_cast<uint32_t>(value);
    return true;
  }

  bool Flag(bool* pValue) {
    uint32_t value = 0;
    if (!Number(&value)) return false;
    if (value > 1) return Fail(ParseError::Number);
    *pValue = value == 1;
    return true;
  }

  bool GuidToken(Guid* pGuid) {
    if (Failed()) return false;
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}: the dashes' places, then hex digits.
    uint8_t bytes[16] = {};
    size_t nDigit = 0;
    for (size_t i = 0; i < kGuidChars; ++i) {
      if (Available() <= i) return Fail(ParseError::Truncated);
      const char16_t c = Peek(i);
      const bool bBrace = i == 0 || i == kGuidChars - 1;
      const bool bDash = i == 9 || i == 14 || i == 19 || i == 24;
      if (bBrace) {
        if (c != (i == 0 ? u'{' : u'}')) return Fail(ParseError::Guid);
      } else if (bDash) {
        if (c != u'-') return Fail(ParseError::Guid);
      } else {
        const int v = HexValue(c);
        if (v < 0) return Fail(ParseError::Guid);
        bytes[nDigit / 2] = static_cast<uint8_t>(bytes[nDigit / 2] << 4 | v);
        ++nDigit;
      }
    }
    m_pos += 2 * kGuidChars;
    pGuid->data1 = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    pGuid->data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
    pGuid->data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
    std::memcpy(pGuid->data4, bytes + 8, 8);
    return true;
  }

  bool Name(std::u16string* pName) {
    if (Failed()) return false;
    if (Peek() != u'"') return Fail(AtEnd() ? ParseError::Truncated : ParseError::Name);
    m_pos += 2;
    std::u16string name;
    for (;;) {
      if (AtEnd()) return Fail(ParseError::Truncated);
      const char16_t c = Peek();
      if (c == 0) return Fail(ParseError::Name);
      m_pos += 2;
      if (c == u'"') break;
      name += c;
    }
    *pName = std::move(name);
    return true;
  }

  // A length's bytes must lie inside the stream.
  bool Within(uint32_t cb) {
    if (Failed()) return false;
    return cb <= m_cb - m_pos || Fail(ParseError::Length);
  }

  // length SP <length bytes>
  bool BinaryRun(std::vector<uint8_t>* pBytes) {
    uint32_t cb = 0;
    if (!Number(&cb)) return false;
    if (Peek() != u' ') return Fail(AtEnd() ? ParseError::Truncated : ParseError::Separator);
    m_pos += 2;
    if (!Within(cb)) return false;
    pBytes->assign(m_pb + m_pos, m_pb + m_pos + cb);
    m_pos += cb;
    return true;
  }

private:
  const uint8_t* m_pb;
  size_t m_cb;
  size_t m_pos = 0;
  ParseError m_error = ParseError::None;
  size_t m_errorPos = 0;
};

bool ReadFilter(Reader& r, FilterDesc* pFilter) {
  if (!(r.Number(&pFilter->id) && r.Blank() && r.Name(&pFilter->name) && r.Blank() &&
        r.GuidToken(&pFilter->clsid) && r.Blank()))
    return false;
  if (r.LooksAt("SOURCE") || r.LooksAt("SINK")) {
    const bool bSource = r.LooksAt("SOURCE");
    pFilter->fileKind = bSource ? FileKind::Source : FileKind::Sink;
    if (!(r.Keyword(bSource ? "SOURCE" : "SINK") && r.Blank() && r.Name(&pFilter->file) && r.Blank()))
      return false;
  }
  return r.BinaryRun(&pFilter->data);
}

bool ReadMediaType(Reader& r, MediaTypeDesc* pmt) {
  uint32_t cbFormatType = 0;
  if (!r.Number(&pmt->cbSampleSize)) return false;
  r.SkipBlanks();
  return r.GuidToken(&pmt->majorType) && r.Blank() && r.GuidToken(&pmt->subtype) && r.Blank() &&
         r.Flag(&pmt->bFixedSizeSamples) && r.Blank() && r.Flag(&pmt->bTemporalCompression) &&
         r.Blank() && r.Number(&cbFormatType) && r.Within(cbFormatType) && r.Blank() &&
         r.GuidToken(&pmt->formatType) && r.Blank() && r.BinaryRun(&pmt->format);
}

bool ReadConnection(Reader& r, ConnectionDesc* pConnection) {
  return r.Number(&pConnection->outFilter) && r.Blank() && r.Name(&pConnection->outPin) && r.Blank() &&
         r.Number(&pConnection->inFilter) && r.Blank() && r.Name(&pConnection->inPin) && r.Blank() &&
         ReadMediaType(r, &pConnection->mediaType);
}

bool ReadClock(Reader& r, ClockDesc* pClock) {
  if (!(r.Keyword("CLOCK") && r.Blank() && r.Flag(&pClock->bRequired) && r.Blank())) return false;
  pClock->bByClass = r.Peek() == u'{';
  if (!(pClock->bByClass ? r.GuidToken(&pClock->clsid) : r.Number(&pClock->filterId))) return false;
  return r.Blank();
}

bool ReadGraph(Reader& r, GraphDesc* pDesc) {
  // Looked up for every connection: a long stream of them must not cost its square.
  std::set<uint32_t> ids;
  auto HasFilter = [&ids](uint32_t id) { return ids.count(id) != 0; };
  uint32_t version = 0;
  if (!IsDigit(r.Peek())) return r.Fail(r.AtEnd() ? ParseError::Truncated : ParseError::Version);
  if (!r.Number(&version)) return false;
  if (version != 2 && version != 3) return r.Fail(ParseError::Version);
  pDesc->bHasClock = version == 3;
  if (!(r.Blank() && r.Keyword("FILTERS") && r.Blank())) return false;

  for (r.SkipBlanks(); IsDigit(r.Peek()); r.SkipBlanks()) {
    FilterDesc filter;
    if (!ReadFilter(r, &filter)) return false;
    if (!ids.insert(filter.id).second) return r.Fail(ParseError::FilterId);
    pDesc->filters.push_back(std::move(filter));
  }
  if (!(r.Keyword("CONNECTIONS") && r.Blank())) return false;
  for (r.SkipBlanks(); IsDigit(r.Peek()); r.SkipBlanks()) {
    ConnectionDesc connection;
    if (!ReadConnection(r, &connection)) return false;
    if (!HasFilter(connection.outFilter) || !HasFilter(connection.inFilter))
      return r.Fail(ParseError::FilterId);
    pDesc->connections.push_back(std::move(connection));
  }
  if (pDesc->bHasClock) {
    if (!ReadClock(r, &pDesc->clock)) return false;
    const ClockDesc& clock = pDesc->clock;
    if (!clock.bByClass && clock.filterId != 0 && !HasFilter(clock.filterId))
      return r.Fail(ParseError::FilterId);
    r.SkipBlanks();
  }
  return r.Keyword("END");
}

class Writer {
public:
  explicit Writer(std::vector<uint8_t>* pBytes) : m_pBytes(pBytes) {}

  void Char(char16_t c) {
    m_pBytes->push_back(static_cast<uint8_t>(c & 0xFF));
    m_pBytes->push_back(static_cast<uint8_t>(c >> 8));
  }
  void Text(const char* psz) {
    while (*psz) Char(static_cast<char16_t>(*psz++));
  }
  void Number(uint32_t value, int nMinDigits = 1) {
    char sz[16];
    int n = 0;
    do {
      sz[n++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0 || n < nMinDigits);
    while (n > 0) Char(static_cast<char16_t>(sz[--n]));
  }
  void Id(uint32_t id) { Number(id, 4); }
  void Name(const std::u16string& name) {
    Char(u'"');
    for (char16_t c : name) Char(c);
    Char(u'"');
  }
  void GuidToken(const Guid& g) {
    static const char kHex[] = "0123456789ABCDEF";
    uint8_t bytes[16] = {static_cast<uint8_t>(g.data1 >> 24), static_cast<uint8_t>(g.data1 >> 16),
                         static_cast<uint8_t>(g.data1 >> 8),  static_cast<uint8_t>(g.data1),
                         static_cast<uint8_t>(g.data2 >> 8),  static_cast<uint8_t>(g.data2),
                         static_cast<uint8_t>(g.data3 >> 8),  static_cast<uint8_t>(g.data3)};
    std::memcpy(bytes + 8, g.data4, 8);
    Char(u'{');
    for (int i = 0; i < 16; ++i) {
      if (i == 4 || i == 6 || i == 8 || i == 10) Char(u'-');
      Char(static_cast<char16_t>(kHex[bytes[i] >> 4]));
      Char(static_cast<char16_t>(kHex[bytes[i] & 0xF]));
    }
    Char(u'}');
  }
  void BinaryRun(const std::vector<uint8_t>& bytes) {
    Number(static_cast<uint32_t>(bytes.size()));
    Char(u' ');
    m_pBytes->insert(m_pBytes->end(), bytes.begin(), bytes.end());
  }

private:
  std::vector<uint8_t>* m_pBytes;
};

bool Writable(const std::u16string& name) {
  return name.find(u'"') == std::u16string::npos && name.find(u'\0') == std::u16string::npos;
}

bool Writable(const GraphDesc& desc) {
  for (const FilterDesc& f : desc.filters)
    if (!Writable(f.name) || !Writable(f.file)) return false;
  for (const ConnectionDesc& c : desc.connections)
    if (!Writable(c.outPin) || !Writable(c.inPin)) return false;
  return true;
}

}  // namespace

ParseResult ParseGraphStream(const uint8_t* pb, size_t cb, GraphDesc* pDesc) {
  Reader r(pb, cb);
  GraphDesc desc;
  if (ReadGraph(r, &desc)) *pDesc = std::move(desc);
  return r.Result();
}

bool WriteGraphStream(const GraphDesc& desc, std::vector<uint8_t>* pBytes) {
  if (!Writable(desc)) return false;
  std::vector<uint8_t> bytes;
  Writer w(&bytes);
  w.Text(desc.bHasClock ? "0003\r\nFILTERS\r\n" : "0002\r\nFILTERS\r\n");
  for (const FilterDesc& f : desc.filters) {
    w.Id(f.id);
    w.Char(u' ');
    w.Name(f.name);
    w.Char(u' ');
    w.GuidToken(f.clsid);
    w.Char(u' ');
    if (f.fileKind != FileKind::None) {
      w.Text(f.fileKind == FileKind::Source ? "SOURCE " : "SINK ");
      w.Name(f.file);
      w.Char(u' ');
    }
    w.BinaryRun(f.data);
    w.Text("\r\n");
  }
  w.Text("CONNECTIONS\r\n");
  for (const ConnectionDesc& c : desc.connections) {
    const MediaTypeDesc& mt = c.mediaType;
    w.Id(c.outFilter);
    w.Char(u' ');
    w.Name(c.outPin);
    w.Char(u' ');
    w.Id(c.inFilter);
    w.Char(u' ');
    w.Name(c.inPin);
    w.Char(u' ');
    w.Number(mt.cbSampleSize);
    w.Char(u' ');
    w.GuidToken(mt.majorType);
    w.Char(u' ');
    w.GuidToken(mt.subtype);
    w.Char(u' ');
    w.Number(mt.bFixedSizeSamples);
    w.Char(u' ');
    w.Number(mt.bTemporalCompression);
    w.Char(u' ');
    w.Number(static_cast<uint32_t>(kGuidChars * 2));
    w.Char(u' ');
    w.GuidToken(mt.formatType);
    w.Char(u' ');
    w.BinaryRun(mt.format);
    w.Text("\r\n");
  }
  if (desc.bHasClock) {
    w.Text("CLOCK ");
    w.Number(desc.clock.bRequired);
    w.Char(u' ');
    if (desc.clock.bByClass)
      w.GuidToken(desc.clock.clsid);
    else
      w.Id(desc.clock.filterId);
    w.Text("\r\n");
  }
  w.Text("END");
  *pBytes = std::move(bytes);
  return true;
}

}  // namespace graphfile
