#pragma once
// The whole program in the programmer-only layout with the virtual pod as the
// first device of the pod search (so the writer and its target chip answer
// the program's own pod protocol), a chip selected, virtual time, and the
// scripted dialogs. For the tests of the programmer commands.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/modes.h"
#include "base/options.h"
#include "chip/chipconfig.h"
#include "chip/chiploader.h"
#include "engine/infoblock.h"
#include "engine/ky_up.h"
#include "link/pod_protocol.h"
#include "shell/mainwin/startup.h"
#include "shell/mainwin/error_list.h"
#include "shell/source/listing.h"
#include "shell/mainwin/main_window.h"
#include "support/chip_folder.h"
#include "support/fake_clock.h"
#include "support/scripted_dialogs.h"
#include "support/session_support.h"
#include "support/virtual_pod.h"

namespace kyvor::test {

// A program folder whose INCLUDE/ is a copy of the shipped one, for tests
// that change a chip file or add one.
inline void CopyShippedInclude(const ScratchFolder& folder) {
  const QDir data(QString(KYVOR_DATA_DIR) + "/INCLUDE");
  for (const QString& f : data.entryList(QDir::Files))
    QFile::copy(data.filePath(f), QString::fromStdString(folder.include()) + f);
}

class ProgrammerSession : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    clock.install();
    ThePod().PodLinkClose();
    pod.ChipIdFromChip = true;
    devices.SetBulk(0, &pod);
    ThePod().SetEnumerator(&devices);
    Modes().IceInterfaceIndex = 4;
    prog = std::make_unique<TKyProgram>(programFolder());
    ASSERT_TRUE(prog->Start({}));
    ASSERT_TRUE(dir.isValid());
    selectChip("QR08B2");
  }
  void TearDown() override {
    prog.reset();
    // The program's pod protocol lets go of the pod before the pod goes.
    ThePod().PodLinkClose();
    ThePod().SetEnumerator(nullptr);
    ResetProgramState();
  }

  // The program's folder (its INCLUDE/ holds the chip list).
  virtual std::string programFolder() const { return KYVOR_DATA_DIR; }

  // Selects the shipped chip whose list entry names `name`, in the
  // programmer-only layout; the writer's chip answers its id.
  void selectChip(const std::string& name) {
    ASSERT_TRUE(SelectListedChip(name)) << name;
    up().ApplyChipConfig();
    pod.Writer.Chip.Id = Chip().ChipId;
    Options().PProg = 1;
    main().FormActivate();
  }

  TKYMAIN& main() { return prog->Main(); }
  TKy_UP& up() { return prog->Up(); }
  TKy_ERR& err() { return *main().Forms().err(); }
  TKy_Hex& hex() { return *main().Forms().hex(); }
  TVirtualWriter& writer() { return pod.Writer; }
  uint32_t words() const { return uint32_t(ProgramMemoryPages()) * 256; }

  // The error list's lines, and its lines as "label|text".
  std::vector<std::string> lines() {
    std::vector<std::string> v;
    for (int i = 0; i < err().Count(); ++i) v.push_back(err().TextAt(i));
    return v;
  }
  // The error list's last line; empty when it has none.
  std::string lastLine() {
    const auto v = lines();
    return v.empty() ? std::string() : v.back();
  }
  std::vector<std::string> labelled() {
    std::vector<std::string> v;
    for (int i = 0; i < err().Count(); ++i) v.push_back(err().LabelAt(i) + "|" + err().TextAt(i));
    return v;
  }
  // The dump grid's row `row`, its 16 words joined by blanks.
  std::string dumpRow(int row) {
    std::string s;
    for (int c = 1; c <= 16; ++c) {
      if (c > 1) s += ' ';
      s += hex().DumpModel()->Text(row, c).toStdString();
    }
    return s;
  }

  // An image of the selected chip (short layout): program word i = f(i), the
  // header's chip id, checksum and protect word set as the assembler sets them.
  std::vector<uint16_t> imageWords() const {
    std::vector<uint16_t> w(words());
    for (uint32_t i = 0; i < w.size(); ++i) w[i] = uint16_t(0x0100 + 7 * i);
    return w;
  }
  std::vector<uint16_t> imageHeader(uint16_t checksum = 0xC0DE, uint16_t protect = 0xFFFE) const {
    std::vector<uint16_t> h(256);
    for (size_t k = 0; k < h.size(); ++k) h[k] = uint16_t(0x4400 + k);
    h[infoword::ChipId] = Chip().ChipId;
    h[infoword::Acm] = 0;
    h[infoword::CodeChecksum] = checksum;
    h[infoword::Protect] = protect;
    h[237] = Chip().ChipId;  // where the download reads the image's chip id
    return h;
  }
  std::string writeImage(const std::string& name, const std::vector<uint16_t>& program,
                         const std::vector<uint16_t>& header) {
    const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
    std::ofstream out(path, std::ios::binary);
    for (const auto* v : {&program, &header})
      for (uint16_t w : *v) out << char(w >> 8) << char(w & 0xFF);
    return path;
  }
  // The writer's image memory holding an image of the selected chip, with
  // its record (start, word count, chip id), as a download leaves it.
  void putImageInWriter(const std::vector<uint16_t>& program, const std::vector<uint16_t>& header) {
    auto put = [&](uint32_t at, uint16_t w) {
      writer().Flash[at] = uint8_t(w >> 8);
      writer().Flash[at + 1] = uint8_t(w);
    };
    for (uint32_t i = 0; i < program.size(); ++i) put(2 * i, program[i]);
    for (uint32_t k = 0; k < 128; ++k) put(0x8000 + 2 * k, header[k]);
    put(0xFFE0, 0);
    put(0xFFE2, uint16_t(program.size()));
    put(0xFFE4, Chip().ChipId);
  }
  // A small program of the selected chip, opened in the editor as the main file.
  void openProgram() {
    const std::string path = dir.filePath("prog.asm").toStdString();
    std::ofstream(path, std::ios::binary)
        << "        ORG     0\r\nSTART:  MVL     05AH\r\n        MVF     080H, 1\r\n"
           "LOOP:   INF     080H, 1\r\n        JMP     LOOP\r\n        END\r\n";
    ASSERT_TRUE(main().OpenSourceFile(path));
    main().SetMainFile(path);
  }
  // The link opened as the first command would open it, and the log cleared.
  void openLink() {
    ASSERT_EQ(ThePod().PodUsbOpen(), 0);
    pod.ClearLog();
  }
  std::vector<std::string> packets() const { return pod.HostPackets(); }

  FakeClock clock;
  ScriptedDialogs dialogs;
  TVirtualPod pod;
  TVirtualPodEnumerator devices;
  QTemporaryDir dir;
  std::unique_ptr<TKyProgram> prog;
};

}  // namespace kyvor::test
