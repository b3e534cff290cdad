#pragma once
// Bounds-checked big-endian reads from a font table held in memory. Every
// read names its offset; a read that would pass the end of the table yields
// nothing, so malformed offsets, lengths and counts never reach beyond it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace zfont {

/// Bounds-checked big-endian reads from a font table held in memory. Every read
/// names its offset; a read that would pass the end of the table yields nothing,
/// so malformed offsets, lengths and counts never reach beyond it.
class TableReader {
 public:
  explicit TableReader(std::span<const uint8_t> table) : table_(table) {}

  std::size_t size() const { return table_.size(); }
  /// True when `length` bytes from `offset` lie inside the table (no overflow).
  bool contains(std::size_t offset, std::size_t length) const {
    return offset <= table_.size() && length <= table_.size() - offset;
  }
  std::optional<uint16_t> u16(std::size_t offset) const {
    if (!contains(offset, 2)) return std::nullopt;
    return static_cast<uint16_t>((table_[offset] << 8) | table_[offset + 1]);
  }
  std::optional<uint32_t> u32(std::size_t offset) const {
    if (!contains(offset, 4)) return std::nullopt;
    return (uint32_t(table_[offset]) << 24) | (uint32_t(table_[offset + 1]) << 16) |
           (uint32_t(table_[offset + 2]) << 8) | uint32_t(table_[offset + 3]);
  }
  /// `length` bytes from `offset`; empty when they pass the end.
  std::span<const uint8_t> bytes(std::size_t offset, std::size_t length) const {
    if (!contains(offset, length)) return {};
    return table_.subspan(offset, length);
  }

  // Unchecked reads for callers that validated the whole range once.
  uint16_t u16Unchecked(std::size_t offset) const {
    return static_cast<uint16_t>((table_[offset] << 8) | table_[offset + 1]);
  }
  uint32_t u32Unchecked(std::size_t offset) const {
    return (uint32_t(table_[offset]) << 24) | (uint32_t(table_[offset + 1]) << 16) |
           (uint32_t(table_[offset + 2]) << 8) | uint32_t(table_[offset + 3]);
  }

 private:
  std::span<const uint8_t> table_;
};

}  // namespace zfont
