#include "platform/win32/win32_toolkit.h"

#include <gtest/gtest.h>
#include <oleacc.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <vector>

#include "app/form_design.h"
#include "app/frm_main.h"
#include "app/texts.h"
#include "platform/legible_color.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_control.h"

namespace quorvel::testing {
namespace {

// The message box the program shows, read and closed from a timer of its own modal loop.
struct SeenBox {
    std::string text;
    RECT place{};
    bool seen = false;
};
SeenBox seenBox;

BOOL CALLBACK readAndCloseIfBox(HWND window, LPARAM) {
    wchar_t kind[16] = {};
    GetClassNameW(window, kind, 16);
    if (std::wstring(kind) != L"#32770" || !IsWindowVisible(window)) return TRUE;
    seenBox.text = windowText(GetDlgItem(window, 0xFFFF));
    GetWindowRect(window, &seenBox.place);
    seenBox.seen = true;
    PostMessageW(window, WM_COMMAND, IDOK, 0);
    return FALSE;
}

void CALLBACK readAndCloseBox(HWND, UINT, UINT_PTR timer, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), readAndCloseIfBox, 0);
    if (seenBox.seen) KillTimer(nullptr, timer);
}

Color colorOf(COLORREF color) {
    return {GetRValue(color), GetGValue(color), GetBValue(color)};
}

// COM on the window's thread, as the program starts it.
struct ComApartment {
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { CoUninitialize(); }
};

// The real window, shown, with the program's own resources linked into the test program.
class Win32Window : public ::testing::Test {
  protected:
    ComApartment com;
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
    // A key pressed and let go on the focused control.
    void press(UINT key) {
        const HWND focus = GetFocus();
        PostMessageW(focus, WM_KEYDOWN, key, 1);
        PostMessageW(focus, WM_KEYUP, key, 1 | (3u << 30));
        kit.doEvents();
    }
    static COLORREF pixel(const std::unique_ptr<Control>& control, int x, int y) {
        const HWND handle = handleOf(control);
        RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
        const HDC dc = GetDC(handle);
        const COLORREF color = GetPixel(dc, x, y);
        ReleaseDC(handle, dc);
        return color;
    }
    static RECT sizeOf(const std::unique_ptr<Control>& control) {
        RECT place;
        GetClientRect(handleOf(control), &place);
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

// Screen readers read a picture button's window text (never drawn) and name a field by the label
// just before it; the link is a tab stop after the options.
TEST_F(Win32Window, ControlsHaveTheNamesAPersonWouldSay) {
    const auto labelOf = [](const std::unique_ptr<Control>& field) {
        return windowText(GetWindow(handleOf(field), GW_HWNDPREV));
    };
    EXPECT_EQ(windowText(handleOf(form.cmd_Open)), "Choose the file to split or the first piece");
    EXPECT_EQ(windowText(handleOf(form.cmd_Save)), "Choose the destination folder");
    EXPECT_EQ(windowText(handleOf(form.cmd_Split)), "Start Split");
    EXPECT_EQ(labelOf(form.Text3), "How many parts to split?");
    EXPECT_EQ(labelOf(form.Text1), "Select a source file to split (any type):");
    EXPECT_EQ(labelOf(form.Text2), "Select a path to save splited files:");
    EXPECT_EQ(windowText(handleOf(form.Label4)), "Check Update");
    EXPECT_EQ(form.cmd_Split->toolTip(), "Start Split");

    // The tab order is the design's, the link last.
    std::vector<HWND> order;
    const HWND window = static_cast<HWND>(kit.windowHandle());
    for (HWND next = handleOf(form.Text3); order.size() < 12;
         next = GetNextDlgTabItem(window, next, FALSE)) {
        if (!order.empty() && next == order.front()) break;
        order.push_back(next);
    }
    const std::vector<HWND> expected{
        handleOf(form.Text3),     handleOf(form.cmd_Open), handleOf(form.cmd_Save),
        handleOf(form.cmd_Split), handleOf(form.Text1),    handleOf(form.Text2),
        handleOf(form.Opt1),      handleOf(form.Opt2),     handleOf(form.Label4)};
    EXPECT_EQ(order, expected);

    click(form.Opt2);
    EXPECT_EQ(windowText(handleOf(form.cmd_Split)), "Start Joint");
    EXPECT_EQ(labelOf(form.Text1), "Select the first one from the splitted files:");
    EXPECT_EQ(labelOf(form.Text2), "Select a path to save the joint file:");
    EXPECT_EQ(windowText(handleOf(form.cmd_Open)), "Choose the file to split or the first piece");
}

// Where the system keeps annotations (Windows; not Wine 8), screen readers hear "link".
TEST_F(Win32Window, CheckUpdateIsAnnouncedAsALink) {
    IAccPropServices* services = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IAccPropServices, reinterpret_cast<void**>(&services)),
              S_OK);
    MSAAPROPID role = PROPID_ACC_ROLE;
    const HRESULT kept = services->ClearHwndProps(
        handleOf(form.Label1), static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &role, 1);
    services->Release();
    if (kept == E_NOTIMPL) GTEST_SKIP() << "this system's oleacc keeps no annotations";

    IAccessible* link = nullptr;  // 64-bit mingw defines IID_IAccessible in two of its libraries
    ASSERT_EQ(AccessibleObjectFromWindow(handleOf(form.Label4), static_cast<DWORD>(OBJID_CLIENT),
                                         __uuidof(IAccessible), reinterpret_cast<void**>(&link)),
              S_OK);
    VARIANT self{}, announced{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    EXPECT_EQ(link->get_accRole(self, &announced), S_OK);
    EXPECT_EQ(announced.lVal, ROLE_SYSTEM_LINK);
    link->Release();
}

TEST_F(Win32Window, EnterAndSpacePressTheFocusedButtonOptionOrLink) {
    std::map<std::string, int> presses;
    for (const auto* control : {&form.cmd_Open, &form.cmd_Save, &form.cmd_Split, &form.Label4}) {
        const std::string name = static_cast<Win32Control&>(**control).design().name;
        (*control)->onClick = [&presses, name] { ++presses[name]; };
    }
    for (const UINT key : {VK_RETURN, VK_SPACE}) {
        for (const auto* control :
             {&form.cmd_Open, &form.cmd_Save, &form.cmd_Split, &form.Label4}) {
            (*control)->setFocus();
            press(key);
        }
        form.Opt2->setFocus();
        press(key);
        EXPECT_EQ(form.Opt2->value(), 1);
        EXPECT_TRUE(form.Check1->visible());
        form.Check1->setFocus();
        press(key);
        EXPECT_EQ(form.Check1->value(), 1);
        press(key);
        EXPECT_EQ(form.Check1->value(), 0);
        form.Opt1->setFocus();
        press(key);
        EXPECT_EQ(form.Opt1->value(), 1);
        EXPECT_EQ(form.Label1->text(), "Select a source file to split(any type):");
    }
    EXPECT_EQ(presses, (std::map<std::string, int>{
                           {"cmd_Open", 2}, {"cmd_Save", 2}, {"cmd_Split", 2}, {"Label4", 2}}));
}

// The focus shows as a solid frame, also on the selected option, whose caption reads clearly.
TEST_F(Win32Window, TheFocusAndTheSelectedOptionArePlainToSee) {
    const RECT button = sizeOf(form.cmd_Open);
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_NE(pixel(form.cmd_Open, 2, button.bottom / 2), highlight);
    form.cmd_Open->setFocus();
    EXPECT_EQ(pixel(form.cmd_Open, 2, button.bottom / 2), highlight);
    EXPECT_EQ(pixel(form.cmd_Open, 3, button.bottom / 2), highlight);

    const RECT option = sizeOf(form.Opt1);
    const COLORREF face = pixel(form.Opt1, option.right / 2, 6);
    form.Opt1->setFocus();
    const COLORREF frame = pixel(form.Opt1, 3, option.bottom / 2);
    EXPECT_EQ(pixel(form.Opt1, 4, option.bottom / 2), frame);
    EXPECT_GE(contrastRatio(colorOf(frame), colorOf(face)), legibleContrast);
    double strongest = 1;
    for (int y = option.bottom / 3; y < option.bottom * 2 / 3; ++y) {
        for (int x = 6; x < option.right - 6; ++x) {
            strongest =
                std::max(strongest, contrastRatio(colorOf(pixel(form.Opt1, x, y)), colorOf(face)));
        }
    }
    EXPECT_GE(strongest, legibleContrast);

    form.Label4->setFocus();
    EXPECT_EQ(pixel(form.Label4, 0, sizeOf(form.Label4).bottom / 2), RGB(0, 0, 255));
}

TEST_F(Win32Window, ALongMessageWrapsWithinTheScreen) {
    const std::string message =
        "Path not found: C:\\Users\\ana\\out\\" + std::string(254, 'n') + ".bin_1.xst";
    seenBox = {};
    SetTimer(nullptr, 0, 50, readAndCloseBox);
    kit.messageBox(message, "Quorvel");
    ASSERT_TRUE(seenBox.seen);
    EXPECT_LE(seenBox.place.right - seenBox.place.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_GE(seenBox.place.left, 0);
    std::string whole = seenBox.text;
    std::erase(whole, '\n');
    std::erase(whole, ' ');
    std::string expected = message;
    std::erase(expected, ' ');
    EXPECT_EQ(whole, expected);
    EXPECT_NE(seenBox.text.find('\n'), std::string::npos);
}

TEST_F(Win32Window, ClosingTheWindowIsSeenAtTheNextYield) {
    EXPECT_FALSE(kit.windowClosed());
    PostMessageW(static_cast<HWND>(kit.windowHandle()), WM_CLOSE, 0, 0);
    kit.doEvents();
    EXPECT_TRUE(kit.windowClosed());
    EXPECT_FALSE(IsWindowVisible(static_cast<HWND>(kit.windowHandle())));
    EXPECT_EQ(kit.run(), 0);  // the loop ends at once
}

// While a run waits, the window repaints and takes a close; a click, Enter or Space on the update
// link is held for the run's next step, and every other input waits for the next yield.
TEST_F(Win32Window, WhileItRepaintsTheWindowTakesACloseAndHoldsTheLinksClick) {
    int linkActivations = 0;
    form.Label4->onClick = [&] { ++linkActivations; };
    const auto postClick = [](HWND control) {
        PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    };
    postClick(handleOf(form.Label4));
    PostMessageW(handleOf(form.Label4), WM_KEYDOWN, VK_SPACE, 1);
    postClick(handleOf(form.Opt2));
    kit.repaint();
    EXPECT_EQ(linkActivations, 0);
    EXPECT_EQ(form.Opt2->value(), 0) << "a click in the frame was handled while repainting";
    EXPECT_FALSE(kit.windowClosed());

    kit.deliverHeldClicks();
    EXPECT_EQ(linkActivations, 2);
    kit.doEvents();
    EXPECT_EQ(form.Opt2->value(), 1);
    EXPECT_TRUE(form.Check1->visible());
    EXPECT_EQ(linkActivations, 2);

    PostMessageW(static_cast<HWND>(kit.windowHandle()), WM_SYSKEYDOWN, VK_F4, 1 | (1 << 29));
    kit.repaint();
    EXPECT_TRUE(kit.windowClosed()) << "Alt+F4 while repainting";
}

// Files dropped from Explorer arrive as a real HDROP, their names in UTF-16 whatever the ANSI code
// page: the window takes them as the source picker does.
TEST_F(Win32Window, AFileDroppedOnTheWindowIsTaken) {
    const std::wstring path = L"C:\\data\\\u00e9t\u00e9 \u4e2d\u6587.bin";
    const std::size_t bytes = sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    path.copy(reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(drop) + sizeof(DROPFILES)),
              path.size());
    GlobalUnlock(memory);
    PostMessageW(static_cast<HWND>(kit.windowHandle()), WM_DROPFILES,
                 reinterpret_cast<WPARAM>(memory), 0);
    kit.doEvents();
    EXPECT_EQ(form.Text1->text(), narrowed(path));
    EXPECT_EQ(form.sourcePath, narrowed(path));
    EXPECT_EQ(form.Text2->text(), "C:\\data\\");
}

// The session's end (a logout, a shutdown) during a split stops it as the close box does, before
// the system ends the program: no first piece, no record and no temporary file stay.
void CALLBACK endTheSession(HWND window, UINT, UINT_PTR timer, DWORD) {
    KillTimer(window, timer);
    SendMessageW(window, WM_QUERYENDSESSION, 0, 0);
}

TEST_F(Win32Window, TheSessionsEndStopsARunAsAClose) {
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    const std::string folder =
        narrowed(temporary) + "quorvel-session-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryW(widened(folder).c_str(), nullptr);
    const std::string source = folder + "\\a.bin";
    {
        const HANDLE file = CreateFileW(widened(source).c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        const std::string block(1 << 20, 'q');
        DWORD written = 0;
        for (int n = 0; n < 64; ++n) WriteFile(file, block.data(), block.size(), &written, nullptr);
        CloseHandle(file);
    }
    form.Text1->setText(source);
    form.sourcePath = source;
    form.Text2->setText(folder);
    form.savePath = folder;
    form.Text3->setText("2");
    MSG quit;  // an earlier test's closed window left its quit message to this thread
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    SetTimer(static_cast<HWND>(kit.windowHandle()), 1, 1, endTheSession);
    seenBox = {};
    SetTimer(nullptr, 0, 50, readAndCloseBox);  // a box shown would be a failure, not a hang
    click(form.cmd_Split);
    EXPECT_TRUE(kit.windowClosed());
    EXPECT_FALSE(seenBox.seen) << seenBox.text;
    std::vector<std::string> left;
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW(widened(folder + "\\*").c_str(), &entry);
    do {
        const std::string name = narrowed(entry.cFileName);
        if (name != "." && name != "..") left.push_back(name);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    EXPECT_EQ(left, std::vector<std::string>{"a.bin"});
    for (const std::string& name : left) DeleteFileW(widened(folder + "\\" + name).c_str());
    RemoveDirectoryW(widened(folder).c_str());
}

}  // namespace
}  // namespace quorvel::testing
