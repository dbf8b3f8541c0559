// The Win32 controls and dialogs of the installer, driven through window messages: the
// directory list, the new-folder dialog's key handling, and the engine's prompts with their
// answer mapping.
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "WinTestScratch.h"
#include "installer/win32/WinApi.h"
#include "installer/win32/WinDirectoryListBox.h"
#include "installer/win32/WinFrmMain.h"
#include "installer/win32/WinFrmUjMappa.h"
#include "installer/win32/WinOsServices.h"
#include "installer/win32/WinPrompts.h"
#include "installer/win32/WinUi.h"

namespace ks::win {
namespace {

// ---- answering a modal box from a thread timer (the box's own loop dispatches it) ------------

struct TAnswer {
    int Command = 0;        // sent to the box as a button click
    std::wstring Caption;   // else: the button with this caption is clicked
    std::wstring EditText;  // typed into the box's edit control first, when not empty
    std::wstring SeenTitle; // the box's caption
    HWND SeenOwner = nullptr;
    bool OwnerEnabledMeanwhile = false;
    bool Done = false;
};
TAnswer* GAnswer = nullptr;

BOOL CALLBACK FindEnabled(HWND Wnd, LPARAM LParam) {
    if (IsWindowVisible(Wnd) && IsWindowEnabled(Wnd))
        *reinterpret_cast<HWND*>(LParam) = Wnd;
    return TRUE;
}

void CALLBACK AnswerTick(HWND, UINT, UINT_PTR Id, DWORD) {
    if (!GAnswer || GAnswer->Done)
        return;
    HWND Box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindEnabled, reinterpret_cast<LPARAM>(&Box));
    if (!Box)
        return;
    wchar_t Title[256] = L"";
    GetWindowTextW(Box, Title, 256);
    GAnswer->SeenTitle = Title;
    GAnswer->SeenOwner = GetWindow(Box, GW_OWNER);
    GAnswer->OwnerEnabledMeanwhile = GAnswer->SeenOwner && IsWindowEnabled(GAnswer->SeenOwner);
    if (!GAnswer->EditText.empty())
        if (HWND Edit = FindWindowExW(Box, nullptr, L"EDIT", nullptr))
            SetWindowTextW(Edit, GAnswer->EditText.c_str());
    GAnswer->Done = true;
    KillTimer(nullptr, Id);
    if (!GAnswer->Caption.empty()) {
        HWND Btn = FindWindowExW(Box, nullptr, L"BUTTON", GAnswer->Caption.c_str());
        PostMessageW(Box, WM_COMMAND, MAKEWPARAM(Btn ? GetDlgCtrlID(Btn) : 0, BN_CLICKED),
                     reinterpret_cast<LPARAM>(Btn));
    } else if (GAnswer->Command == -1)
        PostMessageW(Box, WM_CLOSE, 0, 0);
    else
        PostMessageW(Box, WM_COMMAND, MAKEWPARAM(GAnswer->Command, BN_CLICKED), 0);
}

// Arms the answer for the next box the calling thread shows.
void AnswerNextBox(TAnswer& A) {
    GAnswer = &A;
    SetTimer(nullptr, 0, 50, AnswerTick);
}

// ---- prompts ------------------------------------------------------------------------------------

struct TConfirmCase {
    TKSPromptKind Kind;
    TKSPromptButtons Buttons;
    int Command; // -1: the box is closed
    TKSPromptButton Want;
    const wchar_t* Caption = nullptr; // the button is found by its caption instead
};

void PrintTo(const TConfirmCase& C, std::ostream* Os) {
    *Os << (C.Caption ? "caption" : "command ") << (C.Caption ? "" : std::to_string(C.Command)) << " gives "
        << static_cast<int>(C.Want);
}

class ConfirmBoxTest : public ::testing::TestWithParam<TConfirmCase> {};

TEST_P(ConfirmBoxTest, AnswerMapsToTheButtonPressed) {
    const TConfirmCase& C = GetParam();
    TWinPrompts Prompts;
    TAnswer A;
    A.Command = C.Command;
    if (C.Caption)
        A.Caption = C.Caption;
    AnswerNextBox(A);
    EXPECT_EQ(Prompts.ConfirmBox(C.Kind, "Overwrite file \"a\" with \"b\"", C.Buttons), C.Want);
    EXPECT_TRUE(A.Done);
    EXPECT_EQ(A.SeenTitle, L"Confirm");
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, ConfirmBoxTest,
    ::testing::Values(
        // The overwrite question: four buttons, so the installer's own dialog, clicked by caption.
        TConfirmCase{TKSPromptKind::ConfirmOverwrite, KSButtonsOverwrite, 0, pbYes, L"&Yes"},
        TConfirmCase{TKSPromptKind::ConfirmOverwrite, KSButtonsOverwrite, 0, pbNo, L"&No"},
        TConfirmCase{TKSPromptKind::ConfirmOverwrite, KSButtonsOverwrite, 0, pbNoToAll, L"N&o to All"},
        TConfirmCase{TKSPromptKind::ConfirmOverwrite, KSButtonsOverwrite, 0, pbYesToAll, L"Yes to &All"},
        TConfirmCase{TKSPromptKind::ConfirmOverwrite, KSButtonsOverwrite, -1, pbNone},
        TConfirmCase{TKSPromptKind::ConfirmOverwrite, KSButtonsOverwrite, IDCANCEL, pbNone}, // Escape
        // Message boxes.
        TConfirmCase{TKSPromptKind::FileFailure, KSButtonsAbortRetryIgnore, IDIGNORE, pbIgnore},
        TConfirmCase{TKSPromptKind::FileFailure, KSButtonsAbortRetryIgnore, IDRETRY, pbRetry},
        TConfirmCase{TKSPromptKind::FileFailure, KSButtonsAbortRetryIgnore, IDABORT, pbAbort},
        TConfirmCase{TKSPromptKind::DiskFull, KSButtonsOKCancel, IDOK, pbOK},
        TConfirmCase{TKSPromptKind::VolumeRequest, KSButtonsOKCancel, IDCANCEL, pbCancel}));

TEST(PasswordDialog, AcceptedTextAndCancelledDialog) {
    TWinPrompts Prompts;
    AnsiString Value = "old";
    TAnswer Ok;
    Ok.Command = IDOK;
    Ok.EditText = L"j\u00F3 jelsz\u00F3";
    AnswerNextBox(Ok);
    EXPECT_TRUE(Prompts.PasswordInputQuery("Password for \"x.zip\"", "Enter password: ", Value));
    EXPECT_EQ(Ok.SeenTitle, L"Password for \"x.zip\"");
    EXPECT_EQ(Value, "j\u00F3 jelsz\u00F3");

    TAnswer Cancel;
    Cancel.Command = IDCANCEL;
    Cancel.EditText = L"typed";
    AnswerNextBox(Cancel);
    EXPECT_FALSE(Prompts.PasswordInputQuery("Password", "Enter password: ", Value));
    EXPECT_EQ(Value, "j\u00F3 jelsz\u00F3"); // unchanged
}

// A prompt in the middle of a run comes while the main window is disabled: it is disabled while
// the prompt is up and must still be disabled afterwards (an enabled window there would take
// clicks, and Alt+F4, while the run goes on). An enabled owner is enabled again.
struct TOwnerCase {
    const char* Name;
    TKSPromptButtons Buttons; // 0: the password dialog
    int Command;
    bool OwnerEnabled;
};

void PrintTo(const TOwnerCase& C, std::ostream* Os) {
    *Os << C.Name;
}

class PromptOwnerTest : public ::testing::TestWithParam<TOwnerCase> {};

TEST_P(PromptOwnerTest, KeepsTheOwnersEnabledState) {
    const TOwnerCase& C = GetParam();
    HWND Owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 10, 10, 200, 100, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(Owner);
    SetForegroundWindow(Owner);
    SetActiveWindow(Owner);
    EnableWindow(Owner, C.OwnerEnabled);
    TWinPrompts Prompts;
    TAnswer A;
    A.Command = C.Command;
    AnswerNextBox(A);
    if (C.Buttons == 0) {
        AnsiString Value;
        Prompts.PasswordInputQuery("Password", "Enter password: ", Value);
    } else {
        Prompts.ConfirmBox(TKSPromptKind::FileFailure, "Ferrovan.exe: File processing error", C.Buttons);
    }
    EXPECT_TRUE(A.Done);
    EXPECT_EQ(A.SeenOwner, Owner);
    EXPECT_FALSE(A.OwnerEnabledMeanwhile);
    EXPECT_EQ(IsWindowEnabled(Owner) != 0, C.OwnerEnabled);
    DestroyWindow(Owner);
}

INSTANTIATE_TEST_SUITE_P(
    Prompts, PromptOwnerTest,
    ::testing::Values(TOwnerCase{"message_box_disabled_owner", KSButtonsAbortRetryIgnore, IDIGNORE, false},
                      TOwnerCase{"message_box_enabled_owner", KSButtonsAbortRetryIgnore, IDIGNORE, true},
                      TOwnerCase{"overwrite_dialog_disabled_owner", KSButtonsOverwrite, IDYES, false},
                      TOwnerCase{"overwrite_dialog_enabled_owner", KSButtonsOverwrite, IDYES, true},
                      TOwnerCase{"password_dialog_disabled_owner", 0, IDOK, false},
                      TOwnerCase{"password_dialog_enabled_owner", 0, IDOK, true}),
    [](const ::testing::TestParamInfo<TOwnerCase>& I) { return std::string(I.param.Name); });

// ---- the installer's push buttons ---------------------------------------------------------------

// A top-level window as the main window is: it takes the commands of the controls nested in its
// panels and records the last one.
struct TButtonHost {
    TButtonHost() {
        static bool Registered = false;
        if (!Registered) {
            WNDCLASSEXW C{};
            C.cbSize = sizeof(C);
            C.lpfnWndProc = [](HWND W, UINT Msg, WPARAM WParam, LPARAM LParam) -> LRESULT {
                if (Msg == WM_COMMAND) {
                    LastCommand = static_cast<int>(WParam);
                    return 0;
                }
                return DefWindowProcW(W, Msg, WParam, LParam);
            };
            C.hInstance = GetModuleHandleW(nullptr);
            C.lpszClassName = L"KSButtonHost";
            RegisterClassExW(&C);
            Registered = true;
        }
        Wnd = CreateWindowExW(WS_EX_CONTROLPARENT, L"KSButtonHost", L"host", WS_POPUP | WS_VISIBLE, 20, 20,
                              300, 120, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        Panel = CreatePanel(Wnd, 0, 0, 300, 120, clBand);
        First = CreateColouredButton(Panel, 201, "Kil\u00E9p\u00E9s", 10, 10, 99, 33, Fonts().Bold12);
        Second = CreateColouredButton(Panel, 202, "Telep\u00EDt\u00E9s ind\u00EDt\u00E1sa", 120, 10, 163, 33,
                                      Fonts().Bold12);
        SetForegroundWindow(Wnd);
        SetActiveWindow(Wnd);
        LastCommand = 0;
    }
    ~TButtonHost() { DestroyWindow(Wnd); }
    static inline int LastCommand = 0;
    HWND Wnd, Panel, First, Second;
};

// How many pixels of the button, drawn as its window draws it, have the given colour.
int PixelsOfColour(HWND Button, COLORREF Colour) {
    RECT R;
    GetClientRect(Button, &R);
    BITMAPINFO Info{};
    Info.bmiHeader.biSize = sizeof(Info.bmiHeader);
    Info.bmiHeader.biWidth = R.right;
    Info.bmiHeader.biHeight = -R.bottom;
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    void* Bits = nullptr;
    HDC Dc = CreateCompatibleDC(nullptr);
    HBITMAP Bmp = CreateDIBSection(Dc, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    HGDIOBJ Old = SelectObject(Dc, Bmp);
    SendMessageW(Button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(Dc), PRF_CLIENT);
    GdiFlush();
    int N = 0;
    const auto* P = static_cast<const uint32_t*>(Bits);
    const uint32_t Want = (GetRValue(Colour) << 16) | (GetGValue(Colour) << 8) | GetBValue(Colour);
    for (int I = 0; I < R.right * R.bottom; ++I)
        N += (P[I] & 0xFFFFFF) == Want;
    SelectObject(Dc, Old);
    DeleteObject(Bmp);
    DeleteDC(Dc);
    return N;
}

TEST(ColouredButton, CaptionIsDrawnInTheTextColourUnlessDisabled) {
    TButtonHost H;
    // Drawn through the panel that holds it, as the main window's buttons are.
    EXPECT_GT(PixelsOfColour(H.Second, clText), 20);
    EnableWindow(H.Second, FALSE);
    EXPECT_EQ(PixelsOfColour(H.Second, clText), 0);
    EXPECT_GT(PixelsOfColour(H.Second, GetSysColor(COLOR_GRAYTEXT)), 20);
}

struct TButtonKey {
    const char* Name;
    UINT Key;
    bool FocusSecond;
    int Want; // the command the window gets: the id in the low word, BN_CLICKED (0) above
};

void PrintTo(const TButtonKey& K, std::ostream* Os) {
    *Os << K.Name;
}

class ColouredButtonKeys : public ::testing::TestWithParam<TButtonKey> {};

TEST_P(ColouredButtonKeys, ClickTheFocusedButtonAsAPushButtonDoes) {
    const TButtonKey& K = GetParam();
    TButtonHost H;
    HWND Focus = K.FocusSecond ? H.Second : H.First;
    SetFocus(Focus);
    ASSERT_EQ(GetFocus(), Focus);
    for (UINT Msg : {WM_KEYDOWN, WM_KEYUP}) {
        MSG M{Focus, Msg, K.Key, Msg == WM_KEYDOWN ? 1u : 0xC0000001u, 0, {0, 0}};
        if (!IsDialogMessageW(H.Wnd, &M)) {
            TranslateMessage(&M);
            DispatchMessageW(&M);
        }
    }
    EXPECT_EQ(TButtonHost::LastCommand, K.Want);
}

INSTANTIATE_TEST_SUITE_P(Keys, ColouredButtonKeys,
                         ::testing::Values(TButtonKey{"enter_on_the_first", VK_RETURN, false, 201},
                                           TButtonKey{"enter_on_the_second", VK_RETURN, true, 202},
                                           TButtonKey{"space_on_the_second", VK_SPACE, true, 202}),
                         [](const ::testing::TestParamInfo<TButtonKey>& I) {
                             return std::string(I.param.Name);
                         });

// ---- tab order ------------------------------------------------------------------------------------

// The controls Tab visits from the first one until it comes round again: the window class and,
// for buttons and edit boxes, the caption.
std::vector<std::wstring> TabCycle(HWND Wnd) {
    std::vector<std::wstring> Out;
    HWND First = GetNextDlgTabItem(Wnd, nullptr, FALSE);
    for (HWND C = First; C && Out.size() < 20;) {
        wchar_t Class[64] = L"", Text[128] = L"";
        GetClassNameW(C, Class, 64);
        CharUpperW(Class);
        std::wstring Item = Class;
        if (Item == L"BUTTON" || Item == L"EDIT") {
            GetWindowTextW(C, Text, 128);
            Item += std::wstring(L" ") + Text;
        }
        Out.push_back(Item);
        C = GetNextDlgTabItem(Wnd, C, FALSE);
        if (C == First)
            break;
    }
    return Out;
}

TEST(TabOrder, MainWindowInBothModesAndTheNewFolderDialog) {
    TWinFrmMain Main({});
    Main.SetUpdatePanelVisible(false);
    // Panel2 (btnRun, btnExit; chkShortcut is hidden), then Panel4 (btnUjMappa, Drive, Dir).
    EXPECT_EQ(TabCycle(Main.Handle()),
              (std::vector<std::wstring>{L"BUTTON Telep\u00EDt\u00E9s ind\u00EDt\u00E1sa",
                                         L"BUTTON Kil\u00E9p\u00E9s", L"BUTTON \u00DAj mappa", L"COMBOBOX",
                                         L"LISTBOX"}));
    // The update page covers the folder chooser, which Tab then passes by.
    Main.SetUpdatePanelVisible(true);
    EXPECT_EQ(TabCycle(Main.Handle()),
              (std::vector<std::wstring>{L"BUTTON Telep\u00EDt\u00E9s ind\u00EDt\u00E1sa",
                                         L"BUTTON Kil\u00E9p\u00E9s"}));

    TWinFrmUjMappa Dlg(nullptr);
    SetWindowTextW(Dlg.Edit(), L"uj");
    EXPECT_EQ(TabCycle(Dlg.Handle()),
              (std::vector<std::wstring>{L"EDIT uj", L"BUTTON L\u00E9trehoz", L"BUTTON M\u00E9gsem"}));
}

// ---- the directory list -------------------------------------------------------------------------

class DirListTest : public test::ScratchTest {
protected:
    void SetUp() override {
        ScratchTest::SetUp();
        Host = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 600, 300, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    }
    void TearDown() override {
        DestroyWindow(Host);
        ScratchTest::TearDown();
    }
    std::vector<AnsiString> Items(const TWinDirectoryListBox& L) {
        std::vector<AnsiString> Out;
        const LRESULT N = SendMessageW(L.Handle(), LB_GETCOUNT, 0, 0);
        for (LRESULT I = 0; I < N; ++I) {
            wchar_t Buf[1024];
            const LRESULT Len = SendMessageW(L.Handle(), LB_GETTEXT, I, reinterpret_cast<LPARAM>(Buf));
            Out.push_back(Utf8(std::wstring(Buf, static_cast<size_t>(Len))));
        }
        return Out;
    }
    HWND Host = nullptr;
};

TEST_F(DirListTest, AncestorsThenSortedSubfoldersAndMoving) {
    for (const char* D : {"b", "A", "c\u00E1"})
        std::filesystem::create_directories(Dir / std::filesystem::u8path(D));
    { std::ofstream(Dir / "file.txt") << "x"; }
    TWinDirectoryListBox L(Host, 1, 0, 0, 500, 200);
    L.SetDirectory(Root + "\\");
    EXPECT_EQ(L.Directory(), CleanFolderPath(Root, "C:\\"));
    const std::vector<AnsiString> It = Items(L);
    ASSERT_GE(It.size(), 4u);
    // The current folder is selected; its sub-folders follow one level deeper, by name whatever
    // the letter case; files are not listed.
    const LRESULT Cur = SendMessageW(L.Handle(), LB_GETCURSEL, 0, 0);
    ASSERT_EQ(static_cast<size_t>(Cur), It.size() - 4);
    const size_t Indent = It[static_cast<size_t>(Cur)].find_first_not_of(' ') + 2;
    EXPECT_EQ(It[It.size() - 3], AnsiString(Indent, ' ') + "A");
    EXPECT_EQ(It[It.size() - 2], AnsiString(Indent, ' ') + "b");
    EXPECT_EQ(It[It.size() - 1], AnsiString(Indent, ' ') + "c\u00E1");
    EXPECT_EQ(It[0].substr(1), ":\\"); // the drive root comes first

    // Double-clicking "b" moves there; a folder that does not exist leaves the list alone.
    SendMessageW(L.Handle(), LB_SETCURSEL, It.size() - 2, 0);
    L.Notify(LBN_DBLCLK);
    EXPECT_EQ(L.Directory(), CleanFolderPath(Root + "\\b", "C:\\"));
    L.SetDirectory(Root + "\\missing");
    EXPECT_EQ(L.Directory(), CleanFolderPath(Root + "\\b", "C:\\"));

    // The same drive keeps the folder; another drive re-roots the list.
    L.SetDrive(L.Directory().substr(0, 3));
    EXPECT_EQ(L.Directory(), CleanFolderPath(Root + "\\b", "C:\\"));
    const AnsiString Other = L.Directory()[0] == 'Z' ? "C:\\" : "Z:\\";
    L.SetDrive(Other);
    EXPECT_EQ(L.Directory(), Other);
}

// ---- the new-folder dialog ----------------------------------------------------------------------

struct TTyping {
    const char* Name;
    std::wstring Chars;  // WM_CHAR messages
    bool Escape;         // then Escape (else Enter) as a real key press
    bool EnterTwice;     // Enter first (which must do nothing here), then Escape
    const char* Created; // expected result below the parent; nullptr: none
};

void PrintTo(const TTyping& T, std::ostream* Os) {
    *Os << T.Name;
}

class UjMappaDialogTest : public test::ScratchTest, public ::testing::WithParamInterface<TTyping> {};

void PostKey(HWND Wnd, UINT Vk) {
    PostMessageW(Wnd, WM_KEYDOWN, Vk, 1);
    PostMessageW(Wnd, WM_KEYUP, Vk, 0xC0000001);
}

TEST_P(UjMappaDialogTest, KeysReachTheFilterAndTheResult) {
    const TTyping& T = GetParam();
    TWinOsServices Os;
    TWinFrmUjMappa Dlg(nullptr);
    for (wchar_t C : T.Chars)
        PostMessageW(Dlg.Edit(), WM_CHAR, C, 1);
    if (T.EnterTwice) {
        PostKey(Dlg.Edit(), VK_RETURN);
        PostKey(Dlg.Edit(), VK_ESCAPE);
    } else {
        PostKey(Dlg.Edit(), T.Escape ? VK_ESCAPE : VK_RETURN);
    }
    const AnsiString Got = inst::ShowUjMappa(Root, Dlg, Os);
    if (T.Created) {
        EXPECT_EQ(Got, Root + "\\" + T.Created);
        EXPECT_TRUE(Os.DirectoryExists(Root + "\\" + T.Created));
    } else {
        EXPECT_EQ(Got, "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Typing, UjMappaDialogTest,
    ::testing::Values(TTyping{"plain", L"uj", false, false, "uj"},
                      TTyping{"forbidden_characters_are_not_inserted", L"a\\/:*?\"<>|b", false, false, "ab"},
                      TTyping{"at_most_twenty_characters", std::wstring(25, L'x'), false, false,
                              "xxxxxxxxxxxxxxxxxxxx"},
                      TTyping{"accented_name", L"\u00C1rv\u00EDz", false, false, "\u00C1rv\u00EDz"},
                      TTyping{"escape_cancels", L"uj", true, false, nullptr},
                      TTyping{"blanks_keep_enter_inert", L"   ", false, true, nullptr}),
    [](const ::testing::TestParamInfo<TTyping>& I) { return std::string(I.param.Name); });

} // namespace
} // namespace ks::win
