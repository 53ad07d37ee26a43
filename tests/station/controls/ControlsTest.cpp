// The station's own controls on real dialogs under Wine: the result list's cells and colours as
// painted, in-place editing driven by synthesized clicks and keys through a dialog's message
// loop, the coloured static, and the resolution adapter on a dialog too large for the screen.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ControlsTest.h"
#include "station/controls/ColorStatic.h"
#include "station/controls/DlgAdjustByResolution.h"
#include "station/controls/ListCtrlEx.h"
#include "station/controls/MsgHook.h"
#include "station/controls/SortListCtrl.h"
#include "station/controls/core/ScreenFit.h"
#include "station/ui/Dialog.h"

namespace {

// Runs `setUp` during the initialisation and `step` once the modal loop runs, then ends.
// OK and Cancel are only counted, so a key that wrongly reaches them shows.
class Harness : public ui::Dialog, public CDlgAdjustByResolution {
 public:
  explicit Harness(int id) : Dialog(id) {}
  std::function<void(Harness&)> setUp;
  std::function<void(Harness&)> step;
  bool adapt = false;
  int okOrCancel = 0;
  int editorChanges = 0;  // EN_CHANGE of the limit editor, wherever it sits

 protected:
  bool OnInitDialog() override {
    if (adapt) {
      Adjust(hwnd());
    }
    if (setUp) {
      setUp(*this);
    }
    if (adapt) {
      Finish();
    }
    PostMessageW(hwnd(), WM_APP, 0, 0);
    return true;
  }
  LRESULT OnMessage(UINT message, WPARAM, LPARAM, bool& handled) override {
    if (message == WM_APP) {
      handled = true;
      if (step) {
        step(*this);
      }
      EndDialog(IDCLOSE);
    }
    return 0;
  }
  bool OnCommand(int id, int code, HWND) override {
    if (id == IDC_LIMIT_EDIT && code == EN_CHANGE) {
      ++editorChanges;
    }
    return false;
  }
  void OnOK() override { ++okOrCancel; }
  void OnCancel() override { ++okOrCancel; }
};

// What the modal loop does with whatever is queued.
void Pump(HWND dialog) {
  MSG message;
  for (int round = 0; round < 3; ++round) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (!IsDialogMessageW(dialog, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
    Sleep(10);
  }
}

void RunModal(Harness& dialog) {
  ASSERT_EQ(dialog.DoModal(), IDCLOSE);
}

RECT SubItemRect(HWND list, int row, int column) {
  RECT rect{};
  rect.top = column;
  rect.left = LVIR_BOUNDS;
  SendMessageW(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
  return rect;
}

POINT CellCentre(HWND list, int row, int column) {
  RECT cell = SubItemRect(list, row, column);
  if (column == 0) {
    cell.right = SubItemRect(list, row, 1).left;
  }
  return {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
}

COLORREF PixelAt(HWND window, POINT at) {
  UpdateWindow(window);
  HDC dc = GetDC(window);
  COLORREF color = GetPixel(dc, at.x, at.y);
  ReleaseDC(window, dc);
  return color;
}

// Whether any pixel of the cell has `color` (text pixels).
bool CellShows(HWND list, int row, int column, COLORREF color) {
  UpdateWindow(list);
  RECT cell = SubItemRect(list, row, column);
  HDC dc = GetDC(list);
  bool found = false;
  for (int y = cell.top + 1; y < cell.bottom - 1 && !found; ++y) {
    for (int x = cell.left + 1; x < cell.right - 1 && !found; ++x) {
      found = GetPixel(dc, x, y) == color;
    }
  }
  ReleaseDC(list, dc);
  return found;
}

void DoubleClick(HWND list, int row, int column) {
  POINT at = CellCentre(list, row, column);
  SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x, at.y));
}

void PressKey(HWND dialog, HWND target, WPARAM key) {
  PostMessageW(target, WM_KEYDOWN, key, 1);
  PostMessageW(target, WM_KEYUP, key, 0xC0000001);
  Pump(dialog);
}

void SetShift(bool down) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_SHIFT] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

std::wstring Text(HWND window) {
  wchar_t text[256] = L"";
  GetWindowTextW(window, text, 256);
  return text;
}

TEST(SortListCtrl, CellsTextsAndColoursAsPainted) {
  Harness dialog(IDD_CONTROLS);
  CSortListCtrl list;
  dialog.step = [&](Harness& d) {
    ASSERT_TRUE(list.SubclassDlgItem(d.hwnd(), IDC_RESULTS));
    HWND hwnd = list.hwnd();
    EXPECT_NE(list.header().hwnd(), nullptr);
    EXPECT_EQ(list.defaultText(), GetSysColor(COLOR_WINDOWFRAME));
    ASSERT_TRUE(list.SetHeadings(L"Item,120;Expected Value,100;Result,65;Test Detail,85"));
    EXPECT_EQ(list.ColumnCount(), 4);
    EXPECT_EQ(list.header().ItemCount(), 4);
    EXPECT_EQ(SendMessageW(hwnd, LVM_GETCOLUMNWIDTH, 1, 0), 100);

    EXPECT_EQ(list.AddRow({L"IMEI1", L"---", L"", L""}), 0);
    EXPECT_EQ(list.AddRow({L"SIM Card", L"---"}), 1);
    EXPECT_EQ(list.AddRow({L"FGU Type", L"2", L"", L"", L"dropped"}), 2);
    EXPECT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.CellText(1, 0), L"SIM Card");
    EXPECT_EQ(list.CellText(2, 1), L"2");
    EXPECT_EQ(list.CellText(1, 3), L"");
    EXPECT_TRUE(list.SetCellText(0, 2, L"PASS"));
    EXPECT_EQ(list.CellText(0, 2), L"PASS");
    EXPECT_FALSE(list.SetCellText(7, 2, L"nowhere"));

    // A red cell on yellow: its background and its text are painted in them.
    list.SetCellColors(0, 2, 0x0000FF, 0x00FFFF);
    EXPECT_EQ(list.CellColorsAt(0, 2).text, 0x0000FFu);
    RECT cell = SubItemRect(hwnd, 0, 2);
    EXPECT_EQ(PixelAt(hwnd, {cell.right - 3, (cell.top + cell.bottom) / 2}), 0x00FFFFu);
    EXPECT_TRUE(CellShows(hwnd, 0, 2, 0x0000FF));
    // Its neighbour keeps the defaults; column 0 ends where column 1 begins.
    EXPECT_EQ(PixelAt(hwnd, {SubItemRect(hwnd, 0, 1).left + 3, cell.top + 3}),
              GetSysColor(COLOR_WINDOW));
    list.SetCellColors(0, 0, CSortListCtrl::kDefaultColor, 0x00FF00);
    EXPECT_EQ(PixelAt(hwnd, {SubItemRect(hwnd, 0, 1).left - 3, cell.top + 3}), 0x00FF00u);
    EXPECT_EQ(PixelAt(hwnd, {SubItemRect(hwnd, 0, 1).left + 3, cell.top + 3}),
              GetSysColor(COLOR_WINDOW));
    // Back to the defaults with -1; outside the list nothing happens.
    list.SetCellColors(0, 2, CSortListCtrl::kDefaultColor, CSortListCtrl::kDefaultColor);
    EXPECT_EQ(PixelAt(hwnd, {cell.right - 3, (cell.top + cell.bottom) / 2}),
              GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(list.CellColorsAt(0, 2).background, GetSysColor(COLOR_WINDOW));
    list.SetCellColors(0, 4, 0x0000FF, 0x0000FF);
    list.SetCellColors(9, 0, 0x0000FF, 0x0000FF);
    list.SetCellColors(-1, 0, 0x0000FF, 0x0000FF);
    EXPECT_EQ(list.CellColorsAt(0, 3).background, GetSysColor(COLOR_WINDOW));

    // A selected row shows the selection colours whatever its cells say.
    list.SetCellColors(1, 2, 0x0000FF, 0x00FFFF);
    list.SelectOnlyRow(1);
    EXPECT_EQ(list.SelectedRow(), 1);
    RECT selected = SubItemRect(hwnd, 1, 2);
    EXPECT_EQ(PixelAt(hwnd, {selected.right - 3, selected.top + 3}), GetSysColor(COLOR_HIGHLIGHT));
    list.SetCellText(1, 2, L"FAIL");
    EXPECT_TRUE(CellShows(hwnd, 1, 2, GetSysColor(COLOR_HIGHLIGHTTEXT)));
    EXPECT_FALSE(CellShows(hwnd, 1, 2, 0x0000FF));
    list.SelectOnlyRow(2);
    EXPECT_EQ(list.SelectedRow(), 2);
    EXPECT_EQ(PixelAt(hwnd, {selected.right - 3, selected.top + 3}), 0x00FFFFu);
    list.DeselectAll();
    EXPECT_EQ(list.SelectedRow(), -1);

    // A column click changes nothing.
    NMLISTVIEW click{};
    click.hdr = {hwnd, IDC_RESULTS, static_cast<UINT>(LVN_COLUMNCLICK)};
    click.iItem = -1;
    click.iSubItem = 0;
    SendMessageW(d.hwnd(), WM_NOTIFY, IDC_RESULTS, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(list.CellText(0, 0), L"IMEI1");
    EXPECT_EQ(list.CellText(2, 0), L"FGU Type");

    list.DeleteAllRows();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(list.AddRow({L"again"}), 0);
    EXPECT_EQ(list.CellColorsAt(0, 2).text, list.defaultText());
  };
  RunModal(dialog);
}

// The pixels of a cell inside its grid lines, row by row.
std::vector<COLORREF> CellPixels(HWND list, int row, int column) {
  UpdateWindow(list);
  RECT cell = SubItemRect(list, row, column);
  HDC dc = GetDC(list);
  std::vector<COLORREF> pixels;
  for (int y = cell.top + 1; y < cell.bottom - 1; ++y) {
    for (int x = cell.left + 1; x < cell.right - 1; ++x) {
      pixels.push_back(GetPixel(dc, x, y));
    }
  }
  ReleaseDC(list, dc);
  return pixels;
}

// A cell's text as the list view hands it out (to WindowProbe, screen readers, tests).
std::wstring ListViewText(HWND list, int row, int column) {
  wchar_t text[64] = L"";
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

TEST(SortListCtrl, LineBreaksDrawAsOneBlankEachAndTheTextIsKept) {
  Harness dialog(IDD_CONTROLS);
  CSortListCtrl list;
  dialog.step = [&](Harness& d) {
    ASSERT_TRUE(list.SubclassDlgItem(d.hwnd(), IDC_RESULTS));
    HWND hwnd = list.hwnd();
    ASSERT_TRUE(list.SetHeadings(L"Item,60;Test Detail,190"));
    ASSERT_EQ(list.AddRow({L"broken", L"PCS AGC: PASS\r\nDCS\nAGC"}), 0);
    ASSERT_EQ(list.AddRow({L"blanks", L"PCS AGC: PASS DCS AGC"}), 1);
    ASSERT_EQ(list.AddRow({L"two", L"PCS AGC: PASS  DCS AGC"}), 2);
    EXPECT_TRUE(CellPixels(hwnd, 0, 1) == CellPixels(hwnd, 1, 1));
    EXPECT_FALSE(CellPixels(hwnd, 0, 1) == CellPixels(hwnd, 2, 1));  // "\r\n" is one blank
    EXPECT_EQ(list.CellText(0, 1), L"PCS AGC: PASS\r\nDCS\nAGC");
    EXPECT_EQ(ListViewText(hwnd, 0, 1), L"PCS AGC: PASS\r\nDCS\nAGC");
    // Set later, the same.
    ASSERT_TRUE(list.SetCellText(1, 1, L"\r\nPCS"));
    ASSERT_TRUE(list.SetCellText(2, 1, L" PCS"));
    EXPECT_TRUE(CellPixels(hwnd, 1, 1) == CellPixels(hwnd, 2, 1));
    EXPECT_EQ(ListViewText(hwnd, 1, 1), L"\r\nPCS");
  };
  RunModal(dialog);
}

TEST(SortListCtrl, HeadingsStopAtAPairWithoutComma) {
  Harness dialog(IDD_CONTROLS);
  CSortListCtrl list;
  dialog.step = [&](Harness& d) {
    ASSERT_TRUE(list.SubclassDlgItem(d.hwnd(), IDC_RESULTS));
    EXPECT_TRUE(list.SetHeadings(L"A,50;B"));
    EXPECT_EQ(list.ColumnCount(), 1);
    EXPECT_EQ(list.header().ItemCount(), 1);
    EXPECT_EQ(SendMessageW(list.hwnd(), LVM_GETCOLUMNWIDTH, 0, 0), 50);
  };
  RunModal(dialog);
}

TEST(SortListCtrl, SystemColourChangeRereadsTheFourColours) {
  const int which[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT};
  COLORREF saved[4];
  for (int i = 0; i < 4; ++i) {
    saved[i] = GetSysColor(which[i]);
  }
  Harness dialog(IDD_CONTROLS);
  CSortListCtrl list;
  dialog.step = [&](Harness& d) {
    ASSERT_TRUE(list.SubclassDlgItem(d.hwnd(), IDC_RESULTS));
    const COLORREF changed[4] = {0x00F0F0E0, 0x00102030, 0x00604020, 0x00E0F0F0};
    ASSERT_TRUE(SetSysColors(4, which, changed));
    SendMessageW(d.hwnd(), WM_SYSCOLORCHANGE, 0, 0);  // also broadcast; sent for certain
    Pump(d.hwnd());
    EXPECT_EQ(list.defaultBackground(), 0x00F0F0E0u);
    EXPECT_EQ(list.defaultText(), 0x00102030u);
    EXPECT_EQ(list.selectionBackground(), 0x00604020u);
    EXPECT_EQ(list.selectionText(), 0x00E0F0F0u);
    SetSysColors(4, which, saved);
    SendMessageW(d.hwnd(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(list.defaultText(), GetSysColor(COLOR_WINDOWTEXT));
  };
  RunModal(dialog);
}

// The settings dialog's limit list in small: five centred columns, three rows, the limit
// columns edited in place with one hidden edit box.
void FillLimits(HWND dialog, CListCtrlEx& limits) {
  ASSERT_TRUE(limits.SubclassDlgItem(dialog, IDC_LIMITS));
  const wchar_t* names[] = {L"Check", L"Voltage", L"Low Limit", L"High Limit", L"Unit"};
  const int widths[] = {40, 150, 80, 80, 60};
  for (int column = 0; column < 5; ++column) {
    LVCOLUMNW heading{};
    heading.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    heading.fmt = LVCFMT_CENTER;
    heading.cx = widths[column];
    heading.pszText = const_cast<wchar_t*>(names[column]);
    SendMessageW(limits.hwnd(), LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&heading));
  }
  const wchar_t* rows[][4] = {{L"AUX 3.6", L"3400", L"3800", L"mV"},
                              {L"AUX 3.8", L"3600", L"4000", L"mV"},
                              {L"AUX 4.2", L"4000", L"4400", L"mV"}};
  for (int row = 0; row < 3; ++row) {
    ASSERT_EQ(limits.InsertRow(row, L""), row);
    for (int column = 1; column < 5; ++column) {
      limits.SetCellText(row, column, rows[row][column - 1]);
    }
  }
  HWND editor = GetDlgItem(dialog, IDC_LIMIT_EDIT);
  limits.SetColumnEditor(2, editor);
  limits.SetColumnEditor(3, editor);
}

TEST(ListCtrlEx, DoubleClickEditsInPlaceAndEnterKeepsWithoutClosingTheDialog) {
  Harness dialog(IDD_CONTROLS);
  CListCtrlEx limits;
  dialog.step = [&](Harness& d) {
    FillLimits(d.hwnd(), limits);
    HWND list = limits.hwnd();
    HWND editor = GetDlgItem(d.hwnd(), IDC_LIMIT_EDIT);
    EXPECT_EQ(limits.RowCount(), 3);
    EXPECT_EQ(limits.ColumnCount(), 5);
    EXPECT_FALSE(CMsgHook::Installed());

    DoubleClick(list, 1, 1);  // "Voltage" has no editor
    EXPECT_FALSE(limits.IsEditing());

    DoubleClick(list, 0, 2);
    ASSERT_TRUE(limits.IsEditing());
    EXPECT_EQ(limits.editRow(), 0);
    EXPECT_EQ(limits.editColumn(), 2);
    EXPECT_EQ(GetParent(editor), list);
    EXPECT_TRUE(IsWindowVisible(editor));
    EXPECT_EQ(GetFocus(), editor);
    EXPECT_EQ(Text(editor), L"3400");
    EXPECT_TRUE(CMsgHook::Installed());
    ASSERT_NE(CMsgHook::FromEditor(editor), nullptr);
    EXPECT_EQ(CMsgHook::FromEditor(editor)->list(), list);
    RECT cell = SubItemRect(list, 0, 2);
    RECT placed{};
    GetWindowRect(editor, &placed);
    MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, cell.left);
    EXPECT_EQ(placed.top, cell.top);
    EXPECT_EQ(placed.bottom, cell.bottom);
    EXPECT_EQ(placed.right, cell.right);

    // The editor's notifications still reach the dialog while the list is its parent.
    int changes = d.editorChanges;
    SetWindowTextW(editor, L"12abc");
    EXPECT_GT(d.editorChanges, changes);
    PressKey(d.hwnd(), editor, VK_RETURN);
    EXPECT_FALSE(limits.IsEditing());
    EXPECT_FALSE(IsWindowVisible(editor));
    EXPECT_EQ(limits.CellText(0, 2), L"12abc");
    EXPECT_EQ(d.okOrCancel, 0);
    EXPECT_FALSE(CMsgHook::Installed());
    EXPECT_EQ(CMsgHook::FromEditor(editor), nullptr);

    // The cell beyond the list's right edge is scrolled into view; the editor stays 4 pixels
    // inside the client area.
    DoubleClick(list, 2, 3);
    ASSERT_TRUE(limits.IsEditing());
    RECT client{};
    GetClientRect(list, &client);
    cell = SubItemRect(list, 2, 3);
    GetWindowRect(editor, &placed);
    MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_GE(cell.left, 0);
    EXPECT_EQ(placed.left, cell.left);
    EXPECT_EQ(placed.right, std::min(cell.right, client.right - 4));
    EXPECT_EQ(Text(editor), L"4400");
    PressKey(d.hwnd(), editor, VK_RETURN);
    EXPECT_EQ(limits.CellText(2, 3), L"4400");
  };
  RunModal(dialog);
}

TEST(ListCtrlEx, EscapeDiscardsClickAwayAndFocusLossKeep) {
  Harness dialog(IDD_CONTROLS);
  CListCtrlEx limits;
  dialog.step = [&](Harness& d) {
    FillLimits(d.hwnd(), limits);
    HWND list = limits.hwnd();
    HWND editor = GetDlgItem(d.hwnd(), IDC_LIMIT_EDIT);
    HWND other = GetDlgItem(d.hwnd(), IDC_OTHER_EDIT);

    DoubleClick(list, 1, 2);
    ASSERT_TRUE(limits.IsEditing());
    SetWindowTextW(editor, L"999");
    PressKey(d.hwnd(), editor, VK_ESCAPE);
    EXPECT_FALSE(limits.IsEditing());
    EXPECT_EQ(limits.CellText(1, 2), L"3600");
    EXPECT_EQ(d.okOrCancel, 0);

    // A press of the mouse in another control keeps the text.
    DoubleClick(list, 1, 3);
    SetWindowTextW(editor, L"4100");
    PostMessageW(other, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    PostMessageW(other, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    Pump(d.hwnd());
    EXPECT_FALSE(limits.IsEditing());
    EXPECT_EQ(limits.CellText(1, 3), L"4100");

    // A click on another cell of the list stores the text and nothing else starts.
    DoubleClick(list, 0, 2);
    SetWindowTextW(editor, L"3300");
    POINT at = CellCentre(list, 2, 1);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    Pump(d.hwnd());
    EXPECT_FALSE(limits.IsEditing());
    EXPECT_EQ(limits.CellText(0, 2), L"3300");

    // The focus going elsewhere keeps the text; the end message discards.
    DoubleClick(list, 2, 2);
    SetWindowTextW(editor, L"4050");
    SetFocus(other);
    EXPECT_FALSE(limits.IsEditing());
    EXPECT_EQ(limits.CellText(2, 2), L"4050");
    DoubleClick(list, 2, 2);
    SetWindowTextW(editor, L"1");
    SendMessageW(list, CListCtrlEx::kEndEditMessage, 0, 0);
    EXPECT_EQ(limits.CellText(2, 2), L"4050");
    DoubleClick(list, 2, 2);
    SetWindowTextW(editor, L"4060");
    SendMessageW(list, CListCtrlEx::kEndEditMessage, 1, 0);
    EXPECT_EQ(limits.CellText(2, 2), L"4060");
    EXPECT_FALSE(CMsgHook::Installed());
  };
  RunModal(dialog);
}

TEST(ListCtrlEx, TabWalksTheEditableCellsAndSkipsRefusingOnes) {
  Harness dialog(IDD_CONTROLS);
  CListCtrlEx limits;
  dialog.step = [&](Harness& d) {
    FillLimits(d.hwnd(), limits);
    HWND list = limits.hwnd();
    HWND editor = GetDlgItem(d.hwnd(), IDC_LIMIT_EDIT);

    DoubleClick(list, 0, 2);
    SetWindowTextW(editor, L"3450");
    PressKey(d.hwnd(), editor, VK_TAB);
    ASSERT_TRUE(limits.IsEditing());
    EXPECT_EQ(limits.CellText(0, 2), L"3450");  // Tab keeps what was typed
    EXPECT_EQ(limits.editRow(), 0);
    EXPECT_EQ(limits.editColumn(), 3);
    EXPECT_EQ(Text(editor), L"3800");
    PressKey(d.hwnd(), editor, VK_TAB);
    EXPECT_EQ(limits.editRow(), 1);
    EXPECT_EQ(limits.editColumn(), 2);

    SetShift(true);
    PressKey(d.hwnd(), editor, VK_TAB);
    SetShift(false);
    EXPECT_EQ(limits.editRow(), 0);
    EXPECT_EQ(limits.editColumn(), 3);
    EXPECT_EQ(d.okOrCancel, 0);

    // A read-only row and a read-only cell are walked past.
    limits.SetRowReadOnly(1, true);
    limits.SetCellReadOnly(2, 2, true);
    PressKey(d.hwnd(), editor, VK_TAB);
    EXPECT_EQ(limits.editRow(), 2);
    EXPECT_EQ(limits.editColumn(), 3);
    DoubleClick(list, 1, 2);
    EXPECT_FALSE(limits.IsEditing());  // refused, and the running edit was ended first

    // Past the last editable cell the walk leaves the list for the next control.
    DoubleClick(list, 2, 3);
    ASSERT_TRUE(limits.IsEditing());
    PressKey(d.hwnd(), editor, VK_TAB);
    EXPECT_FALSE(limits.IsEditing());
    EXPECT_NE(GetFocus(), editor);
    EXPECT_NE(GetFocus(), list);

    // A cell-level editor wins over the column's.
    HWND other = GetDlgItem(d.hwnd(), IDC_OTHER_EDIT);
    limits.SetCellEditor(0, 3, other);
    DoubleClick(list, 0, 3);
    EXPECT_EQ(limits.activeEditor(), other);
    EXPECT_EQ(Text(other), L"3800");
    PressKey(d.hwnd(), other, VK_RETURN);
    EXPECT_FALSE(limits.IsEditing());
  };
  RunModal(dialog);
}

TEST(ListCtrlEx, OpenDropDownKeepsTheEditAndDestroyedEditorLeavesTheMap) {
  Harness dialog(IDD_CONTROLS);
  CListCtrlEx limits;
  dialog.step = [&](Harness& d) {
    FillLimits(d.hwnd(), limits);
    HWND list = limits.hwnd();
    HWND combo = GetDlgItem(d.hwnd(), IDC_CHOICE);
    for (const wchar_t* unit : {L"mV", L"mA", L"uA"}) {
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(unit));
    }
    limits.SetColumnEditor(4, combo);
    DoubleClick(list, 0, 4);
    ASSERT_TRUE(limits.IsEditing());
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    ASSERT_TRUE(CMsgHook::FromEditor(combo)->dropDownOpen());
    // A wheel turn elsewhere leaves an editor with an open drop-down alone.
    PostMessageW(d.hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(600, 400));
    Pump(d.hwnd());
    ASSERT_TRUE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_TRUE(limits.IsEditing());
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    ASSERT_NE(CMsgHook::FromEditor(combo), nullptr);
    EXPECT_FALSE(CMsgHook::FromEditor(combo)->dropDownOpen());
    SendMessageW(combo, CB_SETCURSEL, 1, 0);
    PostMessageW(d.hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(600, 400));
    Pump(d.hwnd());
    EXPECT_FALSE(limits.IsEditing());
    EXPECT_EQ(limits.CellText(0, 4), L"mA");

    // An editor window that goes while bound leaves the map; ending then is harmless.
    HWND temporary = CreateWindowExW(0, L"Edit", L"", WS_CHILD, 0, 0, 10, 10, d.hwnd(), nullptr,
                                     nullptr, nullptr);
    limits.SetCellEditor(1, 4, temporary);
    DoubleClick(list, 1, 4);
    ASSERT_NE(CMsgHook::FromEditor(temporary), nullptr);
    DestroyWindow(temporary);
    EXPECT_EQ(CMsgHook::FromEditor(temporary), nullptr);
    limits.EndEdit(true);
    EXPECT_FALSE(limits.IsEditing());
    EXPECT_FALSE(CMsgHook::Installed());

    // Row values and row removal.
    EXPECT_EQ(limits.RowValue(2), 0);
    EXPECT_TRUE(limits.SetRowValue(2, 42));
    EXPECT_EQ(limits.RowValue(2), 42);
    EXPECT_TRUE(limits.DeleteRow(0));
    EXPECT_EQ(limits.RowCount(), 2);
    EXPECT_EQ(limits.RowValue(1), 42);
    EXPECT_EQ(limits.CellText(1, 1), L"AUX 4.2");
    EXPECT_FALSE(limits.DeleteRow(5));
  };
  RunModal(dialog);
}

TEST(ColorStatic, ColoursAndFontAsPainted) {
  Harness dialog(IDD_CONTROLS);
  CColorStatic status;
  dialog.step = [&](Harness& d) {
    ASSERT_TRUE(status.SubclassDlgItem(d.hwnd(), IDC_STATUS));
    HWND hwnd = status.hwnd();
    EXPECT_EQ(status.textColor(), GetSysColor(COLOR_BTNTEXT));
    EXPECT_EQ(status.backgroundColor(), GetSysColor(COLOR_BTNFACE));
    LOGFONTW font{};
    ASSERT_NE(GetObjectW(status.font(), sizeof(font), &font), 0);
    EXPECT_STREQ(font.lfFaceName, L"Courier");
    EXPECT_EQ(font.lfHeight, 10);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)), status.font());

    RECT client{};
    GetClientRect(hwnd, &client);
    POINT corner{client.right - 2, client.bottom - 2};
    status.SetBackgroundColor(0x008000);
    EXPECT_EQ(PixelAt(hwnd, corner), 0x008000u);
    status.SetTextColor(0x0000FF);
    EXPECT_TRUE([&] {
      HDC dc = GetDC(hwnd);
      bool found = false;
      for (int y = 0; y < client.bottom && !found; ++y) {
        for (int x = 0; x < client.right && !found; ++x) {
          found = GetPixel(dc, x, y) == 0x0000FF;
        }
      }
      ReleaseDC(hwnd, dc);
      return found;
    }());
    status.SetBackgroundColor(CColorStatic::kDefaultColor);
    status.SetTextColor(CColorStatic::kDefaultColor);
    EXPECT_EQ(status.backgroundColor(), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(status.textColor(), GetSysColor(COLOR_BTNTEXT));
    EXPECT_EQ(PixelAt(hwnd, corner), GetSysColor(COLOR_BTNFACE));

    ASSERT_TRUE(status.SetFont(L"Tahoma", 9, 30, FW_BOLD));
    HFONT current = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    EXPECT_EQ(current, status.font());
    ASSERT_NE(GetObjectW(current, sizeof(font), &font), 0);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
    EXPECT_EQ(font.lfHeight, 30);
    EXPECT_EQ(font.lfWidth, 9);
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_EQ(font.lfCharSet, 0);
    EXPECT_EQ(font.lfPitchAndFamily, 32);
    // A face longer than a font name holds is cut, not overrun; the font made before is gone.
    EXPECT_TRUE(status.SetFont(std::wstring(100, L'x'), 0, 12, FW_NORMAL));
    EXPECT_EQ(GetObjectW(current, sizeof(font), &font), 0);
    ASSERT_NE(GetObjectW(status.font(), sizeof(font), &font), 0);
    EXPECT_EQ(std::wstring(font.lfFaceName), std::wstring(LF_FACESIZE - 1, L'x'));
    EXPECT_EQ(font.lfHeight, 12);
  };
  RunModal(dialog);
}

struct ChildPlace {
  int id;
  RECT rect;
  HFONT font;
  LONG fontHeight;
};

std::vector<ChildPlace> Children(HWND dialog) {
  std::vector<ChildPlace> children;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
    LOGFONTW description{};
    GetObjectW(font, sizeof(description), &description);
    children.push_back({GetDlgCtrlID(child), rect, font, description.lfHeight});
  }
  return children;
}

TEST(DlgAdjustByResolution, DialogThatFitsIsLeftAsItIs) {
  CDlgAdjustByResolution::ResetProcessLayout();
  Harness dialog(IDD_SMALL);
  std::vector<ChildPlace> before;
  dialog.setUp = [&](Harness& d) {
    // Between Adjust and Finish: the fonts Finish must leave alone. The template's own
    // layout is read from an unadapted twin below.
    before = Children(d.hwnd());
  };
  Harness plain(IDD_SMALL);
  RECT plainWindow{};
  std::vector<ChildPlace> plainChildren;
  plain.step = [&](Harness& d) {
    GetWindowRect(d.hwnd(), &plainWindow);
    plainChildren = Children(d.hwnd());
  };
  RunModal(plain);
  dialog.adapt = true;
  dialog.step = [&](Harness& d) {
    EXPECT_FALSE(d.scalingNeeded());
    EXPECT_EQ(CDlgAdjustByResolution::FirstAdaptedDialog(), d.hwnd());
    RECT now{};
    GetWindowRect(d.hwnd(), &now);
    EXPECT_EQ(now.left, plainWindow.left);
    EXPECT_EQ(now.top, plainWindow.top);
    EXPECT_EQ(now.right - now.left, plainWindow.right - plainWindow.left);
    EXPECT_EQ(now.bottom - now.top, plainWindow.bottom - plainWindow.top);
    std::vector<ChildPlace> after = Children(d.hwnd());
    ASSERT_EQ(after.size(), plainChildren.size());
    for (size_t i = 0; i < after.size(); ++i) {
      EXPECT_TRUE(EqualRect(&after[i].rect, &plainChildren[i].rect)) << after[i].id;
      EXPECT_EQ(after[i].font, before[i].font) << after[i].id;
    }
  };
  RunModal(dialog);
  auto ratios = CDlgAdjustByResolution::CurrentRatios();
  EXPECT_EQ(ratios.width, 1.0);
  EXPECT_EQ(ratios.height, 1.0);
  EXPECT_EQ(ratios.horizontal, 1.0);
  EXPECT_EQ(ratios.vertical, 1.0);
}

TEST(DlgAdjustByResolution, DialogLargerThanTheScreenShrinksToFit) {
  CDlgAdjustByResolution::ResetProcessLayout();
  // The template's own layout, unadapted.
  Harness plain(IDD_HUGE);
  RECT plainWindow{};
  std::vector<ChildPlace> plainChildren;
  plain.step = [&](Harness& d) {
    GetWindowRect(d.hwnd(), &plainWindow);
    plainChildren = Children(d.hwnd());
  };
  RunModal(plain);
  int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_GT(plainWindow.right - plainWindow.left, screenWidth);
  ASSERT_GT(plainWindow.bottom - plainWindow.top, screenHeight);

  Harness dialog(IDD_HUGE);
  dialog.adapt = true;
  dialog.step = [&](Harness& d) {
    ASSERT_TRUE(d.scalingNeeded());
    auto ratios = CDlgAdjustByResolution::CurrentRatios();
    EXPECT_LT(ratios.width, 1.0);
    EXPECT_LT(ratios.height, 1.0);
    EXPECT_LT(ratios.vertical, 1.0);
    EXPECT_LT(ratios.horizontal, 1.0);
    RECT now{};
    GetWindowRect(d.hwnd(), &now);
    EXPECT_EQ(now.left, 0);
    EXPECT_EQ(now.top, 0);
    EXPECT_LE(now.right, screenWidth);
    EXPECT_LE(now.bottom, screenHeight - GetSystemMetrics(SM_CYCAPTION));
    EXPECT_EQ(now.right - now.left,
              static_cast<LONG>((plainWindow.right - plainWindow.left) * ratios.width));
    EXPECT_EQ(now.bottom - now.top,
              static_cast<LONG>((plainWindow.bottom - plainWindow.top) * ratios.height) -
                  3 * GetSystemMetrics(SM_CYBORDER));

    // Every control at its truncated products; the farthest one inside the window.
    std::vector<ChildPlace> after = Children(d.hwnd());
    ASSERT_EQ(after.size(), plainChildren.size());
    RECT client{};
    GetClientRect(d.hwnd(), &client);
    for (size_t i = 0; i < after.size(); ++i) {
      const RECT& was = plainChildren[i].rect;
      controls::Box placed = controls::PlaceControl({was.left, was.top, was.right, was.bottom},
                                                    {ratios.horizontal, ratios.vertical});
      EXPECT_EQ(after[i].rect.left, placed.left) << after[i].id;
      EXPECT_EQ(after[i].rect.top, placed.top) << after[i].id;
      EXPECT_EQ(after[i].rect.right, placed.right) << after[i].id;
      EXPECT_EQ(after[i].rect.bottom, placed.bottom) << after[i].id;
      EXPECT_LE(after[i].rect.right, client.right) << after[i].id;
      // Fonts scaled by the height ratio, one font for all controls that had the same.
      ASSERT_NE(plainChildren[i].fontHeight, 0);
      EXPECT_EQ(after[i].fontHeight,
                static_cast<LONG>(plainChildren[i].fontHeight * ratios.height));
      EXPECT_NE(after[i].fontHeight, plainChildren[i].fontHeight);
      EXPECT_EQ(after[i].font, after[0].font);
    }
  };
  RunModal(dialog);

  // A later dialog only has its controls placed with the same position ratios.
  auto ratios = CDlgAdjustByResolution::CurrentRatios();
  Harness plainSmall(IDD_SMALL);
  std::vector<ChildPlace> smallChildren;
  plainSmall.step = [&](Harness& d) { smallChildren = Children(d.hwnd()); };
  RunModal(plainSmall);
  Harness later(IDD_SMALL);
  later.adapt = true;
  later.step = [&](Harness& d) {
    EXPECT_FALSE(d.scalingNeeded());
    std::vector<ChildPlace> after = Children(d.hwnd());
    ASSERT_EQ(after.size(), smallChildren.size());
    for (size_t i = 0; i < after.size(); ++i) {
      const RECT& was = smallChildren[i].rect;
      EXPECT_EQ(after[i].rect.left, static_cast<LONG>(was.left * ratios.horizontal));
      EXPECT_EQ(after[i].rect.bottom, static_cast<LONG>(was.bottom * ratios.vertical));
      EXPECT_EQ(after[i].fontHeight, smallChildren[i].fontHeight);
    }
  };
  RunModal(later);
  CDlgAdjustByResolution::ResetProcessLayout();
}

}  // namespace
