#pragma once
// A file written front to back through one buffer, whose full buffers are
// written on a thread of their own: the caller formats the next bytes while
// the last ones go to disk. Callers ask for room, write through a pointer
// and commit the end they reached.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "store/file_io.h"

namespace matslip {

class OverlappedFile {
 public:
  // `flush_bytes`: how much the buffer gathers before it is handed over.
  explicit OverlappedFile(std::size_t flush_bytes)
      : flush_bytes_(flush_bytes) {}
  ~OverlappedFile() { Close(); }
  OverlappedFile(const OverlappedFile&) = delete;
  OverlappedFile& operator=(const OverlappedFile&) = delete;

  // Creates (or truncates) the file and starts the writing thread.
  bool Create(const std::string& path);
  // At least `bytes` of room after what was committed.
  char* Room(std::size_t bytes);
  void Commit(const char* end) {
    used_ = static_cast<std::size_t>(end - buffer_.data());
  }
  void Append(std::string_view bytes);
  // Hands the buffer over once it holds `flush_bytes`. False once a write
  // has failed.
  bool FlushIfFull() { return used_ < flush_bytes_ || Flush(); }
  // Hands the buffer over (waiting for the one handed over before).
  bool Flush();
  // Hands the buffer over and waits until every byte is written; false when
  // any write failed.
  bool Finish();
  // Stops the writing thread (after the write in hand) and closes the file.
  void Close();

 private:
  void WriteHandedOver();

  const std::size_t flush_bytes_;
  PosixFile file_;
  std::string buffer_;
  std::size_t used_ = 0;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::string handed_;  // written by the thread
  std::size_t handed_used_ = 0;
  bool handed_over_ = false;  // `handed_` waits to be written
  bool failed_ = false;
  bool stop_ = false;
  std::int64_t written_ = 0;  // the thread's offset
  std::thread writer_;
};

}  // namespace matslip
