#pragma once
// The breakpoint list: every program address that holds a breakpoint, with its
// source line, in a two-column grid; a double-click reports the address to
// the main window, which shows it in the source view and the listing. The
// grid is made when the window is first shown or the grid asked for; the list
// it shows is kept from the start.
#include <functional>

#include "base/lang.h"
#include "debugwin/dbggrid.h"
#include "debugwin/debugform.h"

namespace kyvor {

class TKy_BP : public TKyDebugForm, public ILangCaptionTarget {
  Q_OBJECT
 public:
  static constexpr int kRows = 21;

  explicit TKy_BP(QWidget* parent = nullptr);
  ~TKy_BP() override;
  // The title ("Break Point") in the current language.
  void ApplyMenuCaptions() override { applyCaption(); }

  // Rows 1.. get the breakpoint addresses in ascending order and their source
  // lines ("----" for a word without one); the rows after them are emptied.
  void FillBreakpointList();
  void Refresh(TRefreshReason reason) override;

  // Installed by the main window.
  std::function<void(TKy_BP& sender, int32_t address)> OnAddressPicked;

  // The grid (made now when it is asked for the first time).
  TKyGrid* Grid();
  TKyGridModel* GridModel() const { return model_; }
  void BuildContents() override { Grid(); }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void onDoubleClick(const QModelIndex& index);
  void applyCaption();

  TKyGrid* grid_ = nullptr;
  TKyGridModel* model_;
};

}  // namespace kyvor
