#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Platform/AppKit/NSColor.h"
#include "Platform/AppKit/NativeTextEditing.h"
#include "Platform/AppKit/NSResponder.h"
#include "Platform/QuartzCore/CGGeometry.h"

class CALayer;
class NSBitmapImageRep;
class NSCoder;
class NSLayoutConstraint;
class NSTrackingArea;
class NSViewController;
class NSWindow;

// What a view is to assistive technologies (screen readers, tests that find
// controls by role and name): the platform's accessibility roles that the
// views here take.
enum class NSAccessibilityRole {
    group,
    button,
    checkBox,
    radioButton,
    staticText,
    textField,
    secureTextField,
};

// A rectangle in a tree of views: geometry in its superview's space (y up
// unless the view is flipped), an optional backing layer, tracking areas,
// constraints for its subviews' layout, and drawing. A parent owns its
// subviews and each points back up weakly. Make views with NSView::make().
class NSView : public NSResponder, public std::enable_shared_from_this<NSView> {
public:
    static constexpr CGFloat noIntrinsicMetric = -1;

    explicit NSView(const CGRect& frame);
    // Reads "NSFrame" from the archive.
    explicit NSView(const NSCoder& coder);
    ~NSView() override;

    // Constructs the view, then runs didInit(): the steps an initialiser takes
    // after the platform's own, where calls to overridable operations reach the
    // subclass (they cannot from a C++ constructor).
    template<class T = NSView, class... Args>
    static std::shared_ptr<T> make(Args&&... args)
    {
        auto view = std::make_shared<T>(std::forward<Args>(args)...);
        static_cast<NSView&>(*view).didInit();
        return view;
    }

    const CGRect& frame() const { return m_frame; }
    virtual void setFrame(const CGRect& frame);
    void setFrameSize(CGSize size) { setFrame({m_frame.origin, size}); }
    const CGRect& bounds() const { return m_bounds; }
    virtual bool isFlipped() const { return false; }
    // The part of the bounds that the superviews do not clip away.
    CGRect visibleRect() const;

    std::shared_ptr<NSView> superview() const { return m_superview.lock(); }
    const std::vector<std::shared_ptr<NSView>>& subviews() const { return m_subviews; }
    void addSubview(const std::shared_ptr<NSView>& view);
    void removeFromSuperview();
    bool isDescendant(const NSView& ancestor) const;
    std::shared_ptr<NSWindow> window() const { return m_window.lock(); }
    std::shared_ptr<NSResponder> nextResponder() const override;

    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden);
    bool isHiddenOrHasHiddenAncestor() const;

    // Turning it on makes the backing layer (makeBackingLayer()) if there is none.
    void setWantsLayer(bool wants);
    // None until the view wants a layer.
    const std::shared_ptr<CALayer>& layer() const { return m_layer; }
    virtual std::shared_ptr<CALayer> makeBackingLayer();

    // The deepest visible view under a point given in the superview's space,
    // the view itself when none of its subviews is there, none outside it.
    virtual std::shared_ptr<NSView> hitTest(CGPoint point);
    // A point from `view`'s space (none: the window's) into this view's.
    CGPoint convert(CGPoint point, const NSView* view) const;
    CGPoint convertToWindow(CGPoint point) const;

    void addTrackingArea(const std::shared_ptr<NSTrackingArea>& area);
    const std::vector<std::shared_ptr<NSTrackingArea>>& trackingAreas() const { return m_trackingAreas; }

    void setNeedsDisplay(bool needs);
    // Draws the view's own content in the current graphics context, in the
    // view's coordinates.
    virtual void draw(const CGRect& dirtyRect);
    // The view's drawing of a part of it (with its subviews, at the media
    // clock's time) into an image.
    void cacheDisplay(const CGRect& rect, NSBitmapImageRep& image);

    // Layout. A view that does not translate its autoresizing mask is placed by
    // the constraints that name it; the others keep the frame they were given.
    bool translatesAutoresizingMaskIntoConstraints() const { return m_translatesAutoresizingMask; }
    void setTranslatesAutoresizingMaskIntoConstraints(bool translates);
    const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints() const { return m_constraints; }
    void addConstraint(const std::shared_ptr<NSLayoutConstraint>& constraint);
    void setNeedsLayout(bool needs);
    // Places the subviews of this view and of every view below it.
    void layoutSubtreeIfNeeded();
    virtual void layout();
    virtual CGSize intrinsicContentSize() const { return {noIntrinsicMetric, noIntrinsicMetric}; }

    // Whether keyboard navigation (tab, back tab) may stop here: a visible,
    // enabled view in a window that takes first responder.
    virtual bool canBecomeKeyView() const;

    // Accessibility: the role, the name a screen reader speaks (a control's
    // visible text), and the press that its default action performs.
    virtual NSAccessibilityRole accessibilityRole() const { return NSAccessibilityRole::group; }
    virtual std::string accessibilityLabel() const { return {}; }
    // False when the view has no such action.
    virtual bool accessibilityPerformPress() { return false; }
    // Its state beside the role: a disabled control takes no input, a check
    // box may be checked.
    virtual bool isAccessibilityEnabled() const { return true; }
    virtual bool isAccessibilityChecked() const { return false; }

    // Native editing: a view whose text a desktop backend may edit in an
    // entry of its own says what the entry shows; none for a view that is
    // only drawn. What the user types there comes back through
    // nativeTextDidChange().
    virtual std::optional<NativeTextEditing> nativeTextEditing() const { return std::nullopt; }
    virtual void nativeTextDidChange(const std::string&) {}

    // Key-value access to colour properties ("backgroundColor", "textColor").
    // A view type without the property reads none and refuses to be set.
    virtual std::optional<NSColor> colorValue(std::string_view key) const;
    virtual bool setColorValue(std::optional<NSColor> color, std::string_view key);
    // The same for numeric properties.
    virtual std::optional<double> numberValue(std::string_view key) const;
    virtual bool setNumberValue(double value, std::string_view key);

protected:
    virtual void didInit() {}
    bool isInitializedFromArchive() const { return m_fromArchive; }

private:
    friend class NSWindow;
    friend class NSViewController;
    void setWindow(const std::weak_ptr<NSWindow>& window);
    // The controllers of this view and the views below it hear whether the
    // views are on screen now (in a visible window).
    void noteShown(bool shown);

    // The controller whose view this is, if any.
    std::weak_ptr<NSViewController> m_viewController;

    CGRect m_frame;
    CGRect m_bounds;
    std::weak_ptr<NSView> m_superview;
    std::vector<std::shared_ptr<NSView>> m_subviews;
    std::weak_ptr<NSWindow> m_window;
    bool m_hidden = false;
    std::shared_ptr<CALayer> m_layer;
    std::vector<std::shared_ptr<NSTrackingArea>> m_trackingAreas;
    bool m_translatesAutoresizingMask = true;
    std::vector<std::shared_ptr<NSLayoutConstraint>> m_constraints;
    bool m_fromArchive = false;
};
