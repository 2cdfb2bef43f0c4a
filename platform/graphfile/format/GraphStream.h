// The "ActiveMovieGraph" stream of a graph file: UTF-16LE text with binary runs inside,
// read into a GraphDesc and written from one.
//
//   ParseError        why a stream was refused
//   ParseGraphStream  bytes -> description; every read bounded by the bytes given
//   WriteGraphStream  description -> bytes
//
// Written form (what a reader following the published grammar accepts):
//   0003 CRLF  FILTERS CRLF
//   { id "name" {class} [SOURCE "file" | SINK "file"] length SP <data> CRLF }
//   CONNECTIONS CRLF
//   { id "pin" id "pin" samplesize {major} {subtype} fixed temporal 76 SP {format type}
//     length SP <format block> CRLF }
//   CLOCK required (id | {class}) CRLF  END
// with single spaces between tokens, ids as four digits at least (0001), flags as 0 or 1.
// The length in front of the format type counts the bytes of that GUID's text (38
// characters, 76 bytes); the reader needs it only to lie inside the stream, since a
// GUID has a fixed form.
//
// Read tolerantly: any run of spaces, tabs, CR and LF wherever the grammar puts a blank,
// and none needed after a binary run (its length ends it) or before the media type's
// major type (the page runs the sample size into it); numbers of any width up to
// 4294967295; the version as 2 or 3 with any leading zeros; GUID digits in either case.
// Strict where it matters: exactly one space before each binary run, every length within
// the stream, names quoted and free of NUL, ids unique, every id that a connection or the
// clock names among the filters. Reading stops after END: what follows is not the graph's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "GraphDescription.h"

namespace graphfile {

enum class ParseError {
  None,
  Truncated,  // the stream ends before END
  Version,    // neither 0002 nor 0003
  Keyword,    // FILTERS, CONNECTIONS, CLOCK or END missing where the grammar needs it
  Separator,  // no blank between two tokens, or not exactly one space before a binary run
  Number,     // no digits, a sign, more than 4294967295, or a flag other than 0 and 1
  Length,     // a binary run's length beyond the end of the stream
  Guid,       // not {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  Name,       // a name without its opening quote, or holding NUL
  FilterId,   // an id given twice, or a connection or the clock naming an id not listed
};

const char* ParseErrorName(ParseError error);

struct ParseResult {
  ParseError error = ParseError::None;
  size_t offset = 0;  // bytes: where the refusal was found, or just after END
};

// *pDesc is written only on success.
ParseResult ParseGraphStream(const uint8_t* pb, size_t cb, GraphDesc* pDesc);

// False when the description cannot be written: a name or file holding '"' or NUL.
bool WriteGraphStream(const GraphDesc& desc, std::vector<uint8_t>* pBytes);

}  // namespace graphfile
