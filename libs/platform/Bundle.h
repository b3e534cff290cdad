#pragma once
// The application bundle: the folder that holds the application's resources.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

/// The application bundle: the folder that holds the application's resources.
///
/// Implemented features:
///  [x] resource folder from the facts, else beside the program, else the
///      current folder; lookup by name, type and sub-folder.
/// Missing features:
///  [ ] no localised sub-folders and no bundle information dictionary.
class Bundle {
 public:
  /// The application's bundle. Lives for the whole process.
  static Bundle& mainBundle();

  /// The resource folder, decided at each call so tests can change the
  /// facts: facts().resourceDir when set; else `<program folder>/Resources`
  /// or `<program folder>/../share/umbrascope/Resources`, the first that is a
  /// folder; else the current folder.
  std::string resourcePath() const;

  /// The path resource folder/`directory`/`name`.`type` when something exists
  /// there.
  /// An empty `type` adds no extension (`name` may carry its own); an empty
  /// `directory` looks in the resource folder itself. Nothing when the name is
  /// empty or nothing exists at that path.
  std::optional<std::string> pathForResource(std::string_view name, std::string_view type,
                                             std::string_view directory = {}) const;

 private:
  Bundle() = default;
};

}  // namespace platform
