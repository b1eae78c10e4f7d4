#pragma once
// The analog peripheral windows (ADC, op amp, comparator, ADC-I, ADC-II,
// multi-comparator). One class builds any of them from its binding table
// (peripherals/periph_table.h): every control shows one register field of the
// chip, read from the CPU model's register image, and a user change is a
// read-modify-write of that field through the logged write path. The windows
// keep no copy of the registers; their only state is each field's Cache, the
// result display options and the last-clicked toggle.
#include <QColor>
#include <QLabel>
#include <array>
#include <vector>

#include "peripherals/periph_table.h"
#include "guicommon/childform.h"

class QComboBox;
class QHBoxLayout;
class QVBoxLayout;
class QToolButton;

namespace kyvor {

class TKy_UP;
class TKyPeripheralHub;

// Colours of the peripheral windows' panels and labels.
QColor PanelSetColor();     // a set 1-bit panel (active caption)
QColor WindowTextOnColor(); // text on a set panel, a chosen option, a lit flag
QColor ClearColor();        // a clear panel, an option not chosen, a dark flag
QColor ChosenOptionColor(); // the chosen option's label
QColor FlagSetColor();      // a lit status flag

// Position of the list entry whose text is the binary code `code`; -1 when
// the list has none (the chip refused that option).
int CodeEntry(const QComboBox* list, int code);

// A label that is never narrower than its text, nor than its floor width, so
// a squeezed window scrolls rather than cut it.
class TFitLabel : public QLabel {
 public:
  explicit TFitLabel(const QString& text = QString(), QWidget* parent = nullptr)
      : QLabel(text, parent) {}
  void SetFloorWidth(int width) {
    floor_ = width;
    updateGeometry();
  }
  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

 private:
  int floor_ = 0;
};

// A label that reports left clicks (toggle panels, option labels).
class TClickLabel : public TFitLabel {
  Q_OBJECT
 public:
  explicit TClickLabel(const QString& text, QWidget* parent = nullptr) : TFitLabel(text, parent) {}
 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* ev) override;
};

// When a peripheral window builds its controls: at its creation, or at its
// first use (a show, a command, a control asked for), as the program makes
// them. Until then its refreshes take the chip's state of its fields at once
// and leave the drawing to the build, which draws what the refreshes would
// have drawn.
enum class TBuildWhen { AtCreation, AtFirstUse };

class TKyPeripheralForm : public TKyChildForm {
  Q_OBJECT
 public:
  explicit TKyPeripheralForm(TPeripheralKind kind, QWidget* parent = nullptr,
                             TBuildWhen when = TBuildWhen::AtCreation);

  TPeripheralKind Kind() const { return kind_; }
  const TPeripheralTable& Table() const { return table_; }
  ~TKyPeripheralForm() override;
  // Without the CPU model (Model(), handed over by AttachModel) every handler
  // and the refresh do nothing.

  // The main window's redraws: at debug entry the window takes the chip's
  // bindings; after a step, a stop, a reset or a register write a live
  // window re-reads its fields.
  void Refresh(TRefreshReason reason) override;
  void BuildContents() override { ensureBuilt(); }
  // True once the controls are built.
  bool ContentsBuilt() const { return built_; }
  // Re-reads every bound field and redraws (on change or always, per binding).
  void DataUpdate();
  int updateCount() const { return updates_; }
  // Every Cache of the window's fields 0, display options to their defaults,
  // every control drawn in its 0 state.
  void Init();
  // Takes what the chip loader prepared: enabled controls, panel and option
  // captions, the multiplexers' list codes, the temperature panel; then Init.
  void ApplyChip();
  // Fills the DC offset list with `codes` codes of `digits` digits.
  void SetListCodes(const char* list, int codes, int digits);

  // Draws every binding of the field with the value (shared drawers).
  void DrawField(TFieldId id, int value);
  // Result display: mode 0 HEX, 1 DEC; width index 0..16 (8 + index bits).
  int ResultMode() const { return mode_; }
  int WidthIndex() const { return widthIndex_; }

  // --- for the named hooks -----------------------------------------------------
  QWidget* Control(const char* name) const;
  void SetText(const char* name, const QString& text);
  void SetShown(const char* name, bool shown);
  uint8_t ReadFieldValue(TFieldId id) const;
  bool WriteFieldValue(TFieldId id, int value);
  // The result label of the window (nullptr without one).
  const char* ResultLabel() const;
  const TBinding* BindingOf(TFieldId id) const;
  // Standard drawing of a binding without its hook.
  void DrawPlain(const TBinding& b, int value);
  // The input buffer's drawn state (ADC window): set and not overridden by the PGA.
  bool InputBufferOn = false;
  // True while DataUpdate runs.
  bool Refreshing() const { return updating_; }
  // True while the gain correction writes (no second correction, no nested refresh).
  bool Correcting = false;

  // --- handlers, one per control kind (public for the tests) -------------------
  void ListChosen(int binding, int entry);
  void OptionClicked(int binding, int option);
  void ToggleClicked(int binding);
  void SetToggle(int binding, int value);
  void StepperClicked(int binding);
  void ModeChosen(int mode);
  void WidthChosen(int index);
  // The result's display choice: the item indexes of the value-format and
  // width lists (kept by the configuration file).
  int DisplayMode() const { return mode_; }
  int DisplayWidthIndex() const { return widthIndex_; }
  void SetDisplayChoice(int mode, int widthIndex);
  void ReadAdcClicked();

 private:
  struct TControls {
    QComboBox* list = nullptr;
    QLabel* label = nullptr;
    TClickLabel* panel = nullptr;
    std::vector<QToolButton*> on, off;  // Mux option buttons; Stepper pictures in `on`
    std::vector<TClickLabel*> optionLabels;
    std::vector<QToolButton*> setPictures, clearPictures;
  };
  void resizeEvent(QResizeEvent* ev) override;
  void showEvent(QShowEvent* ev) override;
  // The controls built, their design captured and drawn in the 0 state (once),
  // then the refreshes that waited for them.
  void ensureBuilt();
  // True when a refresh of the window not built yet waits for its build.
  bool deferRefresh(TRefreshReason reason);
  // Every Cache of the window's fields 0, the display options their defaults.
  void resetFieldState();
  void build();
  void arrangeGroups(int columns);
  void updateNotes();
  QWidget* buildBinding(int index, QWidget* parent);
  void addBindingTitle(const TBinding& b, QWidget* row, QHBoxLayout* line);
  void addBindingList(int index, QWidget* row, QHBoxLayout* line);
  void addBindingPanel(int index, QWidget* row, QHBoxLayout* line);
  void addBindingPictures(int index, QWidget* row, QHBoxLayout* line);
  void addBindingStepper(int index, QWidget* row, QHBoxLayout* line);
  void addBindingLabel(int index, QWidget* row, QHBoxLayout* line);
  void addBindingOptions(int index, QWidget* row, QVBoxLayout* v);
  void hideBindingControls(int index, QWidget* row);
  QWidget* buildExtra(const TExtraControl& e, QWidget* parent);
  void captureSetupDesign();
  void applySetup();
  QWidget* buildDisplayOptions(QWidget* parent);
  void draw(const TBinding& b, int value, bool shareable);
  void drawMux(const TBinding& b, const TControls& c, int value);
  void drawList(const TBinding& b, const TControls& c, int value);
  void drawResult(const TBinding& b, const TControls& c);
  int indexOf(const TBinding& b) const { return static_cast<int>(&b - table_.bindings); }
  void fillDesignList(const TBinding& b, QComboBox* list);
  void fillChipList(const TBinding& b, const TFieldUi& ui, QComboBox* list);

  TPeripheralKind kind_;
  const TPeripheralTable& table_;
  std::vector<TControls> controls_;
  // The controls the chip set-up names, each with whether the design hides it.
  std::vector<std::pair<QWidget*, bool>> setupControls_;
  QHBoxLayout* columnsBox_ = nullptr;
  std::vector<QWidget*> groups_;
  int columns_ = 0;
  QWidget* notes_ = nullptr;
  QComboBox* modeList_ = nullptr;
  QComboBox* widthList_ = nullptr;
  int mode_ = 0;
  int widthIndex_ = 7;
  int chosenToggle_ = -1;
  bool built_ = false;
  bool choicePending_ = false;   // a display choice made before the controls were built
  bool chipPending_ = false;     // a debug entry's chip waits for the build
  bool refreshPending_ = false;  // a redraw waits for the build
  bool updating_ = false;
  int updates_ = 0;
};

// The six windows by their form classes.
class TADCForm : public TKyPeripheralForm {
 public:
  explicit TADCForm(QWidget* parent = nullptr, TBuildWhen when = TBuildWhen::AtCreation)
      : TKyPeripheralForm(TPeripheralKind::Adc, parent, when) {}
};
class TOPForm : public TKyPeripheralForm {
 public:
  explicit TOPForm(QWidget* parent = nullptr, TBuildWhen when = TBuildWhen::AtCreation)
      : TKyPeripheralForm(TPeripheralKind::Op, parent, when) {}
};
class TCMPForm : public TKyPeripheralForm {
 public:
  explicit TCMPForm(QWidget* parent = nullptr, TBuildWhen when = TBuildWhen::AtCreation)
      : TKyPeripheralForm(TPeripheralKind::Cmp, parent, when) {}
};
class TADCIForm : public TKyPeripheralForm {
 public:
  explicit TADCIForm(QWidget* parent = nullptr, TBuildWhen when = TBuildWhen::AtCreation)
      : TKyPeripheralForm(TPeripheralKind::AdcI, parent, when) {}
};
class TADCIIForm : public TKyPeripheralForm {
 public:
  explicit TADCIIForm(QWidget* parent = nullptr, TBuildWhen when = TBuildWhen::AtCreation)
      : TKyPeripheralForm(TPeripheralKind::AdcII, parent, when) {}
};
class TMultiCMPForm : public TKyPeripheralForm {
 public:
  explicit TMultiCMPForm(QWidget* parent = nullptr, TBuildWhen when = TBuildWhen::AtCreation)
      : TKyPeripheralForm(TPeripheralKind::MultiCmp, parent, when) {}
};

}  // namespace kyvor
