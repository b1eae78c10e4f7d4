#pragma once
// Fixture of the peripheral-window tests: a chip loaded from the shipped
// folder or from lines of a scratch chip file, the CPU model in the simulator,
// and the hub of the six windows wired to the model's register-write hook as
// the main window wires it. Header only: the GUI test programs include it.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QToolButton>
#include <memory>
#include <string>
#include <vector>

#include "base/modes.h"
#include "base/options.h"
#include "engine/ky_up.h"
#include "peripherals/periph_hub.h"
#include "support/chip_folder.h"

namespace kyvor::test {

class PeripheralFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetChipState();
    ResetModes();
    ResetOptions();
    up = std::make_unique<TKy_UP>();
    windows.push_back(std::make_unique<TADCForm>());
    windows.push_back(std::make_unique<TOPForm>());
    windows.push_back(std::make_unique<TCMPForm>());
    windows.push_back(std::make_unique<TADCIForm>());
    windows.push_back(std::make_unique<TADCIIForm>());
    windows.push_back(std::make_unique<TMultiCMPForm>());
    for (auto& w : windows) w->AttachModel(up.get());
    up->Hooks.RegisterWritten = [this](int) { hub->RefreshLive(); };
  }
  void TearDown() override {
    up->Hooks.RegisterWritten = nullptr;
    ResetChipState();
    ResetOptions();
  }

  // Loads the shipped chip whose list entry names `file` ("QN08A4.INC").
  void LoadShipped(const std::string& file) {
    const int n = ReadChipList(ShippedProgramFolder());
    const auto entries = ReadChipListEntries();
    for (int i = 0; i < n && i < static_cast<int>(entries.size()); ++i) {
      if (entries[static_cast<std::size_t>(i)].FileName == file) {
        Chip().ChipIndex = i;
        ASSERT_EQ(GetSELUP(), 1) << file;
        hub->ApplyChip();
        return;
      }
    }
    FAIL() << file << " is not in the shipped chip list";
  }
  // Loads a chip made of `lines` from a scratch folder.
  void LoadLines(const std::vector<std::string>& lines) {
    ASSERT_EQ(LoadChipLines(folder, lines), 1);
    hub->ApplyChip();
  }

  TKyPeripheralForm& Win(TPeripheralKind k) { return *hub->Window(k); }
  template <class T = QWidget>
  T* Find(TPeripheralKind k, const char* name) {
    T* w = Win(k).findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  // Index of the first binding of `field` in the window's table.
  int BindingIndex(TPeripheralKind k, TFieldId field) {
    const TPeripheralTable& t = PeripheralTable(k);
    for (int i = 0; i < t.count; ++i)
      if (t.bindings[i].field == field) return i;
    ADD_FAILURE() << "no binding";
    return -1;
  }
  QString Text(TPeripheralKind k, const char* label) {
    auto* l = Find<QLabel>(k, label);
    return l ? l->text() : QString();
  }
  bool Shown(TPeripheralKind k, const char* name) {
    QWidget* w = Find(k, name);
    return w && !w->isHidden();
  }
  QColor Back(TPeripheralKind k, const char* name) {
    QWidget* w = Find(k, name);
    return w ? w->palette().color(QPalette::Window) : QColor();
  }
  // Chooses the list entry whose text is `code`, as the user does.
  void Choose(TPeripheralKind k, TFieldId field, const char* list, const QString& code) {
    auto* l = Find<QComboBox>(k, list);
    ASSERT_NE(l, nullptr);
    const int e = l->findText(code);
    ASSERT_GE(e, 0) << code.toStdString();
    Win(k).ListChosen(BindingIndex(k, field), e);
  }
  uint8_t Reg(int address) const { return up->ReadRegister(address); }
  void SetReg(int address, uint8_t value) { up->WriteRegisterModel(address, value); }
  int LogCount() const { return up->RegRecord.Count(); }
  uint8_t LastLogged() const { return up->RegRecord.Item(up->RegRecord.Count())->NewValue; }

  ScratchFolder folder;
  std::unique_ptr<TKy_UP> up;
  std::vector<std::unique_ptr<TKyPeripheralForm>> windows;
  TKyPeripheralHub* hub = &PeripheralHub();
};

}  // namespace kyvor::test
