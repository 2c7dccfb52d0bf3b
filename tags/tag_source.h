// Where the tag readers get their bytes: the open file of a tag object, or a block of
// memory (tests, fuzzing, benchmarks). Every read is bounded by the data's size, so a
// damaged size field in a tag never makes the reader allocate more than the file holds.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "tags/tag.h"

namespace mivaro {

class TagByteSource {
 public:
  virtual ~TagByteSource() = default;
  // Total size of the data in bytes.
  virtual std::int64_t Size() const = 0;
  // Up to count bytes from offset (fewer near the end, none past it). The bytes stay
  // valid until the next read.
  virtual std::span<const std::uint8_t> ReadAt(std::int64_t offset, std::size_t count) = 0;
};

// Reads through a tag object's open file. The first read fetches the start of the file in
// one call, and later reads inside it are served from memory: most tags lie wholly in the
// first few kilobytes, so a tag costs one read instead of two.
class TagFileSource final : public TagByteSource {
 public:
  static constexpr std::size_t kHeadSize = 8192;

  explicit TagFileSource(TMyCustomTag& tag) : tag_(tag) {}
  std::int64_t Size() const override { return tag_.FileSize; }
  std::span<const std::uint8_t> ReadAt(std::int64_t offset, std::size_t count) override {
    if (!headRead_) {
      headRead_ = true;
      const std::size_t n = tag_.ReadBlockAt(0, kHeadSize);
      head_.swap(tag_.Buffer());
      head_.resize(n);
    }
    if (offset >= 0 && static_cast<std::uint64_t>(offset) <= head_.size()) {
      const std::size_t start = static_cast<std::size_t>(offset);
      const std::size_t available = head_.size() - start;
      // Inside the head, or the head is the whole file: no further read can give more.
      if (count <= available || static_cast<std::int64_t>(head_.size()) >= tag_.FileSize) {
        return {head_.data() + start, std::min(count, available)};
      }
    }
    const std::size_t n = tag_.ReadBlockAt(offset, count);
    return {tag_.Buffer().data(), n};
  }

 private:
  TMyCustomTag& tag_;
  std::vector<std::uint8_t> head_;
  bool headRead_ = false;
};

// Reads from memory that outlives the source.
class TagMemorySource final : public TagByteSource {
 public:
  TagMemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::int64_t Size() const override { return static_cast<std::int64_t>(size_); }
  std::span<const std::uint8_t> ReadAt(std::int64_t offset, std::size_t count) override {
    if (offset < 0 || static_cast<std::uint64_t>(offset) >= size_) {
      return {};
    }
    const std::size_t start = static_cast<std::size_t>(offset);
    return {data_ + start, std::min(count, size_ - start)};
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace mivaro
