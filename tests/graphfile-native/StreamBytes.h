// Graph streams written by hand: text as UTF-16LE bytes, binary runs as they are.
//
//   Wide("0003\r\n") + Bytes({1, 2, 3}) + Wide(" END")
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

using ByteString = std::vector<uint8_t>;

ByteString Wide(const std::string& ascii);
ByteString Bytes(std::initializer_list<uint8_t> bytes);
ByteString operator+(ByteString a, const ByteString& b);
