#pragma once
// The watch window and its two dialogs: the grid of watched symbols with their
// current values (TKy_WATCH), the add/remove dialog with the lists "Watch List"
// and "Other Constant" (TKy_ADDWCH), and the edit dialog that turns a watch
// into a bit watch on a referenced register (TKy_WCHEDIT). The watches and
// their properties persist in the main file's ".pro" file.
#include <QDialog>
#include <QStringList>
#include <functional>
#include <string>

#include "base/lang.h"
#include "debugwin/dbggrid.h"
#include "debugwin/debugform.h"
#include "debugwin/watchdata.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QAction;
class QRadioButton;
class QPushButton;

namespace kyvor {

// The dialogs make their controls when they are first shown or a control is
// asked for; until then the add/remove dialog keeps its two lists as names
// and the edit dialog its symbol list.
class TKy_ADDWCH : public QDialog {
  Q_OBJECT
 public:
  explicit TKy_ADDWCH(QWidget* parent = nullptr);

  // Operation 0: add the name as a watch; 1: remove it (1 with no name:
  // remove all).
  std::function<void(int operation, const std::string& name)> OnNotify;

  // Every constant and data symbol into "Other Constant", "Watch List" empty.
  void FillWatchSymbolLists(const TKy_UP& up);
  // Moves a name between the lists and notifies; false when it is not there.
  bool MoveSymbolToWatches(const std::string& name);
  bool MoveSymbolFromWatches(const std::string& name);
  void MoveSelectedToWatches();    // "<"
  void MoveSelectedFromWatches();  // ">"
  void MoveAllToWatches();         // "<<"
  void MoveAllFromWatches();       // ">>" (asks first)

  QListWidget* WatchList();
  QListWidget* OtherList();
  QLineEdit* AddEdit();
  QLineEdit* DelEdit();
  void setVisible(bool visible) override;

 private:
  void build();
  bool moveName(bool toWatches, const QString& name);
  QStringList watchNames_, otherNames_;  // the lists before the controls are made
  QListWidget* list1_ = nullptr;
  QListWidget* list2_ = nullptr;
  QLineEdit* edAdd_ = nullptr;
  QLineEdit* edDel_ = nullptr;
};

class TKy_WCHEDIT : public QDialog {
  Q_OBJECT
 public:
  explicit TKy_WCHEDIT(QWidget* parent = nullptr);

  // The result of an edit goes to the watch window.
  std::function<void(const TWatchRecord& record)> OnApply;
  void SetModel(const TKy_UP* up) { up_ = up; }

  void LoadWatchEditor(const TWatchRecord& record);
  void FillSymbolList(const TKy_UP& up);
  // Applies the shown data with the given mark; false (and a message) when
  // the referenced address is not known.
  bool ApplyWatchEdit(const std::string& mark);
  // "Bit" or "Normal"; "Bit" only while the value is below 8.
  bool SelectBitMode(bool bit);
  void OkClick();
  void ApplyClick();
  void RestoreClick();

  bool Modified() const { return modified_; }
  bool BitMode() const;
  QLineEdit* ValueEdit();
  QLineEdit* ReferenceEdit();
  QLabel* SymbolLabel();
  QListWidget* SymbolList();
  QLabel* ModifiedLabel();
  int BeepCount() const { return beeps_; }
  void setVisible(bool visible) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build();
  void show(const TWatchEditView& view);
  void setModified(bool on);
  void copySelectedName();

  const TKy_UP* up_ = nullptr;
  TWatchRecord loaded_;
  QStringList symbolNames_;  // the symbol list before the controls are made
  QLabel* symbol_ = nullptr;
  QLineEdit* value_ = nullptr;
  QRadioButton* btNormal_ = nullptr;
  QRadioButton* btBit_ = nullptr;
  QLineEdit* edit_ = nullptr;
  QListWidget* list_ = nullptr;
  QLabel* labModified_ = nullptr;
  bool bitMode_ = false;
  bool showing_ = false;
  bool modified_ = false;
  int beeps_ = 0;
};

class TKy_WATCH : public TKyDebugForm, public ILangCaptionTarget {
  Q_OBJECT
 public:
  explicit TKy_WATCH(QWidget* parent = nullptr);
  ~TKy_WATCH() override;
  // The title ("Watch") in the current language.
  void ApplyMenuCaptions() override;
  // All its columns beside the scroll bar.
  int ContentWidth() const override;

  // The dialogs and the RAM window's marks (not owned; created at start-up).
  void AttachDialogs(TKy_ADDWCH* add, TKy_WCHEDIT* edit);
  void AttachRamMarks(TRamMarks* marks) { ramMarks_ = marks; }

  // Rebuilds the tables from the model's symbols, fills the dialogs, labels
  // the data symbols in the RAM window and loads the properties.
  void InitWatchWindow();
  bool AddWatch(const std::string& name);
  bool RemoveWatch(const std::string& name);
  void ClearAllWatches();
  void RefreshWatchValues();
  bool SaveWatchProperties(const std::string& path);
  bool LoadWatchProperties(const std::string& path);
  void ApplyWatchRecord(const TWatchRecord& record);
  // The file the tables belong to (the one they were loaded for), and the
  // tables written back to it (nothing when there are none).
  const std::string& PropertiesPath() const { return propertiesPath_; }
  void SaveToPropertiesFile();
  // The user's changes not written yet go to the file now.
  void WritePendingChanges();

  // Context menu items by caption ("Delete Watch", "Hide Addr", ...) and the
  // value formats 0..3.
  void MenuCommand(const QString& caption);
  void SetValueFormat(int format);
  QMenu* PopupMenu() const { return pMenu_; }
  QMenu* FormatMenu() const { return pMenu1_; }
  void Refresh(TRefreshReason reason) override;

  const TWatchTable& Table() const { return table_; }
  // The grid (made now when it is asked for the first time; the window makes
  // it when it first shows).
  TKyGrid* Grid();
  void BuildContents() override { Grid(); }
  TKyGridModel* GridModel() const { return model_; }
  int VisibleWatchRows() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void buildMenus();
  void paint();
  void updateRows();
  // The top row stays at or above the last watch.
  void keepTopRow();
  // A column sized on the grid: the window as wide as the first four columns.
  void fitToColumns();
  // Column 3 sized for the window's width.
  void fitValueColumn();
  // The grid's width with its first `count` columns (and its frame and
  // vertical scroll bar).
  int widthOfColumns(int count) const;
  void notify(int operation, const std::string& name);
  // A change made by the user goes to the properties file when the events
  // have run.
  void keepUserChange();
  void onCurrentChanged(const QModelIndex& index);
  void onDoubleClick(const QModelIndex& index);
  bool onKey(QKeyEvent* event);
  bool confirm(const char* question);
  void rebuildListsFromTable();

  TWatchTable table_;
  TKyGrid* grid_ = nullptr;
  TKyGridModel* model_;
  QMenu* pMenu_ = nullptr;
  QMenu* pMenu1_ = nullptr;
  QAction* hideAddr_ = nullptr;
  TKy_ADDWCH* add_ = nullptr;
  TKy_WCHEDIT* edit_ = nullptr;
  TRamMarks* ramMarks_ = nullptr;
  std::string propertiesPath_;
  bool loadingProperties_ = false;
  bool savePending_ = false;  // a user change not written to the file yet
};

}  // namespace kyvor
