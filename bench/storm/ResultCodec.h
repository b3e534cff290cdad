#pragma once
// A renderer's result as bytes, so each renderer can run in a process of its
// own and hand its figures and check frame back through a pipe.

#include <optional>
#include <string>

#include "Renderers.h"

namespace storm {

/// Every field of `result`, in a fixed little-endian layout.
std::string encodeResult(const RendererResult& result);
/// The result encodeResult() wrote, or nothing when `bytes` is truncated,
/// has trailing bytes or does not start with the layout's tag.
std::optional<RendererResult> decodeResult(const std::string& bytes);

}  // namespace storm
