#pragma once
// The layer model. System and view code mutate model layers; at the end of
// each run-loop turn a commit (see Transaction.h) copies every changed
// layer's model into its committed state, which is what the screen shows and
// what the renderer reads. Animations are evaluated by readers at a time t
// (presentationAt); no code runs per frame.
//
// Ownership: layers are held by std::shared_ptr; a layer holds its
// sublayers and its mask strongly and its superlayer by a raw back pointer.
// A layer is in at most one place: adding it as a sublayer removes it from
// its previous superlayer or mask owner; making it a mask removes it from its
// superlayer. Layers do not animate implicitly; only a delegate (a view
// inside an animation block) turns property changes into animations.
//
// Geometry: frame = the bounding box of bounds, transformed (affine part of
// the 3-D transform) about the anchor point and placed with the anchor at
// position. Setting the frame keeps the transform: the bounds size is solved
// through the transform's linear part (exact for translations, scales and
// quarter turns) and the position moved so that the new box lands at the
// frame's origin.

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "quartz/Animation.h"
#include "quartz/Color.h"
#include "quartz/DisplayList.h"
#include "quartz/Geometry.h"
#include "quartz/Image.h"
#include "quartz/Path.h"

namespace quartz {

enum class LayerKind { Plain, Gradient, Shape };

// How contents are placed in the bounds (default Resize: stretch to fill).
enum class ContentsGravity { Resize, ResizeAspect, ResizeAspectFill, Center, Top, Bottom, Left, Right };

// Every property of a layer as plain data: the model, the committed state and
// a presentation at time t all have this shape. Gradient and shape fields are
// meaningful only for layers of that kind.
struct LayerState {
  LayerKind kind = LayerKind::Plain;
  Rect bounds;
  Point position;
  Point anchorPoint{0.5, 0.5};
  Transform3D transform;
  double opacity = 1;
  bool hidden = false;
  Color backgroundColor = Color::clear();
  double cornerRadius = 0;
  bool masksToBounds = false;
  double borderWidth = 0;
  Color borderColor = Color::black();
  Color shadowColor = Color::black();
  double shadowOpacity = 0;
  double shadowRadius = 3;
  Size shadowOffset{0, -3};
  std::shared_ptr<const Image> contents;
  Rect contentsRect{0, 0, 1, 1};  // unit coordinates of the image
  ContentsGravity contentsGravity = ContentsGravity::Resize;
  // Flips the layer's content and sublayers vertically within its bounds
  // (y up from the bottom edge).
  bool geometryFlipped = false;
  std::shared_ptr<const DisplayList> displayList;  // recorded custom drawing, in bounds space

  // Gradient layers: colours at locations (empty = evenly spaced) along the
  // line from startPoint to endPoint, both in unit coordinates of the bounds.
  std::vector<Color> colors;
  std::vector<double> locations;
  Point startPoint{0.5, 0};
  Point endPoint{0.5, 1};

  // Shape layers: the path in bounds space, filled (non-zero or even-odd)
  // and stroked between strokeStart and strokeEnd (fractions of its length).
  std::shared_ptr<const Path> path;
  Color fillColor = Color::black();
  Color strokeColor = Color::clear();
  bool fillRuleEvenOdd = false;
  double lineWidth = 1;
  LineJoin lineJoin = LineJoin::Miter;
  LineCap lineCap = LineCap::Butt;
  double miterLimit = 10;
  double strokeStart = 0;
  double strokeEnd = 1;

  Rect frame() const;
  // Maps a point of the layer's bounds space into its superlayer's space.
  AffineTransform transformToSuperlayer() const;
  // Images, paths and drawings compare by identity.
  bool operator==(const LayerState&) const = default;
};

// Reads and writes a property by key path on plain state: "position",
// "bounds" (and ".origin" - how a scroll view scrolls - and ".size"), "opacity", "transform", "transform.scale" (and ".x"/".y"),
// "transform.rotation" (about z), "backgroundColor", "cornerRadius",
// "borderWidth", "borderColor", "shadowOpacity", "colors", "locations" is not
// animatable, "startPoint", "endPoint", "strokeStart", "strokeEnd",
// "lineWidth", "strokeColor", "fillColor", "contentsRect".
// transform.scale and transform.rotation read from and write into the
// decomposition of the current transform, keeping its other parts.
std::optional<AnimationValue> valueForKeyPath(const LayerState& state, std::string_view keyPath);
bool setValueForKeyPath(LayerState& state, std::string_view keyPath, const AnimationValue& value);

struct KeyedAnimation {
  std::string key;
  std::shared_ptr<const Animation> animation;
};

// Applies animations, in order, to a state at time t (each non-additive:
// it replaces what is under it). Animations not yet stamped by a commit are
// treated as beginning at `uncommittedBegin`.
LayerState applyAnimations(LayerState state, const std::vector<KeyedAnimation>& animations, double t,
                           double uncommittedBegin = 0);

class Layer;

// What the screen shows for one layer, as of the last commit. Read-only for
// everyone but the commit. Serials come from one process-wide counter that
// grows with each commit, so a reader can remember one and compare:
//  - serial changes whenever anything in this state changes;
//  - contentSerial changes only when what the layer draws inside its bounds
//    changes (kind, bounds, contents, contentsRect, gravity, geometryFlipped,
//    displayList, gradient fields, shape fields); moving, transforming,
//    fading, hiding or restyling the border/background/shadow does not;
//  - treeSerial is the largest serial in this layer's subtree (sublayers and
//    mask included, and changes of the sublayer list);
//  - treeContentSerial is the largest contentSerial in that subtree: it
//    stays when the subtree only moved, faded or restyled (a displayed text
//    changing changes it; a label scrolling does not);
//  - animationsSettle / treeAnimationsSettle: the time from which this
//    layer's (subtree's) animations no longer change what is shown
//    (infinity while any runs for ever; -infinity when there are none). A
//    sublayer that shows nothing at any time (hidden or transparent with no
//    animation of that, or masked by such a layer) adds nothing to its
//    parent's treeAnimationsSettle.
// So a frame at time t is identical to the one rendered at t0 when
// treeSerial is unchanged and both t0 and t are >= treeAnimationsSettle.
struct CommittedLayer {
  LayerState state;
  std::vector<std::shared_ptr<Layer>> sublayers;  // read their committed() in turn
  std::shared_ptr<Layer> mask;
  std::vector<KeyedAnimation> animations;
  std::uint64_t serial = 0;
  std::uint64_t contentSerial = 0;
  std::uint64_t treeSerial = 0;
  std::uint64_t treeContentSerial = 0;
  double animationsSettle = -std::numeric_limits<double>::infinity();
  double treeAnimationsSettle = -std::numeric_limits<double>::infinity();
};

// The presentation of a committed layer at time t.
LayerState presentationAt(const CommittedLayer& committed, double t);

// Views implement this to turn property changes into animations (inside
// animation blocks) and to draw their content before a commit.
class LayerDelegate {
 public:
  virtual ~LayerDelegate() = default;
  // Asked before a property of key `key` ("position", "bounds", "opacity",
  // "transform", "backgroundColor") changes; `from` is the presentation value
  // now. A returned animation is added under `key` after the change, with
  // its missing toValue meaning the new model value.
  virtual std::unique_ptr<Animation> actionForLayer(const Layer& layer, std::string_view key,
                                                    const AnimationValue& from) = 0;
};

class Layer : public std::enable_shared_from_this<Layer> {
 public:
  Layer();
  virtual ~Layer();
  Layer(const Layer&) = delete;
  Layer& operator=(const Layer&) = delete;
  static std::shared_ptr<Layer> layer() { return std::make_shared<Layer>(); }

  virtual std::string className() const { return "Layer"; }
  LayerKind kind() const { return model_.kind; }

  // Geometry.
  Rect bounds() const { return model_.bounds; }
  void setBounds(const Rect& r);
  Point position() const { return model_.position; }
  void setPosition(Point p);
  Point anchorPoint() const { return model_.anchorPoint; }
  void setAnchorPoint(Point p);
  Rect frame() const { return model_.frame(); }
  void setFrame(const Rect& r);
  Transform3D transform() const { return model_.transform; }
  void setTransform(const Transform3D& t);
  AffineTransform affineTransform() const { return model_.transform.affine(); }
  void setAffineTransform(const AffineTransform& t) { setTransform(Transform3D::fromAffine(t)); }
  bool isGeometryFlipped() const { return model_.geometryFlipped; }
  void setGeometryFlipped(bool f);

  // Appearance.
  double opacity() const { return model_.opacity; }
  void setOpacity(double o);
  bool isHidden() const { return model_.hidden; }
  void setHidden(bool h);
  Color backgroundColor() const { return model_.backgroundColor; }
  void setBackgroundColor(const Color& c);
  double cornerRadius() const { return model_.cornerRadius; }
  void setCornerRadius(double r);
  bool masksToBounds() const { return model_.masksToBounds; }
  void setMasksToBounds(bool m);
  double borderWidth() const { return model_.borderWidth; }
  void setBorderWidth(double w);
  Color borderColor() const { return model_.borderColor; }
  void setBorderColor(const Color& c);
  Color shadowColor() const { return model_.shadowColor; }
  void setShadowColor(const Color& c);
  double shadowOpacity() const { return model_.shadowOpacity; }
  void setShadowOpacity(double o);
  double shadowRadius() const { return model_.shadowRadius; }
  void setShadowRadius(double r);
  Size shadowOffset() const { return model_.shadowOffset; }
  void setShadowOffset(Size s);

  // Content.
  const std::shared_ptr<const Image>& contents() const { return model_.contents; }
  void setContents(std::shared_ptr<const Image> image);
  Rect contentsRect() const { return model_.contentsRect; }
  void setContentsRect(const Rect& r);
  ContentsGravity contentsGravity() const { return model_.contentsGravity; }
  void setContentsGravity(ContentsGravity g);
  const std::shared_ptr<const DisplayList>& displayList() const { return model_.displayList; }
  void setDisplayList(std::shared_ptr<const DisplayList> list);  // null or empty: draws nothing

  // Tree.
  Layer* superlayer() const { return superlayer_; }
  const std::vector<std::shared_ptr<Layer>>& sublayers() const { return sublayers_; }
  void addSublayer(std::shared_ptr<Layer> layer);             // on top
  void insertSublayer(std::shared_ptr<Layer> layer, std::size_t index);  // clamped
  void insertSublayerBelow(std::shared_ptr<Layer> layer, const Layer* sibling);  // not a sibling: on top
  void insertSublayerAbove(std::shared_ptr<Layer> layer, const Layer* sibling);
  void removeFromSuperlayer();
  bool containsSublayer(const Layer* layer) const;
  const std::shared_ptr<Layer>& mask() const { return mask_; }
  void setMask(std::shared_ptr<Layer> mask);
  Layer* maskOwner() const { return maskOwner_; }  // the layer this one masks

  // Animations, in the order added. Adding under an existing key replaces
  // that animation (its stop handler runs with finished = false); an empty
  // key gets a unique generated one.
  void addAnimation(const Animation& animation, std::string key);
  std::vector<std::string> animationKeys() const;
  std::shared_ptr<const Animation> animationForKey(std::string_view key) const;
  void removeAnimationForKey(std::string_view key);
  void removeAllAnimations();
  const std::vector<KeyedAnimation>& animations() const { return animations_; }

  // The model as plain data, and the model with its animations applied at t
  // (uncommitted animations count as beginning at t).
  const LayerState& model() const { return model_; }
  LayerState presentationAt(double t) const;

  // The last committed state (what the screen shows).
  const CommittedLayer& committed() const { return committed_; }
  // True when the model changed since the last commit.
  bool needsCommit() const { return dirty_; }

  LayerDelegate* delegate() const { return delegate_; }
  void setDelegate(LayerDelegate* d) { delegate_ = d; }

  // Generic access by key path (see valueForKeyPath); setting goes through
  // the same change tracking and delegate actions as the setters.
  std::optional<AnimationValue> valueForKey(std::string_view keyPath) const { return valueForKeyPath(model_, keyPath); }
  bool setValueForKey(std::string_view keyPath, const AnimationValue& value);

 protected:
  // For subclasses: marks the model changed (content = affects contentSerial).
  void markChanged(bool content);
  LayerState& mutableModel() { return model_; }
  // Delegate actions around a change of `key`: take the presentation value
  // before changing the model, then run the action after.
  std::optional<AnimationValue> actionFromValue(std::string_view key) const;
  void runAction(std::string_view key, const std::optional<AnimationValue>& from);

 private:
  friend class Transaction;
  friend struct CommitAccess;
  LayerState model_;
  Layer* superlayer_ = nullptr;
  Layer* maskOwner_ = nullptr;
  std::vector<std::shared_ptr<Layer>> sublayers_;
  std::shared_ptr<Layer> mask_;
  std::vector<KeyedAnimation> animations_;
  std::vector<std::shared_ptr<Animation>> unstamped_;  // added since the last commit
  CommittedLayer committed_;
  LayerDelegate* delegate_ = nullptr;
  bool dirty_ = false;
  bool contentDirty_ = false;
  // The last commit whose subtree pass already took this layer in.
  std::uint64_t aggregatedIn_ = 0;
  bool treeDirty_ = false;
  void detachFromParent();
  void stopAnimation(const KeyedAnimation& removed);
};

}  // namespace quartz
