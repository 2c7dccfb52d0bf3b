// Natural-order sort of many texts: keys in one block, folders ranked once.
#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "core/natural.h"
#include "core/natural_parts.h"

namespace mivaro {
namespace {

using natural_internal::PartsView;

// Parts of many texts without their ties (those are made again for the rare comparison
// that needs them), stored one after another in chunks, so that the block never needs
// twice its size while it grows.
class PartsBlock {
 public:
  struct Ref {
    uint32_t chunk = 0;
    uint32_t at = 0;     // in the chunk: `count` offsets (4-byte aligned), then the bytes
    uint32_t bytes_len = 0;
    uint16_t count = 0;
    bool has_tail = false;
  };

  // False when the parts are too many for a reference to hold.
  bool Add(const TMyNaturalKey::Parts& p, Ref& r) {
    if (p.starts.size() > UINT16_MAX || p.bytes.size() > UINT32_MAX / 2) return false;
    const size_t starts_size = p.starts.size() * sizeof(uint32_t);
    const size_t need = starts_size + p.bytes.size();
    used_ = (used_ + 3) & ~size_t{3};
    if (chunks_.empty() || used_ + need > chunk_size_) {
      chunk_size_ = std::max(kChunk, need);
      chunks_.push_back(std::make_unique<char[]>(chunk_size_));
      used_ = 0;
    }
    char* at = chunks_.back().get() + used_;
    std::memcpy(at, p.starts.data(), starts_size);
    std::memcpy(at + starts_size, p.bytes.data(), p.bytes.size());
    r.chunk = static_cast<uint32_t>(chunks_.size() - 1);
    r.at = static_cast<uint32_t>(used_);
    r.bytes_len = static_cast<uint32_t>(p.bytes.size());
    r.count = static_cast<uint16_t>(p.starts.size());
    r.has_tail = p.has_tail;
    used_ += need;
    return true;
  }

  PartsView View(const Ref& r) const {
    const char* at = chunks_[r.chunk].get() + r.at;
    return {std::string_view(at + r.count * sizeof(uint32_t), r.bytes_len),
            reinterpret_cast<const uint32_t*>(at), r.count, r.has_tail, {}};
  }

 private:
  static constexpr size_t kChunk = 1 << 20;
  std::vector<std::unique_ptr<char[]>> chunks_;
  size_t chunk_size_ = 0;
  size_t used_ = 0;
};

// What the sort moves about: the folder's rank and the name's first bytes decide most
// comparisons without touching the block.
struct Item {
  uint64_t head[2];
  uint32_t folder_rank;
  uint32_t index;
};

// Text i as its keys see it: upper-cased, split into folder and name for paths.
struct TextParts {
  WString raw, upper;
  WStringView folder, name;

  void Load(const std::function<void(size_t, WString&)>& text, size_t i, bool file_names) {
    raw.clear();
    text(i, raw);
    natural_internal::UpperInto(raw, upper);
    folder = WStringView();
    name = upper;
    if (file_names) natural_internal::SplitFolderAndName(upper, folder, name);
  }
};

std::vector<uint32_t> SortByKeys(size_t count, const std::function<void(size_t, WString&)>& text,
                                 bool file_names) {
  std::vector<TMyNaturalKey> keys;
  keys.reserve(count);
  WString raw;
  for (size_t i = 0; i < count; ++i) {
    raw.clear();
    text(i, raw);
    keys.push_back(file_names ? TMyNaturalKey::ForFileName(raw) : TMyNaturalKey::ForText(raw));
  }
  std::vector<uint32_t> order(count);
  for (size_t i = 0; i < count; ++i) order[i] = static_cast<uint32_t>(i);
  std::stable_sort(order.begin(), order.end(), [&keys](uint32_t a, uint32_t b) {
    return TMyNaturalKey::Compare(keys[a], keys[b]) < 0;
  });
  return order;
}

}  // namespace

std::vector<uint32_t> NaturalSortOrder(size_t count,
                                       const std::function<void(size_t, WString&)>& text,
                                       bool file_names) {
  if (count == 0) return {};
  if (count >= UINT32_MAX) return SortByKeys(count, text, file_names);
  PartsBlock names;
  std::vector<PartsBlock::Ref> name_refs(count);
  std::vector<uint8_t> head_words(count);
  std::vector<uint32_t> folder_of(count);  // per text: its folder's index in `folders`
  std::vector<TMyNaturalKey::Parts> folders;  // with their ties: folders are few
  std::unordered_map<WString, uint32_t> folder_ids;
  std::vector<Item> items(count);

  TextParts t;
  TMyNaturalKey::Parts parts;
  for (size_t i = 0; i < count; ++i) {
    t.Load(text, i, file_names);
    // Folders repeat from path to path: each distinct one is cut into parts once.
    auto found = folder_ids.find(WString(t.folder));
    if (found == folder_ids.end()) {
      found = folder_ids.emplace(WString(t.folder), static_cast<uint32_t>(folders.size())).first;
      folders.emplace_back();
      natural_internal::MakePartsInto(t.folder, folders.back(), true);
    }
    folder_of[i] = found->second;
    natural_internal::MakePartsInto(t.name, parts, true);
    if (!names.Add(parts, name_refs[i])) return SortByKeys(count, text, file_names);
    items[i].index = static_cast<uint32_t>(i);
    head_words[i] =
        static_cast<uint8_t>(natural_internal::HeadFrom(natural_internal::ViewOf(parts), items[i].head));
  }
  folder_ids = {};

  // Folders in order; equivalent ones share a rank (they sit side by side once sorted).
  std::vector<uint32_t> by_folder(folders.size());
  for (size_t f = 0; f < by_folder.size(); ++f) by_folder[f] = static_cast<uint32_t>(f);
  auto folder_cmp = [&](uint32_t a, uint32_t b) {
    return natural_internal::CompareParts(natural_internal::ViewOf(folders[a]),
                                          natural_internal::ViewOf(folders[b]));
  };
  std::sort(by_folder.begin(), by_folder.end(),
            [&](uint32_t a, uint32_t b) { return folder_cmp(a, b) < 0; });
  std::vector<uint32_t> rank(folders.size());
  for (size_t k = 1; k < by_folder.size(); ++k) {
    rank[by_folder[k]] = rank[by_folder[k - 1]] + (folder_cmp(by_folder[k - 1], by_folder[k]) != 0);
  }
  for (Item& item : items) item.folder_rank = rank[folder_of[item.index]];
  folders = {};
  folder_of = {};

  // Names that compare equal without their ties are keyed again, ties and all.
  TextParts ta, tb;
  TMyNaturalKey::Parts pa, pb;
  auto ties = [&](uint32_t a, uint32_t b) {
    ta.Load(text, a, file_names);
    tb.Load(text, b, file_names);
    natural_internal::MakePartsInto(ta.name, pa, true);
    natural_internal::MakePartsInto(tb.name, pb, true);
    return natural_internal::CompareParts(natural_internal::ViewOf(pa), natural_internal::ViewOf(pb));
  };
  // The index breaks the last ties, which makes the order that of a stable sort.
  std::sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
    if (a.folder_rank != b.folder_rank) return a.folder_rank < b.folder_rank;
    const uint8_t words = std::min(head_words[a.index], head_words[b.index]);
    for (uint8_t w = 0; w < words; ++w) {
      if (a.head[w] != b.head[w]) return a.head[w] < b.head[w];
    }
    int c = natural_internal::ComparePrimaryParts(names.View(name_refs[a.index]),
                                                  names.View(name_refs[b.index]));
    if (c == 0) c = ties(a.index, b.index);
    return c != 0 ? c < 0 : a.index < b.index;
  });
  std::vector<uint32_t> order(count);
  for (size_t k = 0; k < count; ++k) order[k] = items[k].index;
  return order;
}

}  // namespace mivaro
