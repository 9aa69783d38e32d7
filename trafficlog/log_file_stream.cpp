#include "trafficlog/log_file_stream.h"

StreamLogFile::StreamLogFile(const std::string& path) : in_(path, std::ios::binary) {}

size_t StreamLogFile::ReadAt(uint64_t offset, uint8_t* buffer, size_t size) {
  if (!in_.is_open()) return 0;
  in_.clear();
  if (!in_.seekg(static_cast<std::streamoff>(offset))) return 0;
  in_.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(size));
  return static_cast<size_t>(in_.gcount());
}

bool StreamLogFile::Size(uint64_t& size) {
  if (!in_.is_open()) return false;
  in_.clear();
  if (!in_.seekg(0, std::ios::end)) return false;
  size = static_cast<uint64_t>(static_cast<std::streamoff>(in_.tellg()));
  return true;
}
