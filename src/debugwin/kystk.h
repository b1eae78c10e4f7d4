#pragma once
// The stack window: the stack state from register 24 ("OVER", "FULL",
// "UNDER" or the depth in use) and one row per stack level of the chip with
// its entry, which the user can change by typing or through the hex keypad.
// In the simulator an entry is written into the model; in the emulator it goes
// to the pod's stack level and the model takes the level read back. The grid
// is made when the window is first shown or the grid asked for.
#include <map>

#include "base/lang.h"
#include "debugwin/dbggrid.h"
#include "debugwin/debugform.h"

namespace kyvor {

class TKy_UP;

// The state cell's text for a value of register 24.
QString StackStateText(uint8_t stackPointer);

class TStackModel : public TKyGridModel {
  Q_OBJECT
 public:
  explicit TStackModel(QObject* parent = nullptr) : TKyGridModel(parent) {}
  // Rows for the depth: the header row and one per level.
  void Shape(int depth);
  // The state and the entries in use; rows being typed into show their text.
  void Fill(const TKy_UP& up, const std::map<int, QString>& edits);
};

class TKy_STK : public TKyDebugForm, public ILangCaptionTarget {
  Q_OBJECT
 public:
  explicit TKy_STK(QWidget* parent = nullptr);
  ~TKy_STK() override;
  // The title ("Stack") in the current language.
  void ApplyMenuCaptions() override;
  // All levels of the chip's stack.
  int ContentHeight() const override;

  // Sizes the grid to the chip's stack depth.
  void Creatformstk();
  void RefreshStack();
  void RefreshStackView(bool force);
  // Writes the entries typed but not yet written (the window lost the focus);
  // nothing while the target runs.
  void WriteBackStack();
  void Refresh(TRefreshReason reason) override;

  // The grid (made now when it is asked for the first time).
  TKyGrid* Grid();
  void BuildContents() override { Grid(); }
  TStackModel* GridModel() const { return model_; }
  bool HasEdit(int level) const { return edits_.count(level) != 0; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  bool onKey(QKeyEvent* event);
  void onDoubleClick(const QModelIndex& index);
  void writeLevel(int level, uint32_t value);
  void repaintCells();
  // The grid's columns and sizes for the chip's stack depth.
  void sizeGrid();

  TKyGrid* grid_ = nullptr;
  TStackModel* model_;
  std::map<int, QString> edits_;  // level -> typed text not yet written
};

}  // namespace kyvor
