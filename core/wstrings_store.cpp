// TMyStringStore: the items of the wide string lists, shareable with a list control.
#include <algorithm>
#include <utility>

#include "core/wstrings.h"

namespace mivaro {

const std::string& TMyAnsiStrings::Get(int i) const {
  static const std::string empty;
  return (i >= 0 && i < Count()) ? items[static_cast<std::size_t>(i)].text : empty;
}

void* TMyAnsiStrings::GetObject(int i) const {
  return (i >= 0 && i < Count()) ? items[static_cast<std::size_t>(i)].object : nullptr;
}

TMyStringStore::~TMyStringStore() {
  Notify([](TMyStringStoreObserver* o) { o->StoreDestroyed(); });
}

template <typename F>
void TMyStringStore::Notify(F&& f) {
  if (observers_.empty()) return;
  // An observer may remove itself while being notified.
  const std::vector<TMyStringStoreObserver*> copy = observers_;
  for (TMyStringStoreObserver* o : copy) {
    if (std::find(observers_.begin(), observers_.end(), o) != observers_.end()) f(o);
  }
}

void TMyStringStore::SetText(int i, WString text) {
  items_[static_cast<std::size_t>(i)].text = std::move(text);
  Notify([i](TMyStringStoreObserver* o) { o->StoreChanged(i, i); });
}

void TMyStringStore::SetObject(int i, void* object) {
  items_[static_cast<std::size_t>(i)].object = object;
  Notify([i](TMyStringStoreObserver* o) { o->StoreChanged(i, i); });
}

void TMyStringStore::Insert(int i, WString text, void* object) {
  // Allocate first, so that a failure leaves both the items and the observers untouched.
  if (items_.size() == items_.capacity()) items_.reserve(items_.size() < 16 ? 16 : items_.size() * 2);
  Notify([i](TMyStringStoreObserver* o) { o->StoreAboutToInsert(i, 1); });
  items_.insert(items_.begin() + i, TMyStringItem{std::move(text), object});
  Notify([i](TMyStringStoreObserver* o) { o->StoreInserted(i, 1); });
}

void TMyStringStore::InsertMany(int i, std::vector<TMyStringItem>&& items) {
  if (items.empty()) return;
  const int n = static_cast<int>(items.size());
  // Into an empty store the block moves whole (a large playlist opened on its own).
  if (!items_.empty()) items_.reserve(items_.size() + items.size());
  Notify([i, n](TMyStringStoreObserver* o) { o->StoreAboutToInsert(i, n); });
  if (items_.empty()) {
    items_ = std::move(items);
  } else {
    items_.insert(items_.begin() + i, std::make_move_iterator(items.begin()),
                  std::make_move_iterator(items.end()));
  }
  Notify([i, n](TMyStringStoreObserver* o) { o->StoreInserted(i, n); });
}

void TMyStringStore::Delete(int i) {
  Notify([i](TMyStringStoreObserver* o) { o->StoreAboutToRemove(i, 1); });
  items_.erase(items_.begin() + i);
  Notify([i](TMyStringStoreObserver* o) { o->StoreRemoved(i, 1); });
}

void TMyStringStore::Exchange(int i, int j) {
  if (i == j) return;
  std::swap(items_[static_cast<std::size_t>(i)], items_[static_cast<std::size_t>(j)]);
  Notify([i, j](TMyStringStoreObserver* o) {
    o->StoreChanged(i, i);
    o->StoreChanged(j, j);
  });
}

void TMyStringStore::Move(int from, int to) {
  if (from == to) return;
  Notify([from, to](TMyStringStoreObserver* o) { o->StoreAboutToMove(from, to); });
  const auto f = items_.begin() + from;
  const auto t = items_.begin() + to;
  if (from < to) {
    std::rotate(f, f + 1, t + 1);
  } else {
    std::rotate(t, f, f + 1);
  }
  Notify([from, to](TMyStringStoreObserver* o) { o->StoreMoved(from, to); });
}

void TMyStringStore::Clear() {
  Notify([](TMyStringStoreObserver* o) { o->StoreAboutToReset(); });
  items_.clear();
  Notify([](TMyStringStoreObserver* o) { o->StoreReset(); });
}

void TMyStringStore::Permute(int first, const std::vector<int>& order) {
  if (order.empty()) return;
  std::vector<TMyStringItem> moved;
  moved.reserve(order.size());
  for (int index : order) moved.push_back(std::move(items_[static_cast<std::size_t>(index)]));
  std::move(moved.begin(), moved.end(), items_.begin() + first);
  const int last = first + static_cast<int>(order.size()) - 1;
  Notify([first, last](TMyStringStoreObserver* o) { o->StoreChanged(first, last); });
}

void TMyStringStore::RemoveMarked(const std::vector<bool>& marked) {
  const std::size_t n = std::min(marked.size(), items_.size());
  std::size_t first = 0;
  while (first < n && !marked[first]) ++first;
  if (first == n) return;
  Notify([](TMyStringStoreObserver* o) { o->StoreAboutToReset(); });
  std::size_t out = first;
  for (std::size_t i = first; i < items_.size(); ++i) {
    if (i < n && marked[i]) continue;
    items_[out++] = std::move(items_[i]);
  }
  items_.resize(out);
  Notify([](TMyStringStoreObserver* o) { o->StoreReset(); });
}

void TMyStringStore::SetCapacity(int capacity) {
  if (capacity > Count()) items_.reserve(static_cast<std::size_t>(capacity));
}

void TMyStringStore::BeginUpdate() {
  if (updateCount_++ == 0) Notify([](TMyStringStoreObserver* o) { o->StoreUpdateBegun(); });
}

void TMyStringStore::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0) Notify([](TMyStringStoreObserver* o) { o->StoreUpdateEnded(); });
}

void TMyStringStore::AddObserver(TMyStringStoreObserver* observer) {
  if (observer != nullptr &&
      std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
    observers_.push_back(observer);
  }
}

void TMyStringStore::RemoveObserver(TMyStringStoreObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer),
                   observers_.end());
}

}  // namespace mivaro
