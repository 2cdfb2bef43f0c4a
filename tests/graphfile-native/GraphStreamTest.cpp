// The graph stream's reader and writer: the written form, round trips, streams written by
// hand from the grammar, and every refusal with where it was found.
#include <gtest/gtest.h>

#include "GraphStream.h"
#include "GraphText.h"
#include "StreamBytes.h"

using namespace graphfile;

namespace {

const char kVidGen[] = "{6703C031-F9D4-4084-87BA-35B0B7DF3431}";
const char kResizer[] = "{71343D82-BA5F-4053-B328-DA0E855B4A71}";
const char kVideo[] = "{73646976-0000-0010-8000-00AA00389B71}";
const char kRgb32[] = "{E436EB7E-524F-11CE-9F53-0020AF0BA770}";
const char kVideoInfo[] = "{05589F80-C356-11CE-BF01-00AA0055595A}";

Guid ParseGuid(const char* psz) {
  GraphDesc desc;
  const ByteString bytes = Wide(std::string("2 FILTERS 1 \"x\" ") + psz + " 0 CONNECTIONS END");
  EXPECT_EQ(ParseError::None, ParseGraphStream(bytes.data(), bytes.size(), &desc).error) << psz;
  return desc.filters.empty() ? Guid() : desc.filters[0].clsid;
}

// A 640 x 480 RGB32 VIDEOINFOHEADER: 48 bytes of rectangles and rates, then the bitmap header.
std::vector<uint8_t> VideoInfo(int32_t cx, int32_t cy) {
  std::vector<uint8_t> b(88, 0);
  auto put = [&b](size_t i, uint32_t v) {
    for (int n = 0; n < 4; ++n) b[i + n] = static_cast<uint8_t>(v >> (8 * n));
  };
  put(48, 40);
  put(52, static_cast<uint32_t>(cx));
  put(56, static_cast<uint32_t>(cy));
  b[60] = 1;
  b[62] = 32;
  return b;
}

// Two filters and their connection; binary runs holding CRLF, zeros, quotes and "END".
GraphDesc SampleGraph() {
  GraphDesc desc;
  FilterDesc source;
  source.id = 1;
  source.name = u"Video Generator";
  source.clsid = ParseGuid(kVidGen);
  source.data = {'\r', 0, '\n', 0, '"', 0, 'E', 0, 'N', 0, 'D', 0, 0xFF};
  FilterDesc resizer;
  resizer.id = 2;
  resizer.name = u"Resizer \u00E9";
  resizer.clsid = ParseGuid(kResizer);
  resizer.fileKind = FileKind::Sink;
  resizer.file = u"C:\\out file.avi";
  desc.filters = {source, resizer};
  ConnectionDesc c;
  c.outFilter = 1;
  c.outPin = u"Output";
  c.inFilter = 2;
  c.inPin = u"Input";
  c.mediaType.majorType = ParseGuid(kVideo);
  c.mediaType.subtype = ParseGuid(kRgb32);
  c.mediaType.bFixedSizeSamples = true;
  c.mediaType.cbSampleSize = 640 * 480 * 4;
  c.mediaType.formatType = ParseGuid(kVideoInfo);
  c.mediaType.format = VideoInfo(640, 480);
  desc.connections = {c};
  desc.clock.bRequired = true;
  desc.clock.filterId = 2;
  return desc;
}

ParseResult Parse(const ByteString& bytes, GraphDesc* pDesc) {
  return ParseGraphStream(bytes.data(), bytes.size(), pDesc);
}

TEST(GraphStreamTest, WritesTheGrammarsFormWithSingleSpacesAndCrlfs) {
  GraphDesc desc;
  FilterDesc f;
  f.id = 7;
  f.name = u"Video Generator";
  f.clsid = ParseGuid(kVidGen);
  f.fileKind = FileKind::Source;
  f.file = u"a.avi";
  f.data = {0x41, 0x00, 0x0D};
  desc.filters = {f};
  ConnectionDesc c;
  c.outFilter = 7;
  c.outPin = u"Out";
  c.inFilter = 7;
  c.inPin = u"In";
  c.mediaType.majorType = ParseGuid(kVideo);
  c.mediaType.cbSampleSize = 12;
  c.mediaType.bTemporalCompression = true;
  c.mediaType.format = {0x01};
  desc.connections = {c};
  desc.clock.bByClass = true;
  desc.clock.clsid = ParseGuid(kResizer);

  std::vector<uint8_t> bytes;
  ASSERT_TRUE(WriteGraphStream(desc, &bytes));
  const ByteString expected =
      Wide(std::string("0003\r\nFILTERS\r\n0007 \"Video Generator\" ") + kVidGen + " SOURCE \"a.avi\" 3 ") +
      Bytes({0x41, 0x00, 0x0D}) +
      Wide(std::string("\r\nCONNECTIONS\r\n0007 \"Out\" 0007 \"In\" 12 ") + kVideo +
           " {00000000-0000-0000-0000-000000000000} 0 1 76 {00000000-0000-0000-0000-000000000000} 1 ") +
      Bytes({0x01}) + Wide(std::string("\r\nCLOCK 0 ") + kResizer + "\r\nEND");
  EXPECT_EQ(expected, bytes);

  desc.bHasClock = false;
  ASSERT_TRUE(WriteGraphStream(desc, &bytes));
  EXPECT_EQ(Wide("0002\r\n"), ByteString(bytes.begin(), bytes.begin() + 12));
  EXPECT_EQ(Wide("\r\nEND"), ByteString(bytes.end() - 10, bytes.end()));
}

TEST(GraphStreamTest, WhatIsWrittenReadsBackTheSame) {
  for (bool bHasClock : {true, false}) {
    SCOPED_TRACE(bHasClock ? "version 3" : "version 2");
    GraphDesc desc = SampleGraph();
    desc.bHasClock = bHasClock;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(WriteGraphStream(desc, &bytes));
    GraphDesc read;
    const ParseResult result = Parse(bytes, &read);
    EXPECT_EQ(ParseError::None, result.error);
    EXPECT_EQ(bytes.size(), result.offset);
    EXPECT_TRUE(read == desc);
  }
}

// Tabs, lone LFs and runs of blanks; version 2 without a clock; a source file; lower-case
// GUID digits; the sample size run into the major type as the page writes it; wide ids.
TEST(GraphStreamTest, ReadsAStreamWrittenByHand) {
  const ByteString bytes =
      Wide("2\n\tFILTERS \t\n 1\t\"File\"   {E436EBB5-524F-11CE-9F53-0020AF0BA770}\tSOURCE  \"C:\\v.avi\"\n0 ") +
      Wide("\n00000000012 \"Resizer\" {71343d82-ba5f-4053-b328-da0e855b4a71} 2 ") + Bytes({'\n', 0}) +
      Wide("CONNECTIONS\n1 \"Output\"\t12 \"In put\" 0") + Wide(kVideo) + Wide("\t") + Wide(kRgb32) +
      Wide("  1\n0 76 ") + Wide(kVideoInfo) + Wide(" 88 ") + ByteString(VideoInfo(32, -24)) + Wide("END");
  GraphDesc desc;
  const ParseResult result = Parse(bytes, &desc);
  ASSERT_EQ(ParseError::None, result.error) << "at byte " << result.offset;
  EXPECT_FALSE(desc.bHasClock);
  ASSERT_EQ(2u, desc.filters.size());
  EXPECT_EQ(1u, desc.filters[0].id);
  EXPECT_EQ(u"File", desc.filters[0].name);
  EXPECT_EQ(FileKind::Source, desc.filters[0].fileKind);
  EXPECT_EQ(u"C:\\v.avi", desc.filters[0].file);
  EXPECT_TRUE(desc.filters[0].data.empty());
  EXPECT_EQ(12u, desc.filters[1].id);
  EXPECT_TRUE(desc.filters[1].clsid == ParseGuid(kResizer));
  EXPECT_EQ(ByteString({'\n', 0}), desc.filters[1].data);
  ASSERT_EQ(1u, desc.connections.size());
  const ConnectionDesc& c = desc.connections[0];
  EXPECT_EQ(u"In put", c.inPin);
  EXPECT_EQ(12u, c.inFilter);
  EXPECT_EQ(0u, c.mediaType.cbSampleSize);
  EXPECT_TRUE(c.mediaType.bFixedSizeSamples);
  EXPECT_FALSE(c.mediaType.bTemporalCompression);
  EXPECT_EQ(VideoInfo(32, -24), c.mediaType.format);
  EXPECT_NE(std::string::npos, GraphText(desc).find("32 x 24, 32 bits, top-down"));
}

TEST(GraphStreamTest, ReadingStopsAfterEnd) {
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(WriteGraphStream(SampleGraph(), &bytes));
  const size_t cbGraph = bytes.size();
  bytes = bytes + Wide("garbage") + Bytes({0xFF});
  GraphDesc desc;
  const ParseResult result = Parse(bytes, &desc);
  EXPECT_EQ(ParseError::None, result.error);
  EXPECT_EQ(cbGraph, result.offset);
}

// Each case: the stream up to where it is refused, and what follows there.
TEST(GraphStreamTest, RefusesWhatTheGrammarDoesNotAllow) {
  const ByteString head = Wide("0003\r\nFILTERS\r\n");
  const ByteString runA = Wide(std::string("0001 \"A\" ") + kVidGen + " 2 ") + Bytes({1, 2});
  const ByteString filterA = runA + Wide("\r\n");
  const ByteString filters = head + filterA + Wide(std::string("0002 \"B\" ") + kResizer + " 0 \r\n");
  const ByteString pins = filters + Wide("CONNECTIONS\r\n0001 \"Out\" 0002 \"In\" ");
  const ByteString types = pins + Wide(std::string("0 ") + kVideo + " " + kRgb32 + " ");
  const ByteString format = types + Wide(std::string("1 0 76 ") + kVideoInfo + " ");
  const ByteString connected = format + Wide("1 ") + Bytes({9}) + Wide("\r\n");
  const ByteString clock = connected + Wide("CLOCK 1 ");
  const ByteString aFilter = head + Wide("0001 \"A\" ");
  const ByteString aClass = aFilter + Wide(kVidGen) + Wide(" ");
  {
    GraphDesc desc;
    ASSERT_EQ(ParseError::None, Parse(clock + Wide("0002\r\nEND"), &desc).error);
  }
  struct Case {
    const char* label;
    ByteString before;
    ByteString at;
    ParseError error;
  } cases[] = {
      {"empty stream", {}, {}, ParseError::Truncated},
      {"odd byte only", {}, Bytes({'0'}), ParseError::Truncated},
      {"unknown version", Wide("0004"), Wide("\r\nFILTERS\r\n"), ParseError::Version},
      {"no version", {}, Wide("FILTERS\r\n"), ParseError::Version},
      {"version run into FILTERS", Wide("0003"), Wide("FILTERS"), ParseError::Separator},
      {"FILTERS misspelt", Wide("0003\r\n"), Wide("FILTRES\r\n"), ParseError::Keyword},
      {"CONNECTIONS missing", head + filterA, Wide("CLOCK 1 0001\r\nEND"), ParseError::Keyword},
      {"CLOCK missing in version 3", connected, Wide("END"), ParseError::Keyword},
      {"END cut short", clock + Wide("0002\r\n"), Wide("EN"), ParseError::Truncated},
      {"END misspelt", clock + Wide("0002\r\n"), Wide("ENX"), ParseError::Keyword},
      {"filter data past the end", aClass + Wide("9 "), Bytes({1, 2}), ParseError::Length},
      {"length of 4294967295", aClass + Wide("4294967295 "), Bytes({1}), ParseError::Length},
      {"absurd length", aClass + Wide("429496729"), Wide("6 ") + Bytes({1}), ParseError::Number},
      {"negative length", aClass, Wide("-2 ") + Bytes({1, 2}), ParseError::Number},
      {"a tab before the data", aClass + Wide("2"), Wide("\t") + Bytes({1, 2}), ParseError::Separator},
      {"truncated format block", format + Wide("88 "), Bytes({1, 2, 3}), ParseError::Length},
      {"format type length past the end", types + Wide("1 0 1000"), Wide(" ") + Wide(kVideoInfo),
       ParseError::Length},
      {"bad GUID digit", aFilter, Wide("{6703C031-F9D4-4084-87BA-35B0B7DF343G} 0 \r\n"), ParseError::Guid},
      {"GUID without braces", aFilter, Wide("6703C031-F9D4-4084-87BA-35B0B7DF3431 0 \r\n"), ParseError::Guid},
      {"GUID cut short", aFilter, Wide("{6703C031-F9D4"), ParseError::Truncated},
      {"name without quotes", head + Wide("0001 "), Wide(std::string("A ") + kVidGen + " 0 \r\n"),
       ParseError::Name},
      {"name never closed", head + Wide("0001 \"A"), {}, ParseError::Truncated},
      {"NUL in a name", head + Wide("0001 \"A"), Bytes({0, 0}) + Wide("\""), ParseError::Name},
      {"blank missing after an id", head + Wide("0001"), Wide("\"A\""), ParseError::Separator},
      {"flag of 2", types + Wide("2"), Wide(" 0 76 "), ParseError::Number},
      {"an id given twice", head + filterA + runA, Wide("\r\nCONNECTIONS\r\n"), ParseError::FilterId},
      {"a connection to an unknown filter", filters + Wide("CONNECTIONS\r\n0001 \"Out\" 0003 \"In\" ") +
                                                Wide(std::string("0 ") + kVideo + " " + kRgb32 + " 1 0 76 ") +
                                                Wide(kVideoInfo) + Wide(" 1 ") + Bytes({9}),
       Wide("\r\nCLOCK 1 0002\r\nEND"), ParseError::FilterId},
      {"a clock naming an unknown filter", clock + Wide("0009\r\n"), Wide("END"), ParseError::FilterId},
      {"clock flag missing", connected + Wide("CLOCK 0002"), Wide("\r\nEND"), ParseError::Number},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    GraphDesc desc;
    desc.filters.resize(1);  // a sentinel: a refusal leaves the output alone
    const ParseResult result = Parse(c.before + c.at, &desc);
    EXPECT_EQ(c.error, result.error) << ParseErrorName(result.error);
    EXPECT_EQ(c.before.size(), result.offset);
    EXPECT_EQ(1u, desc.filters.size());
  }
}

TEST(GraphStreamTest, ANameWithAQuoteIsNotWritten) {
  for (int n = 0; n < 3; ++n) {
    GraphDesc desc = SampleGraph();
    if (n == 0) desc.filters[0].name = u"say \"cheese\"";
    if (n == 1) desc.filters[1].file = std::u16string(u"a\0b", 3);
    if (n == 2) desc.connections[0].inPin = u"\"";
    std::vector<uint8_t> bytes = {42};
    EXPECT_FALSE(WriteGraphStream(desc, &bytes)) << n;
    EXPECT_EQ(ByteString({42}), bytes);
  }
}

TEST(GraphStreamTest, TextListsFiltersConnectionsAndClock) {
  const std::string text = GraphText(SampleGraph(), [](const Guid& g) {
    return g == ParseGuid(kResizer) ? std::string("Resizer class") : std::string();
  });
  for (const char* psz : {"version 3", "filters: 2", "0001 \"Video Generator\"", "data: 13 bytes",
                          "0002 \"Resizer \xC3\xA9\"", "{71343D82-BA5F-4053-B328-DA0E855B4A71} Resizer class",
                          "sink \"C:\\out file.avi\"", "0001 \"Output\" -> 0002 \"Input\"", "major {73646976",
                          "Video", "subtype {E436EB7E-524F-11CE-9F53-0020AF0BA770} RGB32",
                          "VIDEOINFOHEADER, 88 bytes: 640 x 480, 32 bits", "sample size 1228800",
                          "clock (required): filter 0002"})
    EXPECT_NE(std::string::npos, text.find(psz)) << psz << "\n" << text;
}

}  // namespace
