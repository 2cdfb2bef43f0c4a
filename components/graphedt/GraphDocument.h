// CGraphDocument: the viewer's own filter graph, made here or read from a graph file, and
// written back through the project's graph-file layer (the reader and writer the filter
// graph manager's stand-in uses, so a file saved here builds in the bench).
//
//   New      an empty graph, untitled
//   Open     a graph read from a .grf file; on a refusal the document stays as it was
//   Save     writes the graph to a .grf file (through a new file put in place at the
//            end, so a failed save leaves the old file whole); the file becomes the document's
//   Close    stops and releases the graph
//   IsChanged  whether the graph differs from what was last opened, saved or made new
//
//   SaveGraphFile  any graph (another process's too) written to a .grf file as Save writes it
#pragma once

#include <dshow.h>

#include <atlcomcli.h>

#include <cstdint>
#include <string>
#include <vector>

class CGraphDocument {
public:
  CGraphDocument() = default;
  ~CGraphDocument() { Close(); }
  CGraphDocument(const CGraphDocument&) = delete;
  CGraphDocument& operator=(const CGraphDocument&) = delete;

  HRESULT New();
  HRESULT Open(LPCWSTR pszPath);
  HRESULT Save(LPCWSTR pszPath);
  void Close();
  bool IsChanged() const;

  IGraphBuilder* Graph() const { return m_spGraph; }
  bool IsOpen() const { return m_spGraph != nullptr; }
  const std::wstring& Path() const { return m_path; }
  // The file's name without its folder, or "Untitled".
  std::wstring Title() const;

private:
  HRESULT Replace(IGraphBuilder* pGraph, const std::wstring& path);

  ATL::CComPtr<IGraphBuilder> m_spGraph;
  std::wstring m_path;
  std::vector<uint8_t> m_clean;  // the graph's stream as last opened, saved or made
};

// pBytes receives the stream written.
HRESULT SaveGraphFile(IFilterGraph* pGraph, LPCWSTR pszPath, std::vector<uint8_t>* pBytes);
