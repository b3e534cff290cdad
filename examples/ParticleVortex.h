#pragma once
// A radius-mode vortex of textured quads configured by a property list held
// here (the same keys a particle editor writes), shared by the particles
// example and the demo browser. It uses "fire.png" from the shared resources.

#include "platform/PropertyList.h"
#include "platform/Ref.h"
#include "tessera/CCParticleSystemQuad.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// A blue vortex: particles start on a circle of 120 points and spiral in to
// the centre over their life, turning 180 degrees a second.
inline constexpr std::string_view kVortex = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0">
<dict>
  <key>maxParticles</key><integer>300</integer>
  <key>emitterType</key><integer>1</integer>
  <key>duration</key><real>-1</real>
  <key>particleLifespan</key><real>2</real>
  <key>particleLifespanVariance</key><real>0.5</real>
  <key>angle</key><real>0</real>
  <key>angleVariance</key><real>360</real>
  <key>maxRadius</key><real>120</real>
  <key>maxRadiusVariance</key><real>10</real>
  <key>minRadius</key><real>0</real>
  <key>rotatePerSecond</key><real>180</real>
  <key>rotatePerSecondVariance</key><real>20</real>
  <key>startParticleSize</key><real>24</real>
  <key>startParticleSizeVariance</key><real>8</real>
  <key>finishParticleSize</key><real>4</real>
  <key>finishParticleSizeVariance</key><real>0</real>
  <key>startColorRed</key><real>0.2</real>
  <key>startColorGreen</key><real>0.4</real>
  <key>startColorBlue</key><real>1</real>
  <key>startColorAlpha</key><real>1</real>
  <key>startColorVarianceRed</key><real>0</real>
  <key>startColorVarianceGreen</key><real>0.2</real>
  <key>startColorVarianceBlue</key><real>0</real>
  <key>startColorVarianceAlpha</key><real>0</real>
  <key>finishColorRed</key><real>0.6</real>
  <key>finishColorGreen</key><real>0.9</real>
  <key>finishColorBlue</key><real>1</real>
  <key>finishColorAlpha</key><real>0</real>
  <key>sourcePositionx</key><real>160</real>
  <key>sourcePositiony</key><real>330</real>
  <key>sourcePositionVariancex</key><real>0</real>
  <key>sourcePositionVariancey</key><real>0</real>
  <key>blendFuncSource</key><integer>770</integer>
  <key>blendFuncDestination</key><integer>1</integer>
  <key>textureFileName</key><string>fire.png</string>
</dict>
</plist>
)";

/// The vortex centred at (160, 330), autoreleased; nullptr if it cannot be read.
inline CCParticleSystemQuad* vortexFromPropertyList() {
  const std::optional<platform::Value> list = platform::readPropertyListData(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(kVortex.data()), kVortex.size()));
  if (!list) return nullptr;
  return platform::createAutoreleased<CCParticleSystemQuad>(
      [&](CCParticleSystemQuad& system) { return system.initWithDictionary(*list); });
}
