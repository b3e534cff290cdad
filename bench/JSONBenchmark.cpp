// JSON reading and writing: the engine's reader and writer (platform::Value
// documents) beside nlohmann/json and RapidJSON building their own documents
// from the same bytes. Three generated shapes of a few MB each: many small
// objects, long arrays of numbers, and long strings full of escapes.
// Reports bytes per second of JSON text (read: input size; write: the
// engine's output size for all three, so the rates compare like for like).

#include "json/CJSONDeserializer.h"
#include "json/CJSONSerializer.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdio>
#include <random>
#include <string>

namespace {

// [SECTION] Documents

enum Shape { kSmallObjects, kNumberArrays, kEscapedStrings };

std::string makeDocument(Shape shape) {
  std::mt19937 engine(7);
  auto random = [&engine] { return static_cast<unsigned>(engine()); };
  std::string out;
  char buffer[128];
  switch (shape) {
    case kSmallObjects:
      out = "[";
      for (int i = 0; i < 40000; ++i) {
        std::snprintf(buffer, sizeof buffer,
                      "%s{\"id\":%d,\"name\":\"player %u\",\"score\":%u.%02u,\"active\":%s,\"tags\":[\"a\",\"bc\"]}",
                      i ? "," : "", i, random() % 100000, random() % 100000, random() % 100,
                      random() % 2 ? "true" : "false");
        out += buffer;
      }
      return out + "]";
    case kNumberArrays:
      out = "[";
      for (int row = 0; row < 300; ++row) {
        out += row ? ",[" : "[";
        for (int i = 0; i < 1000; ++i) {
          const char* format = i % 3 == 0 ? "%s%u" : i % 3 == 1 ? "%s-%u.%u" : "%s%u.%ue-%u";
          std::snprintf(buffer, sizeof buffer, format, i ? "," : "", random() % 1000000, random() % 10000,
                        random() % 20);
          out += buffer;
        }
        out += "]";
      }
      return out + "]";
    case kEscapedStrings: {
      static const char* const pieces[] = {"plain text ", "\\n", "\\\"quoted\\\"", "\\\\", "\\/", "\\u00e9",
                                           "caf\xC3\xA9 ", "\\t", "\xE2\x82\xAC", "\\ud83d\\ude00"};
      out = "[";
      for (int s = 0; s < 100; ++s) {
        out += s ? ",\"" : "\"";
        for (int i = 0; i < 3000; ++i) out += pieces[random() % std::size(pieces)];
        out += "\"";
      }
      return out + "]";
    }
  }
  return out;
}

const std::string& document(Shape shape) {
  static const std::string documents[] = {makeDocument(kSmallObjects), makeDocument(kNumberArrays),
                                          makeDocument(kEscapedStrings)};
  return documents[shape];
}

const char* shapeName(Shape shape) {
  return shape == kSmallObjects ? "small objects" : shape == kNumberArrays ? "number arrays" : "escaped strings";
}

void describe(benchmark::State& state, Shape shape, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
  state.SetLabel(shapeName(shape));
}

// [SECTION] Reading

void BM_ReadEngine(benchmark::State& state) {
  const Shape shape = static_cast<Shape>(state.range(0));
  const std::string& text = document(shape);
  json::CJSONDeserializer* deserializer = new json::CJSONDeserializer();
  std::size_t elements = 0;
  for (auto _ : state) {
    auto value = deserializer->deserialize(text);
    elements = value ? value->size() : 0;
    benchmark::DoNotOptimize(value);
  }
  deserializer->release();
  if (elements == 0) state.SkipWithError("nothing read");
  describe(state, shape, text.size());
}

void BM_ReadNlohmann(benchmark::State& state) {
  const Shape shape = static_cast<Shape>(state.range(0));
  const std::string& text = document(shape);
  std::size_t elements = 0;
  for (auto _ : state) {
    auto value = nlohmann::json::parse(text);
    elements = value.size();
    benchmark::DoNotOptimize(value);
  }
  if (elements == 0) state.SkipWithError("nothing read");
  describe(state, shape, text.size());
}

void BM_ReadRapidJSON(benchmark::State& state) {
  const Shape shape = static_cast<Shape>(state.range(0));
  const std::string& text = document(shape);
  std::size_t elements = 0;
  for (auto _ : state) {
    rapidjson::Document value;
    value.Parse(text.data(), text.size());
    elements = value.HasParseError() ? 0 : value.Size();
    benchmark::DoNotOptimize(value);
  }
  if (elements == 0) state.SkipWithError("nothing read");
  describe(state, shape, text.size());
}

// [SECTION] Writing

std::size_t engineOutputSize(Shape shape) {
  static std::size_t sizes[3] = {};
  if (sizes[shape] == 0) {
    json::CJSONDeserializer* deserializer = new json::CJSONDeserializer();
    std::string text;
    json::CJSONSerializer::appendObject(text, *deserializer->deserialize(document(shape)));
    deserializer->release();
    sizes[shape] = text.size();
  }
  return sizes[shape];
}

void BM_WriteEngine(benchmark::State& state) {
  const Shape shape = static_cast<Shape>(state.range(0));
  platform::Value value;
  {
    json::CJSONDeserializer* deserializer = new json::CJSONDeserializer();
    value = *deserializer->deserialize(document(shape));
    deserializer->release();
  }
  std::size_t size = 0;
  for (auto _ : state) {
    std::string text;
    json::CJSONSerializer::appendObject(text, value);
    size = text.size();
    benchmark::DoNotOptimize(text);
  }
  if (size == 0) state.SkipWithError("nothing written");
  describe(state, shape, engineOutputSize(shape));
}

void BM_WriteNlohmann(benchmark::State& state) {
  const Shape shape = static_cast<Shape>(state.range(0));
  const auto value = nlohmann::json::parse(document(shape));
  std::size_t size = 0;
  for (auto _ : state) {
    std::string text = value.dump();
    size = text.size();
    benchmark::DoNotOptimize(text);
  }
  if (size == 0) state.SkipWithError("nothing written");
  describe(state, shape, engineOutputSize(shape));
}

void BM_WriteRapidJSON(benchmark::State& state) {
  const Shape shape = static_cast<Shape>(state.range(0));
  rapidjson::Document value;
  value.Parse(document(shape).data(), document(shape).size());
  std::size_t size = 0;
  for (auto _ : state) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    value.Accept(writer);
    size = buffer.GetSize();
    benchmark::DoNotOptimize(buffer);
  }
  if (size == 0) state.SkipWithError("nothing written");
  describe(state, shape, engineOutputSize(shape));
}

}  // namespace

BENCHMARK(BM_ReadEngine)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadNlohmann)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRapidJSON)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteEngine)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteNlohmann)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteRapidJSON)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
