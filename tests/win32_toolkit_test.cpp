#include "platform/win32/win32_toolkit.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "app/form_design.h"
#include "app/frm_main.h"
#include "app/texts.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_control.h"

namespace quorvel::testing {
namespace {

// The real window, shown, with the program's own resources linked into the test program.
class Win32Window : public ::testing::Test {
  protected:
    Win32Toolkit kit{GetModuleHandleW(nullptr)};
    frmMain form{kit};

    void SetUp() override { form.show(); }

    static HWND handleOf(const std::unique_ptr<Control>& control) {
        return static_cast<Win32Control&>(*control).handle();
    }
    // Where the control lies in its container, in pixels.
    static RECT placeOf(const std::unique_ptr<Control>& control) {
        const HWND handle = handleOf(control);
        RECT place;
        GetWindowRect(handle, &place);
        MapWindowPoints(HWND_DESKTOP, GetParent(handle), reinterpret_cast<POINT*>(&place), 2);
        return place;
    }
    // A user's click, as the button or label reports it to its container.
    void click(const std::unique_ptr<Control>& control) {
        SendMessageW(handleOf(control), BM_CLICK, 0, 0);
        kit.doEvents();
    }
    // How far the caption's ink reaches when drawn with the control's font: glyphs may reach a
    // little past their measured advance.
    static int inkedWidth(const std::unique_ptr<Control>& control) {
        const HWND handle = handleOf(control);
        const std::wstring text = widened(control->text());
        const HDC screen = GetDC(handle);
        const HDC dc = CreateCompatibleDC(screen);
        const HBITMAP canvas = CreateCompatibleBitmap(screen, 600, 40);
        ReleaseDC(handle, screen);
        const HGDIOBJ oldCanvas = SelectObject(dc, canvas);
        const HGDIOBJ oldFont =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(handle, WM_GETFONT, 0, 0)));
        RECT all{0, 0, 600, 40};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        TextOutW(dc, 0, 0, text.c_str(), static_cast<int>(text.size()));
        int width = 0;
        for (int x = 0; x < all.right; ++x) {
            for (int y = 0; y < all.bottom; ++y) {
                if (GetPixel(dc, x, y) != RGB(255, 255, 255)) width = x + 1;
            }
        }
        SelectObject(dc, oldFont);
        SelectObject(dc, oldCanvas);
        DeleteObject(canvas);
        DeleteDC(dc);
        return width;
    }
};

TEST_F(Win32Window, ControlsLieWhereTheDesignPutsThemAtTheSystemsDpi) {
    RECT client;
    GetClientRect(static_cast<HWND>(kit.windowHandle()), &client);
    EXPECT_EQ(client.right, kit.pixels(mainWindowDesign().clientWidth));
    EXPECT_EQ(client.bottom, kit.pixels(mainWindowDesign().clientHeight));
    for (const auto* control : {&form.Frame1, &form.Text3, &form.cmd_Open, &form.cmd_Split,
                                &form.Text1, &form.Opt2, &form.Check1, &form.Label4, &form.sp}) {
        const auto& design = static_cast<Win32Control&>(**control).design();
        const RECT place = placeOf(*control);
        EXPECT_EQ(place.left, kit.pixels(design.left)) << design.name;
        EXPECT_EQ(place.top, kit.pixels(design.top)) << design.name;
        // A label may grow to the right to show its whole caption.
        if (design.kind == ControlKind::Label) {
            EXPECT_GE(place.right - place.left, kit.pixels(design.width)) << design.name;
        } else {
            EXPECT_EQ(place.right - place.left, kit.pixels(design.width)) << design.name;
        }
        EXPECT_EQ(place.bottom - place.top, kit.pixels(design.height)) << design.name;
        EXPECT_EQ(GetParent(handleOf(*control)) == handleOf(form.Frame1), design.inFrame)
            << design.name;
    }
}

TEST_F(Win32Window, TheFocusStartsInTheCountFieldAndLeavesTheFrameWhileItIsDisabled) {
    EXPECT_EQ(GetFocus(), handleOf(form.Text3));
    form.Frame1->setEnabled(false);
    EXPECT_FALSE(form.Frame1->enabled());
    EXPECT_NE(GetFocus(), handleOf(form.Text3));
    // Keys typed now reach no input of the frame.
    SendMessageW(GetFocus(), WM_CHAR, L'7', 0);
    EXPECT_EQ(form.Text3->text(), "2");
    form.Frame1->setEnabled(true);
    EXPECT_EQ(GetFocus(), handleOf(form.Text3));
}

TEST_F(Win32Window, ClicksReachTheHandlersAndModeCaptionsShowWhole) {
    click(form.Opt2);
    EXPECT_EQ(form.Opt2->value(), 1);
    EXPECT_EQ(form.Opt1->value(), 0);
    EXPECT_EQ(form.Label1->text(), "Select the first one from the splitted files:");
    EXPECT_EQ(form.cmd_Split->toolTip(), "Start Joint");
    EXPECT_FALSE(form.Text3->visible());
    EXPECT_TRUE(form.Check1->visible());
    for (const auto* label : {&form.Label1, &form.Label2}) {
        const RECT place = placeOf(*label);
        EXPECT_GE(place.right - place.left, inkedWidth(*label)) << (*label)->text();
    }
    click(form.Check1);
    EXPECT_EQ(form.Check1->value(), 1);
    click(form.Opt1);
    EXPECT_EQ(form.Opt1->value(), 1);
    EXPECT_EQ(form.Label1->text(), "Select a source file to split(any type):");
}

TEST_F(Win32Window, TextsBeyondAsciiAndTheBarsWidthReadBackAsSet) {
    const std::string path =
        "C:\\donn\xC3\xA9"
        "es\\\xE6\x96\x87 \xE2\x82\xAC.bin";
    form.Text1->setText(path);
    EXPECT_EQ(form.Text1->text(), path);
    form.sp->setWidth(1725.5f);
    EXPECT_EQ(form.sp->width(), 1725.5f);
    EXPECT_EQ(placeOf(form.sp).right - placeOf(form.sp).left, kit.pixels(1725.5));
    form.sp->setWidth(1.0f);
    EXPECT_EQ(placeOf(form.sp).right - placeOf(form.sp).left, 1);  // still seen
}

TEST_F(Win32Window, ClosingTheWindowIsSeenAtTheNextYield) {
    EXPECT_FALSE(kit.windowClosed());
    PostMessageW(static_cast<HWND>(kit.windowHandle()), WM_CLOSE, 0, 0);
    kit.doEvents();
    EXPECT_TRUE(kit.windowClosed());
    EXPECT_FALSE(IsWindowVisible(static_cast<HWND>(kit.windowHandle())));
    EXPECT_EQ(kit.run(), 0);  // the loop ends at once
}

}  // namespace
}  // namespace quorvel::testing
