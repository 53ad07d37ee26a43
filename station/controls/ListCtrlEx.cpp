#include "station/controls/ListCtrlEx.h"

#include <commctrl.h>

#include <algorithm>

#include "station/controls/ListCellRect.h"
#include "station/controls/ListRowParam.h"
#include "station/controls/core/EditNavigation.h"
#include "station/ui/WindowText.h"

namespace {

constexpr UINT_PTR kKeysSubclassId = 0x4B455953;  // the editor's key claim while it edits

bool ControlDown() {
  return GetKeyState(VK_CONTROL) < 0;
}
bool ShiftDown() {
  return GetKeyState(VK_SHIFT) < 0;
}

bool IsSelfOrDescendant(HWND ancestor, HWND window) {
  return window != nullptr && (window == ancestor || IsChild(ancestor, window));
}

// While a cell is edited its editor, and every window inside it, wants every key from the
// dialog, and Tab walks the list instead of the dialog.
LRESULT CALLBACK EditorKeysProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR listObject) {
  auto* list = reinterpret_cast<CListCtrlEx*>(listObject);
  switch (message) {
    case WM_GETDLGCODE:
      return DefSubclassProc(window, message, wParam, lParam) | DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      if (wParam == VK_TAB && !ControlDown()) {
        bool backward = ShiftDown();
        HWND listWindow = list->hwnd();
        if (!list->TabToNextCell(backward) && IsWindow(listWindow)) {
          // The walk left the list: the dialog's next control gets the focus.
          PostMessageW(GetParent(listWindow), WM_NEXTDLGCTL, backward ? 1 : 0, FALSE);
        }
        return 0;
      }
      break;
    case WM_CHAR:
      if (wParam == L'\t' || wParam == L'\r' || wParam == 0x1B) {
        return 0;  // handled as keys; no beep
      }
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

BOOL CALLBACK ClaimChild(HWND child, LPARAM listObject) {
  SetWindowSubclass(child, &EditorKeysProc, kKeysSubclassId, static_cast<DWORD_PTR>(listObject));
  return TRUE;
}

BOOL CALLBACK ReleaseChild(HWND child, LPARAM) {
  RemoveWindowSubclass(child, &EditorKeysProc, kKeysSubclassId);
  return TRUE;
}

struct SortContext {
  HWND list;
  int column;
};

std::wstring ItemText(HWND list, int row, int column) {
  std::wstring text(1024, L'\0');
  LVITEMW cell{};
  cell.iSubItem = column;
  cell.pszText = text.data();
  cell.cchTextMax = static_cast<int>(text.size());
  int length =
      static_cast<int>(SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&cell)));
  text.resize(length < 0 ? 0 : static_cast<size_t>(length));
  return text;
}

int CALLBACK CompareRows(LPARAM first, LPARAM second, LPARAM context) {
  auto* sort = reinterpret_cast<SortContext*>(context);
  std::wstring a = ItemText(sort->list, static_cast<int>(first), sort->column);
  std::wstring b = ItemText(sort->list, static_cast<int>(second), sort->column);
  return lstrcmpiW(a.c_str(), b.c_str());
}

}  // namespace

CListCtrlEx::CListCtrlEx() = default;

CListCtrlEx::~CListCtrlEx() {
  hook_.reset();
  if (activeEditor_ != nullptr) {
    ClaimKeys(activeEditor_, false);
  }
  Unsubclass();
}

int CListCtrlEx::RowCount() const {
  return hwnd() != nullptr ? static_cast<int>(SendMessageW(hwnd(), LVM_GETITEMCOUNT, 0, 0)) : 0;
}

int CListCtrlEx::ColumnCount() const {
  HWND header = hwnd() != nullptr
                    ? reinterpret_cast<HWND>(SendMessageW(hwnd(), LVM_GETHEADER, 0, 0))
                    : nullptr;
  return header != nullptr ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int CListCtrlEx::InsertRow(int index, std::wstring_view text) {
  if (hwnd() == nullptr) {
    return -1;
  }
  items_.emplace_back();
  std::wstring copy(text);
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = index;
  item.pszText = copy.data();
  item.lParam = reinterpret_cast<LPARAM>(&items_.back());
  int row =
      static_cast<int>(SendMessageW(hwnd(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) {
    items_.pop_back();
    return -1;
  }
  if (editRow_ >= row) {
    ++editRow_;
  }
  if (lastRow_ >= row) {
    ++lastRow_;
  }
  return row;
}

bool CListCtrlEx::DeleteRow(int row) {
  if (row < 0 || row >= RowCount()) {
    return false;
  }
  if (editRow_ == row) {
    OnEndEdit(false);
  }
  if (ItemData* data = DataOf(row)) {
    items_.remove_if([data](const ItemData& item) { return &item == data; });
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = 0;
    SendMessageW(hwnd(), LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  if (!SendMessageW(hwnd(), LVM_DELETEITEM, row, 0)) {
    return false;
  }
  if (editRow_ > row) {
    --editRow_;
  }
  if (lastRow_ == row) {
    lastRow_ = lastColumn_ = -1;
  } else if (lastRow_ > row) {
    --lastRow_;
  }
  return true;
}

void CListCtrlEx::DeleteAllRows() {
  OnEndEdit(false);
  if (hwnd() != nullptr) {
    SendMessageW(hwnd(), LVM_DELETEALLITEMS, 0, 0);
  }
  items_.clear();
  lastRow_ = lastColumn_ = -1;
}

CListCtrlEx::ItemData* CListCtrlEx::DataOf(int row) const {
  return reinterpret_cast<ItemData*>(ListRowParam(hwnd(), row));
}

CListCtrlEx::ItemData* CListCtrlEx::EnsureData(int row) {
  if (row < 0 || row >= RowCount()) {
    return nullptr;
  }
  if (ItemData* data = DataOf(row)) {
    return data;
  }
  // A row inserted around this class gets its data on first use.
  items_.emplace_back();
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  item.lParam = reinterpret_cast<LPARAM>(&items_.back());
  SendMessageW(hwnd(), LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return &items_.back();
}

bool CListCtrlEx::SetRowValue(int row, int32_t value) {
  ItemData* data = EnsureData(row);
  if (data == nullptr) {
    return false;
  }
  data->value = value;
  return true;
}

int32_t CListCtrlEx::RowValue(int row) const {
  ItemData* data = DataOf(row);
  return data != nullptr ? data->value : 0;
}

std::wstring CListCtrlEx::CellText(int row, int column) const {
  if (hwnd() == nullptr || row < 0 || column < 0) {
    return {};
  }
  return ItemText(hwnd(), row, column);
}

bool CListCtrlEx::SetCellText(int row, int column, std::wstring_view text) {
  if (hwnd() == nullptr || row < 0 || column < 0) {
    return false;
  }
  std::wstring copy(text);
  LVITEMW cell{};
  cell.iSubItem = column;
  cell.pszText = copy.data();
  return SendMessageW(hwnd(), LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&cell)) != 0;
}

CListCtrlEx::EditSettings& CListCtrlEx::ColumnSettings(int column) {
  if (column >= static_cast<int>(columns_.size())) {
    columns_.resize(static_cast<size_t>(column) + 1);
  }
  return columns_[column];
}

void CListCtrlEx::SetColumnEditor(int column, HWND editor, EditCallback callback) {
  if (column < 0) {
    return;
  }
  EditSettings& settings = ColumnSettings(column);
  settings.editor = editor;
  settings.callback = std::move(callback);
}

void CListCtrlEx::SetColumnReadOnly(int column, bool readOnly) {
  if (column >= 0) {
    ColumnSettings(column).readOnly = readOnly;
  }
}

void CListCtrlEx::SetRowEditor(int row, HWND editor, EditCallback callback) {
  if (ItemData* data = EnsureData(row)) {
    data->row.editor = editor;
    data->row.callback = std::move(callback);
  }
}

void CListCtrlEx::SetRowReadOnly(int row, bool readOnly) {
  if (ItemData* data = EnsureData(row)) {
    data->row.readOnly = readOnly;
  }
}

void CListCtrlEx::SetCellEditor(int row, int column, HWND editor, EditCallback callback) {
  ItemData* data = EnsureData(row);
  if (data == nullptr || column < 0) {
    return;
  }
  if (column >= static_cast<int>(data->cells.size())) {
    data->cells.resize(static_cast<size_t>(column) + 1);
  }
  data->cells[column].editor = editor;
  data->cells[column].callback = std::move(callback);
}

void CListCtrlEx::SetCellReadOnly(int row, int column, bool readOnly) {
  ItemData* data = EnsureData(row);
  if (data == nullptr || column < 0) {
    return;
  }
  if (column >= static_cast<int>(data->cells.size())) {
    data->cells.resize(static_cast<size_t>(column) + 1);
  }
  data->cells[column].readOnly = readOnly;
}

bool CListCtrlEx::ChooseEditor(int row, int column, HWND& editor, EditCallback& callback) const {
  editor = nullptr;
  callback = {};
  if (row < 0 || column < 0 || row >= RowCount() || column >= ColumnCount()) {
    return false;
  }
  if (column < static_cast<int>(columns_.size())) {
    const EditSettings& settings = columns_[column];
    if (settings.readOnly) {
      return false;
    }
    editor = settings.editor;
    callback = settings.callback;
  }
  if (const ItemData* data = DataOf(row)) {
    if (data->row.readOnly) {
      return false;
    }
    if (data->row.editor != nullptr) {
      editor = data->row.editor;
      callback = data->row.callback;
    }
    if (column < static_cast<int>(data->cells.size())) {
      const CellInfo& cell = data->cells[column];
      if (cell.readOnly) {
        return false;
      }
      if (cell.editor != nullptr) {
        editor = cell.editor;
        callback = cell.callback;
      }
    }
  }
  return editor != nullptr && IsWindow(editor);
}

RECT CListCtrlEx::CellRect(int row, int column) const {
  return ListCellRect(hwnd(), row, column, ColumnCount());
}

bool CListCtrlEx::StartEdit(int row, int column) {
  if (hwnd() == nullptr) {
    return false;
  }
  OnEndEdit(true);
  HWND editor = nullptr;
  EditCallback callback;
  if (!ChooseEditor(row, column, editor, callback)) {
    return false;
  }

  SendMessageW(hwnd(), LVM_ENSUREVISIBLE, row, FALSE);
  RECT client{};
  GetClientRect(hwnd(), &client);
  RECT cell = CellRect(row, column);
  controls::CellPlacement placement =
      controls::PlaceCellInView(cell.left, cell.right, client.right);
  if (placement.scroll != 0) {
    SendMessageW(hwnd(), LVM_SCROLL, placement.scroll, 0);
    cell = CellRect(row, column);  // where the list really scrolled to
  }
  cell.right = std::min<LONG>(cell.right, client.right - 4);

  editRow_ = lastRow_ = row;
  editColumn_ = lastColumn_ = column;
  activeEditor_ = editor;
  activeCallback_ = callback;
  std::wstring text = CellText(row, column);
  if (callback) {
    EditEvent event{EditPhase::kBegin, editor, row, column, true, text};
    callback(event);
  } else {
    SetWindowTextW(editor, text.c_str());
  }
  SetParent(editor, hwnd());
  SetWindowPos(editor, HWND_TOP, cell.left, cell.top, cell.right - cell.left,
               cell.bottom - cell.top, SWP_SHOWWINDOW);
  SetFocus(editor);
  wchar_t editorClass[16] = L"";
  GetClassNameW(editor, editorClass, 16);
  if (lstrcmpiW(editorClass, L"Edit") == 0) {
    SendMessageW(editor, EM_SETSEL, 0, -1);  // typing replaces the old value
  }
  ClaimKeys(editor, true);
  hook_ = std::make_unique<CMsgHook>(editor, hwnd());
  return true;
}

void CListCtrlEx::EndEdit(bool keep) {
  if (hwnd() != nullptr) {
    SendMessageW(hwnd(), kEndEditMessage, keep ? 1 : 0, 0);
  }
}

void CListCtrlEx::OnEndEdit(bool keep) {
  if (ending_ || hook_ == nullptr || activeEditor_ == nullptr) {
    return;
  }
  ending_ = true;
  hook_.reset();
  HWND editor = activeEditor_;
  EditCallback callback = std::move(activeCallback_);
  int row = editRow_;
  int column = editColumn_;
  ClaimKeys(editor, false);
  bool hadFocus = IsSelfOrDescendant(editor, GetFocus());
  ShowWindow(editor, SW_HIDE);

  std::wstring text = ui::WindowText(editor);
  int store = keep ? 1 : 0;
  if (callback) {
    EditEvent event{EditPhase::kEnd, editor, row, column, keep, text};
    store = callback(event);
    text = std::move(event.text);
  }
  if (store != 0) {
    SetCellText(row, column, text);
  }
  SendMessageW(hwnd(), LVM_REDRAWITEMS, row, row);
  activeEditor_ = nullptr;
  activeCallback_ = {};
  editRow_ = editColumn_ = -1;
  if (store == -1) {
    SortByColumn(column);
  }
  if (hadFocus) {
    SetFocus(hwnd());  // a hidden editor must not keep the keyboard
  }
  ending_ = false;
}

bool CListCtrlEx::TabToNextCell(bool backward) {
  controls::CellPosition current{lastRow_, lastColumn_};
  if (IsEditing()) {
    current = {editRow_, editColumn_};
  }
  std::optional<controls::CellPosition> target = controls::WalkToEditableCell(
      current, RowCount(), ColumnCount(), backward, [this](controls::CellPosition cell) {
        HWND editor = nullptr;
        EditCallback callback;
        return ChooseEditor(cell.row, cell.column, editor, callback);
      });
  if (!target) {
    OnEndEdit(true);
    return false;
  }
  return StartEdit(target->row, target->column);
}

bool CListCtrlEx::IsEditorWindow(HWND window) const {
  if (window == nullptr || GetParent(window) != hwnd()) {
    return false;
  }
  if (window == activeEditor_) {
    return true;
  }
  for (const EditSettings& column : columns_) {
    if (column.editor == window) {
      return true;
    }
  }
  for (const ItemData& item : items_) {
    if (item.row.editor == window) {
      return true;
    }
    for (const CellInfo& cell : item.cells) {
      if (cell.editor == window) {
        return true;
      }
    }
  }
  return false;
}

void CListCtrlEx::ClaimKeys(HWND editor, bool claim) {
  if (claim) {
    ClaimChild(editor, reinterpret_cast<LPARAM>(this));
    EnumChildWindows(editor, &ClaimChild, reinterpret_cast<LPARAM>(this));
  } else {
    ReleaseChild(editor, 0);
    EnumChildWindows(editor, &ReleaseChild, 0);
  }
}

void CListCtrlEx::SortByColumn(int column) {
  SortContext context{hwnd(), column};
  SendMessageW(hwnd(), LVM_SORTITEMSEX, reinterpret_cast<WPARAM>(&context),
               reinterpret_cast<LPARAM>(&CompareRows));
  lastRow_ = lastColumn_ = -1;
}

LRESULT CListCtrlEx::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  handled = false;
  switch (message) {
    case kEndEditMessage:
      handled = true;
      OnEndEdit(wParam != 0);
      return 0;
    case WM_LBUTTONDBLCLK: {
      handled = true;
      LRESULT result = Default(message, wParam, lParam);
      LVHITTESTINFO hit{};
      hit.pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (SendMessageW(hwnd(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) >= 0 &&
          hit.iItem >= 0) {
        StartEdit(hit.iItem, hit.iSubItem);
      }
      return result;
    }
    case WM_GETDLGCODE: {
      const auto* key = reinterpret_cast<const MSG*>(lParam);
      if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_TAB && !ControlDown()) {
        controls::CellPosition current{lastRow_, lastColumn_};
        bool target = controls::WalkToEditableCell(current, RowCount(), ColumnCount(), ShiftDown(),
                                                   [this](controls::CellPosition cell) {
                                                     HWND editor = nullptr;
                                                     EditCallback callback;
                                                     return ChooseEditor(cell.row, cell.column,
                                                                         editor, callback);
                                                   })
                          .has_value();
        if (target) {
          handled = true;
          return Default(message, wParam, lParam) | DLGC_WANTTAB;
        }
      }
      return 0;
    }
    case WM_KEYDOWN:
      if (wParam == VK_TAB && !ControlDown()) {
        handled = true;
        bool backward = ShiftDown();
        if (!TabToNextCell(backward)) {
          PostMessageW(GetParent(hwnd()), WM_NEXTDLGCTL, backward ? 1 : 0, FALSE);
        }
      }
      return 0;
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
      // An editor lives in the list only because it edits here: its notifications and colour
      // requests still belong to the dialog.
      if (IsEditorWindow(reinterpret_cast<HWND>(lParam))) {
        handled = true;
        return SendMessageW(GetParent(hwnd()), message, wParam, lParam);
      }
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header != nullptr && IsEditorWindow(header->hwndFrom)) {
        handled = true;
        return SendMessageW(GetParent(hwnd()), message, wParam, lParam);
      }
      return 0;
    }
    default:
      return 0;
  }
}

void CListCtrlEx::OnDestroyed() {
  hook_.reset();
  if (activeEditor_ != nullptr && IsWindow(activeEditor_)) {
    ClaimKeys(activeEditor_, false);
  }
  activeEditor_ = nullptr;
  activeCallback_ = {};
  editRow_ = editColumn_ = lastRow_ = lastColumn_ = -1;
  items_.clear();
}
