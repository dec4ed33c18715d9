#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quorvel {

// What a toolkit needs to build one control. Positions and sizes are in twips (15 to a pixel at
// 96 dots per inch); controls in the frame are placed relative to it.
enum class ControlKind { Frame, TextBox, Label, PictureButton, OptionButton, CheckBox, Shape };
enum class Picture { None, OpenFolder, FloppyDisk, Scissors };

struct Color {
    std::uint8_t red, green, blue;
};

struct Font {
    const char* face;
    float points;
};

struct ControlDesign {
    const char* name;
    ControlKind kind;
    bool inFrame;
    int left, top, width, height;
    const char* text = "";  // the caption, or a text box's text
    const char* toolTip = "";
    // What a screen reader calls a control that shows no caption of its own; a picture button
    // without one is called by its tool-tip, a field by the caption of the label `labelledBy`.
    const char* accessibleName = "";
    const char* labelledBy = "";
    Font font{"Arial", 9.0f};
    std::optional<Color> backColor = {};
    std::optional<Color> foreColor = {};
    Picture picture = Picture::None;
    bool visible = true;
    bool locked = false;      // a text box that takes no typing
    bool selected = false;    // an option button pressed in at start
    bool handCursor = false;  // a label used as a link: it takes the focus and Enter or Space
};

struct WindowDesign {
    const char* caption;
    int clientWidth, clientHeight;
    Font font;
};

// A control of the window as the program sees it, whatever draws it. Text is a caption for
// labels, option buttons and check boxes; value is 1 for a selected option or a ticked check box;
// width is the shape's width in twips. Properties a kind does not have are kept but not shown.
class Control {
public:
    virtual ~Control() = default;

    virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;
    virtual bool visible() const = 0;
    virtual void setVisible(bool visible) = 0;
    virtual bool enabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual std::string toolTip() const = 0;
    virtual void setToolTip(const std::string& tip) = 0;
    virtual int value() const = 0;
    virtual void setValue(int value) = 0;
    virtual float width() const = 0;
    virtual void setWidth(float width) = 0;
    virtual void setFocus() = 0;

    // Never shown: a place for the program's own text.
    std::string tag;
    // Called by the toolkit when the user clicks the control.
    std::function<void()> onClick;
};

}  // namespace quorvel
