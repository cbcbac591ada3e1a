#include "store/table_target.h"

#include <cstring>

#include "base/files.h"
#include "store/durability.h"
#include "store/format.h"
#include "store/names.h"
#include "store/table_pair.h"

namespace matslip {

TargetFiles::TargetFiles(const std::string& target, const Schema& schema)
    : schema_(schema),
      token_(NewPairToken()),
      target_(target),
      table_tmp_(PairTempPath(target, token_)),
      // A new table gets the usual name; one written over keeps its pair.
      memo_target_(MemoPathOf(target, FileExists(target))),
      memo_tmp_(PairTempPath(memo_target_, token_)),
      records_(&table_, schema.header_length(), fmt::kBulkBytes) {}

TargetFiles::~TargetFiles() {
  if (!committed_) Discard();
}

void TargetFiles::Discard() {
  if (memo_copy_.valid()) memo_copy_.wait();
  RemoveFile(table_tmp_);
  RemoveFile(memo_tmp_);
}

bool TargetFiles::Create(double created, MemoFile* shared) {
  // A replacement of the target that a crash interrupted is completed
  // first: this one is meant to follow it.
  std::string header;
  if (!FinishPairReplacement(target_, false, nullptr) ||
      !schema_.EncodeHeader(created, &header))
    return false;
  const std::uint64_t pair_id = NewPairId();
  PutI64(header.data() + fmt::kPairIdOffset,
         static_cast<std::int64_t>(pair_id));
  if (!table_.Create(table_tmp_) || !table_.WriteAt(0, header)) return false;
  if (shared != nullptr) {
    memo_copy_ = std::async(std::launch::async | std::launch::deferred,
                            [shared, path = memo_tmp_, created, pair_id] {
                              return shared->CopyTo(path, created, pair_id);
                            });
    return true;
  }
  bulk_memo_ = schema_.has_memo();
  return !bulk_memo_ || (MemoFile::CreateEmpty(memo_tmp_, created, pair_id) &&
                         memo_.OpenNewForBulk(memo_tmp_));
}

bool TargetFiles::AdoptMemoCopy() {
  if (!memo_copy_.valid() || !memo_copy_.get() ||
      !memo_.OpenNewForBulk(memo_tmp_))
    return false;
  bulk_memo_ = true;
  return true;
}

bool TargetFiles::Finish(std::int64_t written, std::int64_t next_id) {
  char counts[8];
  PutI32(counts, static_cast<std::int32_t>(written));
  PutI32(counts + 4,
         static_cast<std::int32_t>(next_id != 0 ? next_id : written + 1));
  if (!records_.Flush() || !table_.WriteAt(fmt::kCountOffset, counts, 8))
    return false;
  if (bulk_memo_ && !memo_.FinishBulk()) return false;
  if (DurableWrites() &&
      (!table_.Sync() || (bulk_memo_ && !memo_.file().Sync())))
    return false;
  if (memo_copy_.valid() && !memo_copy_.get()) return false;
  table_.Close();
  memo_.file().Close();
  return true;
}

bool TargetFiles::Commit() {
  bool decided = false;
  const bool ok =
      ReplacePair(target_, memo_target_, schema_.has_memo(), token_, &decided);
  // Once the journal is in place the temporaries belong to it.
  committed_ = ok || decided;
  return ok;
}

RecordCopier::RecordCopier(const Schema& source, const std::vector<int>& fields,
                           const Schema& target, bool share_memo,
                           MemoFile* source_memo, MemoFile* target_memo)
    : source_memo_(source_memo), target_memo_(target_memo) {
  for (std::size_t j = 0; j < fields.size(); ++j) {
    const FieldDef& sf = source.field(fields[j]);
    const FieldDef& tf = target.field(static_cast<int>(j));
    const auto from = static_cast<std::size_t>(sf.offset);
    const auto to = static_cast<std::size_t>(tf.offset);
    if (IsMemoType(sf.type) && !share_memo) {
      chained_.push_back({from, to});
      continue;
    }
    const auto size = static_cast<std::size_t>(FieldSize(sf.type, sf.width));
    if (!runs_.empty() && runs_.back().from + runs_.back().size == from &&
        runs_.back().to + runs_.back().size == to)
      runs_.back().size += size;
    else
      runs_.push_back({from, to, size});
  }
}

bool RecordCopier::Copy(const char* src, const std::string* memo_texts,
                        char* dst) {
  for (const Run& r : runs_) std::memcpy(dst + r.to, src + r.from, r.size);
  for (const Chained& c : chained_) {
    const std::string* text = memo_texts ? memo_texts++ : &text_;
    if (!memo_texts) {
      const std::int32_t ref = GetI32(src + c.from);
      if (ref == 0) continue;
      if (!source_memo_ || !source_memo_->ReadChain(ref, &text_)) return false;
    }
    if (text->empty()) continue;
    std::int32_t first = 0;
    MemoFile::NewChainLink link{0, [&](std::int32_t block) {
                                  PutI32(dst + c.to, block);
                                  return true;
                                }};
    if (!target_memo_->Append(&first, *text, link)) return false;
  }
  return true;
}

}  // namespace matslip
