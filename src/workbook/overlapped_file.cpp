#include "workbook/overlapped_file.h"

#include <cstring>
#include <utility>

namespace matslip {

bool OverlappedFile::Create(const std::string& path) {
  if (!file_.Create(path)) return false;
  writer_ = std::thread([this] { WriteHandedOver(); });
  return true;
}

char* OverlappedFile::Room(std::size_t bytes) {
  if (used_ + bytes > buffer_.size()) buffer_.resize(used_ + bytes);
  return buffer_.data() + used_;
}

void OverlappedFile::Append(std::string_view bytes) {
  char* room = Room(bytes.size());
  std::memcpy(room, bytes.data(), bytes.size());
  Commit(room + bytes.size());
}

bool OverlappedFile::Flush() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !handed_over_; });
  if (failed_ || !writer_.joinable()) return false;
  std::swap(buffer_, handed_);
  handed_used_ = used_;
  used_ = 0;
  handed_over_ = true;
  changed_.notify_all();
  return true;
}

bool OverlappedFile::Finish() {
  if (!Flush()) return false;
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !handed_over_; });
  return !failed_;
}

void OverlappedFile::Close() {
  if (writer_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    writer_.join();
  }
  file_.Close();
}

void OverlappedFile::WriteHandedOver() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return handed_over_ || stop_; });
    if (!handed_over_) return;  // stopped with nothing in hand
    const std::string_view bytes(handed_.data(), handed_used_);
    const std::int64_t offset = written_;
    const bool skip = failed_;  // nothing after a hole
    lock.unlock();
    const bool ok = !skip && file_.WriteAt(offset, bytes);
    lock.lock();
    written_ += static_cast<std::int64_t>(bytes.size());
    if (!ok) failed_ = true;
    handed_over_ = false;
    changed_.notify_all();
  }
}

}  // namespace matslip
