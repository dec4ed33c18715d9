#include "app/form_design.h"

#include <array>

namespace quorvel {
namespace {

constexpr Font sansSerif{"MS Sans Serif", 8.25f};
constexpr Color lightYellow{255, 255, 192};
constexpr Color lightGreen{192, 255, 192};
constexpr Color blue{0, 0, 255};

using enum ControlKind;

// Frame1 leads so that the controls in it have their container; tab order follows the rest.
constexpr std::array controls{
    ControlDesign{.name = "Frame1", .kind = Frame, .inFrame = false,
                  .left = 120, .top = 0, .width = 5175, .height = 2775, .font = sansSerif},
    ControlDesign{.name = "Text3", .kind = TextBox, .inFrame = true,
                  .left = 2520, .top = 2040, .width = 615, .height = 405, .text = "2",
                  .labelledBy = "Label3", .font = sansSerif, .backColor = lightYellow},
    ControlDesign{.name = "cmd_Open", .kind = PictureButton, .inFrame = true,
                  .left = 3840, .top = 480, .width = 450, .height = 420,
                  .accessibleName = "Choose the file to split or the first piece",
                  .picture = Picture::OpenFolder},
    ControlDesign{.name = "cmd_Save", .kind = PictureButton, .inFrame = true,
                  .left = 3840, .top = 1320, .width = 450, .height = 420,
                  .accessibleName = "Choose the destination folder", .picture = Picture::FloppyDisk},
    ControlDesign{.name = "cmd_Split", .kind = PictureButton, .inFrame = true,
                  .left = 3360, .top = 1800, .width = 915, .height = 855,
                  .toolTip = "Start Split", .picture = Picture::Scissors},
    ControlDesign{.name = "Text1", .kind = TextBox, .inFrame = true,
                  .left = 120, .top = 480, .width = 3735, .height = 375,
                  .labelledBy = "Label1", .font = sansSerif, .backColor = lightGreen, .locked = true},
    ControlDesign{.name = "Label1", .kind = Label, .inFrame = true,
                  .left = 120, .top = 240, .width = 3015, .height = 225,
                  .text = "Select a source file to split (any type):"},
    ControlDesign{.name = "Label2", .kind = Label, .inFrame = true,
                  .left = 120, .top = 1080, .width = 2730, .height = 225,
                  .text = "Select a path to save splited files:"},
    ControlDesign{.name = "Text2", .kind = TextBox, .inFrame = true,
                  .left = 120, .top = 1320, .width = 3735, .height = 375,
                  .labelledBy = "Label2", .font = sansSerif, .backColor = lightGreen, .locked = true},
    ControlDesign{.name = "Label3", .kind = Label, .inFrame = true,
                  .left = 360, .top = 2040, .width = 2145, .height = 225,
                  .text = "How many parts to split?"},
    ControlDesign{.name = "Opt1", .kind = OptionButton, .inFrame = true,
                  .left = 4440, .top = 240, .width = 615, .height = 1095, .text = "Split File",
                  .foreColor = blue, .selected = true},
    ControlDesign{.name = "Opt2", .kind = OptionButton, .inFrame = true,
                  .left = 4440, .top = 1560, .width = 615, .height = 1095, .text = "Joint File",
                  .font = sansSerif, .foreColor = blue},
    ControlDesign{.name = "Check1", .kind = CheckBox, .inFrame = true,
                  .left = 120, .top = 2040, .width = 3135, .height = 495,
                  .text = "Delete splited files after file joint completed.", .visible = false},
    ControlDesign{.name = "Label4", .kind = Label, .inFrame = false,
                  .left = 4080, .top = 3000, .width = 1170, .height = 225, .text = "Check Update",
                  .toolTip = "Check latest version.", .foreColor = blue, .handCursor = true},
    ControlDesign{.name = "sp", .kind = Shape, .inFrame = false,
                  .left = 120, .top = 2760, .width = 5175, .height = 135,
                  .backColor = barFillColor, .foreColor = barBorderColor, .visible = false},
};

constexpr WindowDesign window{
    .caption = "Quorvel v1.0 - www.quorvel.example",
    .clientWidth = 5400,
    .clientHeight = 3315,
    .font = {"Arial", 9.0f},
};

}  // namespace

const WindowDesign& mainWindowDesign() { return window; }

std::span<const ControlDesign> mainWindowControls() { return controls; }

}  // namespace quorvel
