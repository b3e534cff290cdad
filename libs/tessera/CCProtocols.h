#pragma once
// Protocols shared by labels, sprites and atlas nodes. They carry no data; a
// class adopts one by deriving from it beside its node base.

#include <string>

/// A node that shows a string: labels of every kind.
class CCLabelProtocol {
 public:
  /// Replaces the text (UTF-8); the label lays itself out again.
  virtual void setString(const std::string& text) = 0;
  /// The current text (UTF-8).
  virtual std::string string() const = 0;

 protected:
  ~CCLabelProtocol() = default;
};
