// The window layer on a real dialog: data exchange with its validation messages, reflection
// of a static's colour request to its control object, and the modal loop's end.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "UiTest.h"
#include "station/ui/Control.h"
#include "station/ui/Dialog.h"

namespace {

class RedLabel : public ui::Control {
 public:
  HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
  ~RedLabel() override { DeleteObject(brush); }
  LRESULT OnReflected(UINT message, WPARAM, LPARAM, bool& handled) override {
    handled = message == WM_CTLCOLORSTATIC;
    return reinterpret_cast<LRESULT>(brush);
  }
};

// Runs `step` once the dialog is up, then presses the button `press`.
class TestDialog : public ui::Dialog {
 public:
  TestDialog() : Dialog(IDD_UI_TEST) {}
  int32_t number = 12;
  float real = 3.5f;
  wchar_t text[6] = L"abc";
  int32_t checked = 1;
  int32_t choice = 1;
  RedLabel label;
  std::vector<std::wstring> messages;
  std::function<void(TestDialog&)> step;
  int press = IDOK;
  int initCalls = 0;

 protected:
  bool OnInitDialog() override {
    ++initCalls;
    for (const wchar_t* item : {L"one", L"two", L"three"}) {
      SendDlgItemMessageW(hwnd(), IDC_UI_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    label.SubclassDlgItem(hwnd(), IDC_UI_LABEL);
    Dialog::OnInitDialog();
    PostMessageW(hwnd(), WM_APP, 0, 0);
    return true;
  }
  LRESULT OnMessage(UINT message, WPARAM, LPARAM, bool& handled) override {
    if (message != WM_APP) {
      return 0;
    }
    handled = true;
    if (step) {
      step(*this);
    }
    PostMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(press, BN_CLICKED), 0);
    return 0;
  }
  void DoDataExchange(ui::DataExchange& dx) override {
    dx.IntRange(IDC_UI_NUMBER, number, 0, 30);
    dx.FloatRange(IDC_UI_REAL, real, 0.0f, 20.0f);
    dx.Text(IDC_UI_TEXT, text, std::size(text));
    dx.Check(IDC_UI_CHECK, checked);
    dx.ComboIndex(IDC_UI_COMBO, choice);
  }
};

class DialogTest : public testing::Test {
 protected:
  void SetUp() override {
    ui::DataExchange::SetMessageSink(
        [this](HWND, const std::wstring& message) { messages.push_back(message); });
  }
  void TearDown() override { ui::DataExchange::SetMessageSink(nullptr); }
  std::vector<std::wstring> messages;
};

TEST_F(DialogTest, LoadsMembersAndSavesThemOnOk) {
  TestDialog dialog;
  std::wstring shownNumber, shownReal, shownText;
  LRESULT shownChoice = -1;
  HBRUSH labelBrush = nullptr;
  dialog.step = [&](TestDialog& d) {
    shownNumber = d.ItemText(IDC_UI_NUMBER);
    shownReal = d.ItemText(IDC_UI_REAL);
    shownText = d.ItemText(IDC_UI_TEXT);
    shownChoice = SendDlgItemMessageW(d.hwnd(), IDC_UI_COMBO, CB_GETCURSEL, 0, 0);
    HDC dc = GetDC(d.Item(IDC_UI_LABEL));
    labelBrush = reinterpret_cast<HBRUSH>(
        SendMessageW(d.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(d.Item(IDC_UI_LABEL))));
    ReleaseDC(d.Item(IDC_UI_LABEL), dc);
    d.SetItemText(IDC_UI_NUMBER, L" 30 ");
    d.SetItemText(IDC_UI_REAL, L"20");
    d.SetItemText(IDC_UI_TEXT, L"a long text cut to the buffer");
    d.CheckItem(IDC_UI_CHECK, false);
    SendDlgItemMessageW(d.hwnd(), IDC_UI_COMBO, CB_SETCURSEL, 2, 0);
  };
  ASSERT_EQ(IDOK, dialog.DoModal());
  EXPECT_EQ(1, dialog.initCalls);
  EXPECT_EQ(L"12", shownNumber);
  EXPECT_EQ(L"3.5", shownReal);
  EXPECT_EQ(L"abc", shownText);
  EXPECT_EQ(1, shownChoice);
  EXPECT_EQ(dialog.label.brush, labelBrush) << "the colour request reaches the control object";
  EXPECT_EQ(30, dialog.number);
  EXPECT_FLOAT_EQ(20.0f, dialog.real);
  EXPECT_STREQ(L"a lon", dialog.text);
  EXPECT_EQ(0, dialog.checked);
  EXPECT_EQ(2, dialog.choice);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(nullptr, dialog.hwnd()) << "the window is gone when DoModal returns";
}

TEST_F(DialogTest, RefusedValuesKeepTheDialogOpenWithTheStandardMessages) {
  struct Case {
    const wchar_t* number;
    const wchar_t* real;
    const wchar_t* message;
  };
  const Case cases[] = {
      {L"31", L"1", L"Enter an integer between 0 and 30."},
      {L"x", L"1", L"Enter an integer."},
      {L"3", L"20.5", L"Enter a number between 0 and 20."},
      {L"3", L"4.2V", L"Enter a number."},
  };
  for (const Case& c : cases) {
    messages.clear();
    TestDialog dialog;
    bool stillOpen = false;
    bool focusOnRefused = false;
    int refusedId = std::wstring(c.message).find(L"integer") != std::wstring::npos ? IDC_UI_NUMBER
                                                                                   : IDC_UI_REAL;
    dialog.step = [&](TestDialog& d) {
      d.SetItemText(IDC_UI_NUMBER, c.number);
      d.SetItemText(IDC_UI_REAL, c.real);
      SendMessageW(d.hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      stillOpen = IsWindowVisible(d.hwnd()) != FALSE;
      focusOnRefused = GetFocus() == d.Item(refusedId);
      d.press = IDCANCEL;
    };
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    ASSERT_EQ(1u, messages.size()) << c.number << " " << c.real;
    EXPECT_EQ(c.message, messages[0]);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(focusOnRefused) << "the refused box gets the focus";
    EXPECT_FLOAT_EQ(3.5f, dialog.real) << "a refused value is not taken";
  }
}

// A procedure another part of the program puts on top of a control object's.
WNDPROC g_under = nullptr;
int g_topCalls = 0;
LRESULT CALLBACK TopProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ++g_topCalls;
  return CallWindowProcW(g_under, window, message, wParam, lParam);
}

TEST_F(DialogTest, ControlObjectsLetGoOfWindowsOthersSubclassedAfterThem) {
  TestDialog dialog;
  dialog.step = [&](TestDialog& d) {
    HWND label = d.Item(IDC_UI_LABEL);
    ASSERT_EQ(ui::Control::FromHandle(label), &d.label);
    EXPECT_FALSE(RedLabel().Subclass(label)) << "a window has one owner";
    g_under = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TopProc)));
    d.label.Unsubclass();
    EXPECT_EQ(ui::Control::FromHandle(label), nullptr);
    g_topCalls = 0;
    EXPECT_EQ(d.ItemText(IDC_UI_LABEL), L"Label") << "the chain under the top procedure holds";
    EXPECT_GT(g_topCalls, 0);
    // Another object takes the window over; the colour request reaches it.
    RedLabel other;
    ASSERT_TRUE(other.Subclass(label));
    EXPECT_EQ(ui::Control::FromHandle(label), &other);
    HDC dc = GetDC(label);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(SendMessageW(d.hwnd(), WM_CTLCOLORSTATIC,
                                                    reinterpret_cast<WPARAM>(dc),
                                                    reinterpret_cast<LPARAM>(label))),
              other.brush);
    ReleaseDC(label, dc);
    other.Unsubclass();
    SetWindowLongPtrW(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_under));
  };
  EXPECT_EQ(IDOK, dialog.DoModal());
}

TEST_F(DialogTest, ATextAControlShowsAlreadyIsNotWrittenAgain) {
  TestDialog dialog;
  DWORD keptSelection = 0, newSelection = 0;
  dialog.step = [&](TestDialog& d) {
    HWND edit = d.Item(IDC_UI_TEXT);
    d.SetItemText(IDC_UI_TEXT, L"abcd");
    SendMessageW(edit, EM_SETSEL, 1, 3);
    d.SetItemText(IDC_UI_TEXT, L"abcd");
    keptSelection = static_cast<DWORD>(SendMessageW(edit, EM_GETSEL, 0, 0));
    d.SetItemText(IDC_UI_TEXT, L"abce");
    newSelection = static_cast<DWORD>(SendMessageW(edit, EM_GETSEL, 0, 0));
    d.press = IDCANCEL;
  };
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  EXPECT_EQ(keptSelection, static_cast<DWORD>(MAKELONG(1, 3)));
  EXPECT_NE(newSelection, static_cast<DWORD>(MAKELONG(1, 3))) << "a new text is written";
}

}  // namespace
