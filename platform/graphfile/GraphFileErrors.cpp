#include "GraphFileErrors.h"

HRESULT GraphFileParseCode(graphfile::ParseError error) {
  using graphfile::ParseError;
  switch (error) {
    case ParseError::None: return S_OK;
    case ParseError::Truncated: return GRAPHFILE_E_TRUNCATED;
    case ParseError::Version: return GRAPHFILE_E_VERSION;
    case ParseError::Keyword: return GRAPHFILE_E_KEYWORD;
    case ParseError::Separator: return GRAPHFILE_E_SEPARATOR;
    case ParseError::Number: return GRAPHFILE_E_NUMBER;
    case ParseError::Length: return GRAPHFILE_E_LENGTH;
    case ParseError::Guid: return GRAPHFILE_E_GUID;
    case ParseError::Name: return GRAPHFILE_E_NAME;
    case ParseError::FilterId: return GRAPHFILE_E_FILTERID;
  }
  return E_UNEXPECTED;
}
