#pragma once
// The tile map of the tile-map benchmarks (TMXBenchmark, TileStorm), written
// into a folder: "tiles.png", a tileset picture of 8 x 1 tiles of `tile`
// pixels (each a colour with a darker one-pixel border, so scrolling is
// visible), and "map.tmx", one orthogonal layer of width x height tiles whose
// numbers are tileAt(column, row), stored as zlib-compressed Base64 or CSV.

#include "platform/Image.h"
#include "platform/Ref.h"

#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

namespace bench {

inline constexpr int kTilesetTiles = 8;

/// The tile number at (column, row): every tile set, neighbours differ.
inline std::uint32_t tileAt(int column, int row) {
  return 1 + static_cast<std::uint32_t>(column * 7 + row * 13) % kTilesetTiles;
}

/// Straight RGBA of the tileset picture, top row first.
inline std::vector<std::uint8_t> tilesetPixels(int tile) {
  const int width = tile * kTilesetTiles;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width * tile * 4));
  for (int y = 0; y < tile; ++y) {
    for (int x = 0; x < width; ++x) {
      const int index = x / tile;
      const bool border = x % tile == 0 || y == 0 || x % tile == tile - 1 || y == tile - 1;
      const int shade = border ? 120 : 230;
      std::uint8_t* p = &pixels[static_cast<std::size_t>((y * width + x) * 4)];
      p[0] = static_cast<std::uint8_t>(index & 1 ? shade : 40);
      p[1] = static_cast<std::uint8_t>(index & 2 ? shade : 40);
      p[2] = static_cast<std::uint8_t>(index & 4 ? shade : 40);
      p[3] = 255;
    }
  }
  return pixels;
}

inline std::string base64(const std::vector<std::uint8_t>& bytes) {
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve(bytes.size() / 3 * 4 + 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) group |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) group |= bytes[i + 2];
    out += alphabet[(group >> 18) & 63];
    out += alphabet[(group >> 12) & 63];
    out += i + 1 < bytes.size() ? alphabet[(group >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? alphabet[group & 63] : '=';
  }
  return out;
}

/// Writes the picture and the map; returns the map's path, or "" on failure.
inline std::string writeTileMap(const std::filesystem::path& folder, int width, int height, int tile, bool csv) {
  std::filesystem::create_directories(folder);
  const std::vector<std::uint8_t> pixels = tilesetPixels(tile);
  platform::Ref<platform::Image> image = platform::Image::imageWithPixels(
      tile * kTilesetTiles, tile, platform::PixelLayout::RGBA, static_cast<std::size_t>(tile * kTilesetTiles * 4),
      std::span<const std::uint8_t>(pixels));
  const auto png = image ? image->encodePNG() : std::nullopt;
  if (!png) return "";
  std::ofstream(folder / "tiles.png", std::ios::binary)
      .write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));

  std::string data;
  if (csv) {
    for (int row = 0; row < height; ++row) {
      for (int column = 0; column < width; ++column) {
        data += std::to_string(tileAt(column, row));
        data += row == height - 1 && column == width - 1 ? "" : ",";
      }
      data += '\n';
    }
  } else {
    std::vector<std::uint8_t> bytes;
    for (int row = 0; row < height; ++row) {
      for (int column = 0; column < width; ++column) {
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(tileAt(column, row) >> shift));
      }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(bytes.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, bytes.data(), static_cast<uLong>(bytes.size()), Z_DEFAULT_COMPRESSION) != Z_OK) {
      return "";
    }
    packed.resize(packedSize);
    data = base64(packed);
  }
  const std::string t = std::to_string(tile);
  std::ofstream map(folder / "map.tmx", std::ios::binary);
  map << "<?xml version=\"1.0\"?>\n<map version=\"1.0\" orientation=\"orthogonal\" width=\"" << width
      << "\" height=\"" << height << "\" tilewidth=\"" << t << "\" tileheight=\"" << t << "\">\n"
      << "<tileset firstgid=\"1\" name=\"colours\" tilewidth=\"" << t << "\" tileheight=\"" << t
      << "\"><image source=\"tiles.png\"/></tileset>\n"
      << "<layer name=\"ground\" width=\"" << width << "\" height=\"" << height << "\">"
      << (csv ? "<data encoding=\"csv\">" : "<data encoding=\"base64\" compression=\"zlib\">") << data
      << "</data></layer>\n</map>\n";
  return map ? (folder / "map.tmx").string() : "";
}

}  // namespace bench
