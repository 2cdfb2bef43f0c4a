#include "StreamBytes.h"

ByteString Wide(const std::string& ascii) {
  ByteString bytes;
  for (char c : ascii) {
    bytes.push_back(static_cast<uint8_t>(c));
    bytes.push_back(0);
  }
  return bytes;
}

ByteString Bytes(std::initializer_list<uint8_t> bytes) { return ByteString(bytes); }

ByteString operator+(ByteString a, const ByteString& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
