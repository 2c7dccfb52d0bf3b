// Where the tag readers get their bytes: the open file of a tag object, or a block of
// memory (tests, fuzzing, benchmarks). Every read is bounded by the data's size, so a
// damaged size field in a tag never makes the reader allocate more than the file holds.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

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

// Reads through a tag object's open file (its ReadBlockAt and buffer).
class TagFileSource final : public TagByteSource {
 public:
  explicit TagFileSource(TMyCustomTag& tag) : tag_(tag) {}
  std::int64_t Size() const override { return tag_.FileSize; }
  std::span<const std::uint8_t> ReadAt(std::int64_t offset, std::size_t count) override {
    const std::size_t n = tag_.ReadBlockAt(offset, count);
    return {tag_.Buffer().data(), n};
  }

 private:
  TMyCustomTag& tag_;
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
