// Writes the fuzzer's first inputs into a folder: streams that parse, so that mutation
// starts from the grammar's whole shape rather than from nothing.
//   make_seeds DIR
#include <cstdio>
#include <string>

#include "StreamBytes.h"

namespace {

const std::string kVidGen = "{6703C031-F9D4-4084-87BA-35B0B7DF3431}";
const std::string kResizer = "{71343D82-BA5F-4053-B328-DA0E855B4A71}";
const std::string kType = "{73646976-0000-0010-8000-00AA00389B71} {E436EB7E-524F-11CE-9F53-0020AF0BA770} 1 0 76 "
                          "{05589F80-C356-11CE-BF01-00AA0055595A} ";

bool WriteFile(const std::string& path, const ByteString& bytes) {
  FILE* pFile = std::fopen(path.c_str(), "wb");
  if (!pFile) return false;
  const bool bOk = std::fwrite(bytes.data(), 1, bytes.size(), pFile) == bytes.size();
  return std::fclose(pFile) == 0 && bOk;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 1;
  const std::string dir = argv[1];
  const ByteString written =
      Wide("0003\r\nFILTERS\r\n0001 \"Video Generator\" " + kVidGen + " 4 ") + Bytes({1, 0, '\r', 0}) +
      Wide("\r\n0002 \"Resizer\" " + kResizer + " SINK \"C:\\out.avi\" 0 \r\nCONNECTIONS\r\n") +
      Wide("0001 \"Output\" 0002 \"Input\" 1228800 " + kType + "8 ") + Bytes({0, 1, 2, 3, 4, 5, 6, 7}) +
      Wide("\r\nCLOCK 1 0002\r\nEND");
  const ByteString byHand = Wide("2\n\tFILTERS\n7\t\"A\" {e436ebb5-524f-11ce-9f53-0020af0ba770} SOURCE \"x.avi\" 0 ") +
                            Wide("\nCONNECTIONS\n7 \"Out\"\t7 \"In\" 0" + kType + "0 END");
  const ByteString byClass = Wide("0003 FILTERS CONNECTIONS CLOCK 0 " + kResizer + " END");
  return WriteFile(dir + "/written", written) && WriteFile(dir + "/by-hand", byHand) &&
                 WriteFile(dir + "/clock-by-class", byClass)
             ? 0
             : 1;
}
