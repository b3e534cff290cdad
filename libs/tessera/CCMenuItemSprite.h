#pragma once
// CCMenuItemSprite: a menu item showing one of three images (nodes with the
// colour protocol, usually sprites): the normal image, the selected image
// while pressed and the disabled image while disabled. The images are
// children with anchor point (0, 0); the item takes the normal image's
// content size.

#include "platform/Ref.h"
#include "tessera/CCMenuItem.h"
#include "tessera/CCProtocols.h"

/// A menu item showing one of three images (nodes with the colour protocol,
/// usually sprites): the normal image, the selected image while pressed and the
/// disabled image while disabled. The images are children with anchor point (0,
/// 0); the item takes the normal image's content size.
///
/// Exactly one image is visible: the disabled image when the item is disabled
/// and has one, else the selected image when the item is selected and has
/// one, else the normal image. Setting an image applies that rule at once, so
/// a new item shows only its normal image.
///
/// Colour and opacity go to all three images; they are read from the normal
/// image.
///
/// Main thread only.
class CCMenuItemSprite : public CCMenuItem, public CCRGBAProtocol {
  PLATFORM_CLASS(CCMenuItemSprite, CCMenuItem)

 public:
  // [SECTION] Creation (the selected and disabled images may be null)

  /// A new autoreleased item showing `normal`, or `selected` while pressed.
  /// \param normal the node shown normally; it needs the colour protocol.
  /// \param selected the node shown while pressed, or nullptr.
  static CCMenuItemSprite* itemFromNormalSprite(CCNode* normal, CCNode* selected);
  /// A new autoreleased item showing `normal`, or `selected` while pressed.
  /// \param normal the node shown normally; it needs the colour protocol.
  /// \param selected the node shown while pressed, or nullptr.
  /// \param target the object to call when the item is activated (not
  ///   retained), or nullptr.
  /// \param selector a void(CCMenuItem*) method of `target`, made with
  ///   menu_selector().
  static CCMenuItemSprite* itemFromNormalSprite(CCNode* normal, CCNode* selected, platform::Object* target,
                                                const platform::Selector& selector);
  /// A new autoreleased item showing `normal`, or `selected` while pressed.
  /// \param normal the node shown normally; it needs the colour protocol.
  /// \param selected the node shown while pressed, or nullptr.
  /// \param disabled the node shown while disabled, or nullptr.
  static CCMenuItemSprite* itemFromNormalSprite(CCNode* normal, CCNode* selected, CCNode* disabled);
  /// A new autoreleased item showing `normal`, or `selected` while pressed.
  /// \param normal the node shown normally; it needs the colour protocol.
  /// \param selected the node shown while pressed, or nullptr.
  /// \param disabled the node shown while disabled, or nullptr.
  /// \param target the object to call when the item is activated (not
  ///   retained), or nullptr.
  /// \param selector a void(CCMenuItem*) method of `target`, made with
  ///   menu_selector().
  static CCMenuItemSprite* itemFromNormalSprite(CCNode* normal, CCNode* selected, CCNode* disabled,
                                                platform::Object* target, const platform::Selector& selector);
  /// A new autoreleased item showing `normal`, or `selected` while pressed.
  /// \param normal the node shown normally; it needs the colour protocol.
  /// \param selected the node shown while pressed, or nullptr.
  /// \param block the function to call with the item when it is activated.
  static CCMenuItemSprite* itemFromNormalSprite(CCNode* normal, CCNode* selected, Block block);
  /// A new autoreleased item showing `normal`, or `selected` while pressed.
  /// \param normal the node shown normally; it needs the colour protocol.
  /// \param selected the node shown while pressed, or nullptr.
  /// \param disabled the node shown while disabled, or nullptr.
  /// \param block the function to call with the item when it is activated.
  static CCMenuItemSprite* itemFromNormalSprite(CCNode* normal, CCNode* selected, CCNode* disabled, Block block);

  CCMenuItemSprite() = default;

  /// False (after the assertion "CCMenuItemSprite: the normal image must be
  /// a node with the colour protocol") without a normal image.
  /// \param normal the node shown normally; it needs the colour protocol.
  /// \param selected the node shown while pressed, or nullptr.
  /// \param disabled the node shown while disabled, or nullptr.
  /// \param target the object to call when the item is activated (not
  ///   retained), or nullptr.
  /// \param selector a void(CCMenuItem*) method of `target`, made with
  ///   menu_selector().
  virtual bool initFromNormalSprite(CCNode* normal, CCNode* selected, CCNode* disabled, platform::Object* target,
                                    const platform::Selector& selector);
  /// \overload
  /// \param normal the node shown normally; it needs the colour protocol.
  /// \param selected the node shown while pressed, or nullptr.
  /// \param disabled the node shown while disabled, or nullptr.
  /// \param block the function to call with the item when it is activated.
  virtual bool initFromNormalSprite(CCNode* normal, CCNode* selected, CCNode* disabled, Block block);

  // [SECTION] Images

  CCNode* normalImage() const { return normalImage_.get(); }
  CCNode* selectedImage() const { return selectedImage_.get(); }
  CCNode* disabledImage() const { return disabledImage_.get(); }
  /// Each replaces its image child (nodes without the colour protocol are
  /// refused; the selected and disabled images may be null).
  void setNormalImage(CCNode* image);
  void setSelectedImage(CCNode* image);
  void setDisabledImage(CCNode* image);

  // [SECTION] Behaviour

  void selected() override;
  void unselected() override;
  void setIsEnabled(bool enabled) override;

  // [SECTION] Colour

  void setColor(const ccColor3B& color) override;
  ccColor3B color() const override;
  GLubyte opacity() const override;
  void setOpacity(GLubyte opacity) override;

 protected:
  bool initImages(CCNode* normal, CCNode* selected, CCNode* disabled);

 private:
  void replaceImage(platform::Ref<CCNode>& slot, CCNode* image);
  void updateImagesVisibility();

  platform::Ref<CCNode> normalImage_;
  platform::Ref<CCNode> selectedImage_;
  platform::Ref<CCNode> disabledImage_;
};
