#pragma once
// CCMenuItemLabel: a menu item showing a label (any node with the label and
// colour protocols: CCLabelTTF, CCLabelAtlas, CCLabelBMFont).

#include "platform/Ref.h"
#include "tessera/CCMenuItem.h"
#include "tessera/CCProtocols.h"

/// A menu item showing a label (any node with the label and colour protocols:
/// CCLabelTTF, CCLabelAtlas, CCLabelBMFont).
///
/// While pressed the item zooms to 1.2 times its scale over 0.1 s and back
/// when released (a CCScaleTo tagged kCCZoomActionTag). The scale it returns
/// to is the one it had when the first zoom began, so pressing it again while
/// it is still shrinking back does not make it creep larger or smaller.
/// Disabling it shows the label in the disabled colour (126, 126, 126 by
/// default) and enabling it brings the label's own colour back. Colour and
/// opacity are the label's.
///
/// Main thread only.
class CCMenuItemLabel : public CCMenuItem, public CCRGBAProtocol {
  PLATFORM_CLASS(CCMenuItemLabel, CCMenuItem)

 public:
  // [SECTION] Creation

  /// A new autoreleased item showing `label` (a node with the label and
  /// colour protocols), calling `selector` on `target` when activated.
  /// \param label a node with the label and colour protocols (a CCLabelTTF,
  ///   CCLabelBMFont or CCLabelAtlas).
  /// \param target the object to call when the item is activated (not
  ///   retained), or nullptr.
  /// \param selector a void(CCMenuItem*) method of `target`, made with
  ///   menu_selector().
  static CCMenuItemLabel* itemWithLabel(CCNode* label, platform::Object* target, const platform::Selector& selector);
  /// \overload
  /// \param label a node with the label and colour protocols (a CCLabelTTF,
  ///   CCLabelBMFont or CCLabelAtlas).
  /// \param block the function to call with the item when it is activated.
  static CCMenuItemLabel* itemWithLabel(CCNode* label, Block block);
  /// An item without an action.
  /// \param label a node with the label and colour protocols (a CCLabelTTF,
  ///   CCLabelBMFont or CCLabelAtlas).
  static CCMenuItemLabel* itemWithLabel(CCNode* label);

  CCMenuItemLabel() = default;

  /// False (after the assertion "CCMenuItemLabel: the label must have the
  /// label and colour protocols") for a null label or one without them.
  /// \param label a node with the label and colour protocols (a CCLabelTTF,
  ///   CCLabelBMFont or CCLabelAtlas).
  /// \param target the object to call when the item is activated (not
  ///   retained), or nullptr.
  /// \param selector a void(CCMenuItem*) method of `target`, made with
  ///   menu_selector().
  virtual bool initWithLabel(CCNode* label, platform::Object* target, const platform::Selector& selector);
  /// \overload
  /// \param label a node with the label and colour protocols (a CCLabelTTF,
  ///   CCLabelBMFont or CCLabelAtlas).
  /// \param block the function to call with the item when it is activated.
  virtual bool initWithLabel(CCNode* label, Block block);

  // [SECTION] Label

  CCNode* label() const { return label_.get(); }
  /// Replaces the label child; the new one gets anchor point (0, 0) and the
  /// item takes its content size. Labels without both protocols are refused.
  void setLabel(CCNode* label);
  /// Sets the label's text and takes its new content size.
  void setString(const std::string& text);

  ccColor3B disabledColor() const { return disabledColor_; }
  void setDisabledColor(const ccColor3B& color) { disabledColor_ = color; }

  // [SECTION] Behaviour

  void activate() override;
  void selected() override;
  void unselected() override;
  void setIsEnabled(bool enabled) override;

  // [SECTION] Colour (the label's)

  void setColor(const ccColor3B& color) override;
  ccColor3B color() const override;
  GLubyte opacity() const override;
  void setOpacity(GLubyte opacity) override;

 private:
  bool initLabelItem(CCNode* label);

  platform::Ref<CCNode> label_;
  CCLabelProtocol* labelText_ = nullptr;
  CCRGBAProtocol* labelColor_ = nullptr;
  ccColor3B colorBackup_ = ccWHITE;
  ccColor3B disabledColor_ = {126, 126, 126};
  float originalScale_ = 1.0f;
};
