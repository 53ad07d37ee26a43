// Shrinks a dialog that does not fit the screen, with its controls and their fonts. Mixed into
// a dialog class: call Adjust(hwnd()) at the start of the dialog's initialisation and Finish()
// at its end.
//
// The first dialog adapted in the process decides the ratios: when its window is larger than
// the room beside the taskbar it is moved to the top-left corner and shrunk, its controls are
// moved in proportion and get fonts scaled by the height ratio. Every later dialog only has
// its controls moved with the same position ratios. On a screen large enough nothing is moved,
// resized or given another font.
//
//   class CVarnexDlg : public ui::Dialog, public CDlgAdjustByResolution {
//     bool OnInitDialog() override { Adjust(hwnd()); ...; Finish(); return true; }
//   };
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CDlgAdjustByResolution {
 public:
  // The process-wide ratios, all 1.0 until a dialog was shrunk.
  struct Ratios {
    double vertical = 1.0;    // control positions, top to bottom
    double horizontal = 1.0;  // control positions, left to right
    double width = 1.0;       // the first dialog's window width
    double height = 1.0;      // the first dialog's window height and every font height
  };

  CDlgAdjustByResolution() = default;
  virtual ~CDlgAdjustByResolution();
  CDlgAdjustByResolution(const CDlgAdjustByResolution&) = delete;
  CDlgAdjustByResolution& operator=(const CDlgAdjustByResolution&) = delete;

  void Adjust(HWND dialog);
  void Finish();

  bool scalingNeeded() const { return scalingNeeded_; }
  static Ratios CurrentRatios();
  static HWND FirstAdaptedDialog();
  // Forgets the ratios and the first dialog, so that the next dialog adapted decides anew.
  static void ResetProcessLayout();

 protected:
  // One direct child control each, in this order of use.
  virtual void MeasureControl(HWND control);
  virtual void PlaceControl(HWND control);
  virtual void ScaleControlFont(HWND control);

  HWND dialog() const { return dialog_; }

 private:
  struct OwnedFont {
    HFONT font;
    LONG height;
    std::wstring face;
  };
  void PlaceAllControls();

  HWND dialog_ = nullptr;
  bool scalingNeeded_ = false;
  int largestBottom_ = 0;
  int largestRight_ = 0;
  std::vector<OwnedFont> fonts_;
};
