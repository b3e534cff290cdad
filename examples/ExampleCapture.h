#pragma once
// Stills for the examples' contact sheets: a captured frame halved (each
// 2 x 2 block averaged) and a sheet of equal cells on white, written as PNG.
//
//   std::vector<platform::CapturedFrame> cells;
//   cells.push_back(halfSizeFrame(platform::captureLastPresentedFrame()));
//   ...
//   writeContactSheet(cells, 8, "sheet.png");

#include "platform/Application.h"
#include "platform/GLContext.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

/// `frame` at half its width and height, each pixel the mean of a 2 x 2 block.
inline platform::CapturedFrame halfSizeFrame(const platform::CapturedFrame& frame) {
  platform::CapturedFrame half;
  half.width = frame.width / 2;
  half.height = frame.height / 2;
  half.rgba.resize(static_cast<std::size_t>(half.width) * half.height * 4);
  for (int y = 0; y < half.height; ++y) {
    for (int x = 0; x < half.width; ++x) {
      for (int c = 0; c < 4; ++c) {
        int sum = 0;
        for (int dy = 0; dy < 2; ++dy)
          for (int dx = 0; dx < 2; ++dx)
            sum += frame.rgba[((static_cast<std::size_t>(y) * 2 + dy) * frame.width + x * 2 + dx) * 4 + c];
        half.rgba[(static_cast<std::size_t>(y) * half.width + x) * 4 + c] = static_cast<std::uint8_t>(sum / 4);
      }
    }
  }
  return half;
}

/// Writes `cells` (the first one's size sets every cell's; larger ones are
/// cut) `columns` to a row, 4 pixels apart on white, to `path` as a PNG.
/// False when there is nothing to write or the file cannot be written.
inline bool writeContactSheet(const std::vector<platform::CapturedFrame>& cells, int columns,
                              const std::string& path) {
  constexpr int kGap = 4;
  if (cells.empty() || columns <= 0) return false;
  const int cellWidth = cells[0].width, cellHeight = cells[0].height;
  const int used = std::min(columns, static_cast<int>(cells.size()));
  const int rows = static_cast<int>((cells.size() + columns - 1) / columns);
  platform::CapturedFrame sheet;
  sheet.width = used * cellWidth + (used + 1) * kGap;
  sheet.height = rows * cellHeight + (rows + 1) * kGap;
  sheet.rgba.assign(static_cast<std::size_t>(sheet.width) * sheet.height * 4, 255);
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const platform::CapturedFrame& cell = cells[i];
    const int left = kGap + static_cast<int>(i % columns) * (cellWidth + kGap);
    const int top = kGap + static_cast<int>(i / columns) * (cellHeight + kGap);
    for (int y = 0; y < cell.height && y < cellHeight; ++y) {
      std::memcpy(&sheet.rgba[((static_cast<std::size_t>(top) + y) * sheet.width + left) * 4],
                  &cell.rgba[static_cast<std::size_t>(y) * cell.width * 4],
                  static_cast<std::size_t>(std::min(cell.width, cellWidth)) * 4);
    }
  }
  return platform::writeFrameAsPNG(sheet, path);
}
