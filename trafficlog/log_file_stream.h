// A log file read through the standard library, for readers without the
// Win32 shell: the benchmark and a command-line reader of a copied log.
// Read only; writes fail.
#pragma once
#include <fstream>
#include <string>

#include "trafficlog/log_format.h"

class StreamLogFile : public LogFile {
public:
  // Opens the file for reading; isOpen() tells whether that worked.
  explicit StreamLogFile(const std::string& path);
  bool isOpen() const { return in_.is_open(); }
  size_t ReadAt(uint64_t offset, uint8_t* buffer, size_t size) override;
  bool WriteAt(uint64_t, const uint8_t*, size_t) override { return false; }
  bool Size(uint64_t& size) override;
  bool Truncate(uint64_t) override { return false; }
  bool Flush() override { return false; }
  bool writable() const override { return false; }

private:
  std::ifstream in_;
};
