// What Load of a graph stream answers when it refuses one. Every refusal leaves the graph
// as it was before the call: the filters that Load added are removed again, and the clock
// is set only once everything else has succeeded.
//
// | Code                     | Value      | Refused because                                        |
// |--------------------------|------------|--------------------------------------------------------|
// | GRAPHFILE_E_TRUNCATED    | 0x8004A101 | the stream ends before END (also inside a token)       |
// | GRAPHFILE_E_VERSION      | 0x8004A102 | the version is neither 0002 nor 0003                   |
// | GRAPHFILE_E_KEYWORD      | 0x8004A103 | FILTERS, CONNECTIONS, CLOCK or END missing             |
// | GRAPHFILE_E_SEPARATOR    | 0x8004A104 | no blank between tokens, or no single space before data|
// | GRAPHFILE_E_NUMBER       | 0x8004A105 | not a number, negative, above 4294967295, a flag not 0/1|
// | GRAPHFILE_E_LENGTH       | 0x8004A106 | a length past the end of the stream (a cut binary run) |
// | GRAPHFILE_E_GUID         | 0x8004A107 | a malformed {GUID}                                     |
// | GRAPHFILE_E_NAME         | 0x8004A108 | a name without its quote, or holding NUL               |
// | GRAPHFILE_E_FILTERID     | 0x8004A109 | an id given twice, or naming no filter of the stream   |
// | GRAPHFILE_E_TOOLARGE     | 0x8004A10A | more than kMaxGraphStreamBytes before the stream's end |
// | GRAPHFILE_E_CLASS        | 0x8004A110 | a filter class that cannot be created                  |
// | GRAPHFILE_E_FILTERDATA   | 0x8004A111 | the filter refuses its data, or has no persistence     |
// | GRAPHFILE_E_FILE         | 0x8004A112 | the filter refuses its source or sink file, or has none|
// | GRAPHFILE_E_ADDFILTER    | 0x8004A113 | the graph refuses to add the filter                    |
// | GRAPHFILE_E_PIN          | 0x8004A114 | a connection names a pin the filter does not have      |
// | GRAPHFILE_E_CONNECT      | 0x8004A115 | the pins refuse the connection with its media type     |
// | GRAPHFILE_E_CLOCK        | 0x8004A116 | a required clock that cannot be made or set            |
//
// Save refuses with GRAPHFILE_E_UNWRITABLE (0x8004A120) a graph that the format cannot
// hold: a filter, pin or file name with a double quote in it. Other failures of Load and
// Save (a stream that cannot be read or written, a filter whose Save fails) pass on the
// code of the call that failed.
#pragma once

#include <windows.h>

#include "GraphStream.h"

#define GRAPHFILE_E_TRUNCATED ((HRESULT)0x8004A101L)
#define GRAPHFILE_E_VERSION ((HRESULT)0x8004A102L)
#define GRAPHFILE_E_KEYWORD ((HRESULT)0x8004A103L)
#define GRAPHFILE_E_SEPARATOR ((HRESULT)0x8004A104L)
#define GRAPHFILE_E_NUMBER ((HRESULT)0x8004A105L)
#define GRAPHFILE_E_LENGTH ((HRESULT)0x8004A106L)
#define GRAPHFILE_E_GUID ((HRESULT)0x8004A107L)
#define GRAPHFILE_E_NAME ((HRESULT)0x8004A108L)
#define GRAPHFILE_E_FILTERID ((HRESULT)0x8004A109L)
#define GRAPHFILE_E_TOOLARGE ((HRESULT)0x8004A10AL)
#define GRAPHFILE_E_CLASS ((HRESULT)0x8004A110L)
#define GRAPHFILE_E_FILTERDATA ((HRESULT)0x8004A111L)
#define GRAPHFILE_E_FILE ((HRESULT)0x8004A112L)
#define GRAPHFILE_E_ADDFILTER ((HRESULT)0x8004A113L)
#define GRAPHFILE_E_PIN ((HRESULT)0x8004A114L)
#define GRAPHFILE_E_CONNECT ((HRESULT)0x8004A115L)
#define GRAPHFILE_E_CLOCK ((HRESULT)0x8004A116L)
#define GRAPHFILE_E_UNWRITABLE ((HRESULT)0x8004A120L)

// A graph stream larger than this is refused before it is parsed.
const ULONG kMaxGraphStreamBytes = 64u << 20;

// The code of a parse refusal; S_OK for ParseError::None.
HRESULT GraphFileParseCode(graphfile::ParseError error);
