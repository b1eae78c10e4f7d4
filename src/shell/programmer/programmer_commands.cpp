#include "shell/programmer/programmer_commands.h"

#include <QAction>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "base/clock.h"
#include "base/dialogs.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/modes.h"
#include "base/options.h"
#include "base/outputfile.h"
#include "chip/chipconfig.h"
#include "chip/chiploader.h"
#include "engine/calibration.h"
#include "engine/imagefile.h"
#include "engine/infoblock.h"
#include "engine/ky_up.h"
#include "engine/programmer.h"
#include "link/pod_protocol.h"
#include "shell/mainwin/error_list.h"
#include "shell/source/listing.h"
#include "shell/mainwin/main_window.h"
#include "shell/options/options_dialog.h"

namespace kyvor {

namespace {

using I = TMenuItem;
using B = TToolButton;

// Said when the chip's program part would run into the writer's image header.
const char kChipTooLarge[] = "Chip ROM too large for the Programmer !!";
// Read From Writer Memory shows at most this many words.
constexpr uint32_t kWriterDumpWords = 8192;

// The chip's information addresses that Read takes (chip word addresses).
constexpr uint32_t kShortChecksums = 0x407B;  // four words: checksum and device words
constexpr uint32_t kShortSbm = 0x4000;
constexpr uint32_t kShortInfoTail = 0x406D;  // words 109..126
constexpr uint32_t kLongInfo = 0x1400;
constexpr uint32_t kLongInfoWords = 1024;
constexpr int kLongChecksumWord = infoaltword::CodeChecksum;
constexpr uint16_t kNotProtected = 0x0800;  // status bit 11 set: the chip's code can be read

// The ACM words of an image.
constexpr uint16_t kAcm10 = 0x067F, kAcm12 = 0x0680;

// Waits of the chip commands.
constexpr int kAfterProgramMs = 1000;
constexpr int kAfterSbmMs = 500;
constexpr int kBeforeCalibrationMs = 200;

constexpr uint8_t kCalibrationFailedDisplay = 40;

const char kLabelError[] = "ERROR";

const TMenuItem kProgrammerActions[] = {I::SMenu_Blank,   I::SMenu_Program, I::SMenu_Read,
                                        I::SMenu_Verify,  I::SMenu_Auto,    I::SMenu_DownLoad,
                                        I::SMenu_ReadLoad};

bool Usb() { return Modes().IceInterfaceIndex == 4; }

std::string Hex4(unsigned v) {
  char b[8];
  std::snprintf(b, sizeof b, "%04X", v & 0xFFFF);
  return b;
}

uint32_t MainWords() { return uint32_t(ProgramMemoryPages()) * 256; }
int MainRows() { return ProgramMemoryPages() * 16; }
bool ShortLayout() { return Chip().DeviceKind3 == 1; }
// The SBM area of Blank, Verify and the programming of Program.
uint32_t SbmWords() { return ShortLayout() ? 128 : 768; }
// The SBM area that Program verifies and Auto uses throughout.
constexpr uint32_t kSbmShortWords = 128;

bool AllBlank(const std::vector<uint16_t>& words) {
  return std::all_of(words.begin(), words.end(), [](uint16_t w) { return w == 0xFFFF; });
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::string DisplayText(const std::string& text) {
  std::string s = text;
  if (s.size() < 32) s.resize(32, ' ');
  return s;
}

std::array<uint8_t, 52> CalibrationFromOptions(TCalibrationUse use) {
  TOptions& o = Options();
  o.EnHAO = o.HaoEnabled;
  o.ApplyCalibrationInputs(Chip().OscCalibration.HaoPresent);
  return CalibrationBlock(Chip(), o, use);
}

std::vector<TChipTableEntry> ReadChipTable() {
  std::vector<TChipTableEntry> table;
  for (const TChipListEntry& e : ReadChipListEntries()) {
    if (int(table.size()) >= kChipTableCapacity) break;
    TChipSummary s;
    if (!ReadChipSummary(e.FileName, s)) continue;
    table.push_back({s.ProductName, s.ChipId, s.RomWords});
  }
  return table;
}

// ---------------------------------------------------------------------------
// One command's run: the programmer actions disabled and the busy panel
// widened while it runs; at its end (every way out) the pod given back when
// it was taken, the busy panel and the gauge back and the actions enabled.
// ---------------------------------------------------------------------------

class TKyProgrammer::TRun {
 public:
  explicit TRun(TKyProgrammer& p) : p_(p) {
    p_.busy_ = true;
    p_.locked_ = false;
    p_.lostShown_ = false;
    p_.seen_ = TPodSeen::Nothing;
    p_.setActionsEnabled(false);
    p_.main_.setBusy(35);
  }
  ~TRun() {
    if (p_.locked_) p_.up().PodLock(0);
    p_.locked_ = false;
    p_.showConnection();
    p_.main_.setBusy(10);
    p_.up().ShowGauge(false);
    p_.setActionsEnabled(true);
    p_.busy_ = false;
  }
  TRun(const TRun&) = delete;
  TRun& operator=(const TRun&) = delete;

 private:
  TKyProgrammer& p_;
};

TKyProgrammer::TKyProgrammer(TKYMAIN& main) : main_(main) {}

TKy_UP& TKyProgrammer::up() const { return *main_.forms_.up; }
TKy_ERR* TKyProgrammer::err() const { return main_.forms_.err(); }
TKy_Hex* TKyProgrammer::hex() const { return main_.forms_.hex(); }

void TKyProgrammer::line(const std::string& label, const std::string& text) {
  if (TKy_ERR* e = err()) e->AddResult(label, text);
}

bool TKyProgrammer::linkLost() {
  if (!Usb() || ThePod().LinkUsable()) return false;
  if (!lostShown_) line(kLabelError, LangTextUtf8(lt::IceConnectError));
  lostShown_ = true;
  return true;
}

void TKyProgrammer::showErrors(bool clear) {
  main_.ShowView(ViewErr, 1);
  if (clear && err()) err()->ClearErrors();
}

bool TKyProgrammer::takePod() {
  if (!Usb()) return true;
  Modes().PodState = ThePod().PodUsbOpen();
  if (Modes().PodState == 255) {
    main_.showConnectError();
    line(kLabelError, LangTextUtf8(lt::IceConnectError));
    lostShown_ = true;  // said once: the command's later failure adds nothing
    sawPod(TPodSeen::Link);  // its end shows the link lost
    return false;
  }
  sawPod(TPodSeen::Link);
  if (!up().PodLock(1)) {
    Dialogs().messageBox("VO-RIV Buzy !!", "Error", MsgIcon::Error, MbCancel);
    return false;
  }
  locked_ = true;
  return true;
}

void TKyProgrammer::sawPod(TPodSeen seen) {
  // The chip in the socket says more than the link alone.
  if (seen != TPodSeen::Link || seen_ == TPodSeen::Nothing) seen_ = seen;
}

// At a command's end the connection panel shows what it saw: the link lost
// (red "ICE not Connect"), the chip in the socket on board or not, or, for a
// command that read no chip, the pod connected again after a loss.
void TKyProgrammer::showConnection() {
  if (seen_ == TPodSeen::Nothing) return;
  if (Usb() && !ThePod().LinkUsable()) {
    main_.setConnectLook(TConnectLook::NotConnected);
  } else if (seen_ == TPodSeen::Body) {
    main_.setConnectLook(TConnectLook::BodyOnBoard);
  } else if (seen_ == TPodSeen::NoBody) {
    main_.setConnectLook(TConnectLook::BodyNotOnBoard);
  } else if (main_.ConnectShows(TConnectLook::NotConnected)) {
    main_.setConnectLook(TConnectLook::Connected);
  }
}

void TKyProgrammer::setActionsEnabled(bool on) {
  // Back at the end: enabled in the programmer-only layout, as it gives them.
  const bool enable = on && Options().PProg == 1;
  for (TMenuItem n : kProgrammerActions) main_.setEnabled(n, enable);
  for (int i = 0; i < kToolButtonCount; ++i)
    if (TKYMAIN::OnProgrammerPanel(TToolButton(i))) main_.setButtonEnabled(TToolButton(i), enable);
}

void TKyProgrammer::relayoutListing() {
  if (TKy_Hex* h = hex()) h->ShowDumpGrid(true);
}

void TKyProgrammer::Display(const std::string& text) {
  if (up().WriterCheckIdentity()) up().PodLcdWriteText(0, DisplayText(text));
}

TWriterDownload TKyProgrammer::download(const std::string& path) const {
  return {path, ImageProgramBytes(), Chip().SbmAddress, Chip().ChipId, Shell().CodeChecksum};
}

void TKyProgrammer::dumpProgram(int firstRow) {
  TKy_Hex* h = hex();
  if (!h) return;
  std::vector<uint16_t> words(MainWords());
  for (uint32_t i = 0; i < words.size(); ++i) words[i] = up().GetOpcode(i);
  h->FillDumpRows(firstRow, words);
}

// ---------------------------------------------------------------------------
// Shared steps
// ---------------------------------------------------------------------------

bool TKyProgrammer::checkIdentity(const std::string& label, uint16_t& status) {
  uint16_t id = 0;
  status = 0;
  if (!up().ReadChipIdWords(id, status)) {
    if (linkLost()) return false;
  } else {
    sawPod(id == Chip().ChipId ? TPodSeen::Body : TPodSeen::NoBody);
  }
  if (id != Chip().ChipId) {
    line(label, "Chip ID Error!!  Program Chip ID = 0x" + Hex4(id));
    return false;
  }
  if (!Usb()) return true;
  uint16_t start = 0, stored = 0, words = 0;
  if (!up().WriterReadFlashInfo(start, stored, words)) {
    if (!linkLost()) line(label, "Read Flash ID Error!!  Program Chip ID = 0x" + Hex4(id));
    return false;
  }
  if (stored != Chip().ChipId) {
    line(label, "Flash ID Different with Chip ID!!  Chip ID = 0x" + Hex4(id) + ";  Flash ID = 0x" +
                    Hex4(stored));
    return false;
  }
  return true;
}

void TKyProgrammer::failureDetails(uint8_t result, TDetails details) {
  // An operation given up while the writer still works has no failing word.
  if (details == TDetails::None || result == chipop::TimedOut || !Usb() || linkLost()) return;
  TWriterStatus s;
  if (!up().WriterReadStatus(s)) {
    linkLost();
    return;
  }
  if (s.VppError()) {
    line("", "VPP Error");
  } else if (s.VddError()) {
    line("", "VDD Error");
  } else if (!(details == TDetails::NoAddressFor4 && result == 4)) {
    line("", "Error at 0x" + Hex4(s.ErrorAddress()) + "H");
  }
}

uint8_t TKyProgrammer::run(TChipOperation type, uint32_t words) {
  return up().ChipOperationWithStatus(up().EEBar(), words, type);
}

bool TKyProgrammer::report(uint8_t result, const std::string& label, const std::string& fail,
                           const std::string& ok, TDetails details) {
  if (result == chipop::Done) {
    line(label, ok);
    return true;
  }
  line(label, fail);
  failureDetails(result, details);
  linkLost();
  return false;
}

bool TKyProgrammer::operation(TChipOperation type, uint32_t words, const std::string& label,
                              const std::string& fail, const std::string& ok, TDetails details) {
  return report(run(type, words), label, fail, ok, details);
}

bool TKyProgrammer::calibration(bool autoCommand) {
  if (!up().WriterIdentityEnabled()) return true;
  TOptions& o = Options();
  o.EnHAO = o.HaoEnabled;
  if (!o.EnHAO || !Chip().OscCalibration.HaoPresent) return true;
  const TWriterCalibration c = up().WriterReadCalibration();
  if (!c.Answered) {
    linkLost();
    return false;
  }
  calibrationFlags_ = c.Q;
  switch (int8_t(c.Result)) {
    case 0:
      line("Next", "HAO Calibration OK");
      line("Next", "HAO Clock = " + std::to_string(c.V / 1000) + " KHz");
      return true;
    case 1: line("Next", "HAO had been Calibrated"); return true;
    case -2: {
      const std::string n = std::to_string(c.F);
      if (c.Q & 0x40)
        line(kLabelError, "CHIPID Check Error!! - " + n);
      else if (c.Q & 0x10)
        line(kLabelError, "Blank Check Error!! - " + n);
      else if (c.Q & 0x80)
        line(kLabelError, "HAO output Error!! - " + n);
      up().PodLcdCommand(kCalibrationFailedDisplay);
      return false;
    }
    case -3:
      line(kLabelError, "Frequency is out of range\xEF\xBC\x8CHAOSYS=" + std::to_string(c.V));
      return false;
    case -4: line(kLabelError, "Abnormal voltage"); return false;
    case -5:
      if (!autoCommand) return true;
      line(kLabelError, "Frequency output detect anomalies");
      return false;
    default: return true;
  }
}

// The writer keeps an image whole only when the chip's program part ends
// at or below the image header: a larger chip is refused before the writer
// is touched, and the error list says why, then the command's own failure
// line `failText`.
bool TKyProgrammer::writerTakesImage(bool protect, const std::string& failText) {
  if (up().WriterImageFits(ImageProgramBytes(), protect)) return true;
  line(kLabelError, kChipTooLarge);
  line("Fail", failText);
  return false;
}

bool TKyProgrammer::eraseWriter(std::span<const uint32_t> sectors) {
  for (uint32_t a : sectors)
    if (!up().WriterWaitReady() || !up().WriterEraseBlock(a)) return false;
  return up().WriterWaitReady();
}

// The writer gets the last image again when the one it holds has another
// checksum. Its image memory is erased first: a write can only clear bits.
bool TKyProgrammer::handOver(bool readWriterArea) {
  const std::string& path = Shell().LastProgrammerFile;
  if (!Usb()) {
    if (!FileExists(path) || !up().WriterDownloadImage(download(path)).Ok) {
      line(kLabelError, "Programmer File not Found !!");
      return false;
    }
    return true;
  }
  if (readWriterArea && !up().WriterReadChunk(writeraddr::ShortHeader, writeraddr::ShortHeaderWords, 0)) {
    line(kLabelError, "Programmer Not Ready !!");
    return false;
  }
  if (up().Info.InfoReadback[infoword::CodeChecksum] == Shell().CodeChecksum) return true;
  if (!FileExists(path)) {
    line(kLabelError, "Programmer File not Found !!");
    return false;
  }
  if (!writerTakesImage(false, path + "   DownLoad Fail !!!")) return false;
  const TWriterDownloadResult r = eraseWriter(writeraddr::ImageSectors)
                                      ? up().WriterDownloadImage(download(path))
                                      : TWriterDownloadResult{};
  if (!r.Ok) {
    line("Fail", path + "   DownLoad Fail !!!");
    linkLost();
    return false;
  }
  relayoutListing();
  return true;
}

// The end of Program and Auto: the chip programmed (its SBM area with
// `sbmWords`), verified (128 SBM words) and protected, with the writer's
// pauses between the operations.
void TKyProgrammer::programVerifyProtect(const std::string& label, uint32_t sbmWords) {
  PumpingWait(kAfterProgramMs);
  if (!operation(TChipOperation::Program, MainWords(), label, "Program Chip Fail",
                 "Program Chip OK", TDetails::NoAddressFor4))
    return;
  PumpingWait(kAfterProgramMs);
  if (!operation(TChipOperation::ProgramSbm, sbmWords, label, "Program SBM Fail", "Program SBM OK",
                 TDetails::None))
    return;
  PumpingWait(kAfterSbmMs);
  up().ShowGauge(true);
  if (!operation(TChipOperation::Verify, MainWords(), label, "Verify Chip Fail", "Verify Chip OK",
                 TDetails::WithAddress))
    return;
  PumpingWait(kAfterSbmMs);
  if (!operation(TChipOperation::VerifySbm, kSbmShortWords, label, "Verify SBM Fail",
                 "Verify SBM OK", TDetails::None))
    return;
  protect();
}

void TKyProgrammer::protect() {
  if (run(TChipOperation::Protect, 1) != chipop::Done) {
    line("", "Protect Fail");
    linkLost();
    return;
  }
  if (up().WriterIdentityEnabled() && Options().EnHAO && Chip().OscCalibration.HaoPresent)
    up().WriterCalibratedProtect(calibrationFlags_);
}

// ---------------------------------------------------------------------------
// Blank, Program, Verify, Auto
// ---------------------------------------------------------------------------

namespace {
void ReloadChip(TKy_UP& up) {
  GetSELUP();
  up.ApplyChipConfig();
}
}  // namespace

// The common frame of the chip commands around their own steps: the chip
// reloaded, the error list shown and emptied, the pod taken.
void TKyProgrammer::chipCommand(const std::string& label,
                                void (TKyProgrammer::*steps)(const std::string& label)) {
  if (busy_ || !main_.forms_.up) return;
  TRun run(*this);
  ReloadChip(up());
  showErrors(true);
  if (!takePod()) return;
  calibrationFlags_ = 0;
  (this->*steps)(label);
}

void TKyProgrammer::Blank() { chipCommand("Blank", &TKyProgrammer::blankSteps); }
void TKyProgrammer::Program() { chipCommand("Program", &TKyProgrammer::programSteps); }
void TKyProgrammer::Verify() { chipCommand("Verify", &TKyProgrammer::verifySteps); }
void TKyProgrammer::Auto() { chipCommand("Auto", &TKyProgrammer::autoSteps); }

void TKyProgrammer::blankSteps(const std::string& label) {
  up().ShowGauge(true);
  uint16_t status = 0;
  if (!checkIdentity(label, status)) return;
  if (status != 0xFFFF) {
    line(label, "Chip Blank Fail");
    return;
  }
  if (!operation(TChipOperation::Blank, MainWords(), label, "Chip Blank Fail", "Chip Blank OK",
                 TDetails::WithAddress))
    return;
  operation(TChipOperation::BlankSbm, SbmWords(), label, "SBM Blank Fail", "SBM Blank OK",
            TDetails::None);
}

void TKyProgrammer::programSteps(const std::string& label) {
  if (!calibration(false) || !handOver(false)) return;
  up().ShowGauge(true);
  uint16_t status = 0;
  if (!checkIdentity(label, status)) return;
  programVerifyProtect(label, SbmWords());
}

void TKyProgrammer::verifySteps(const std::string& label) {
  up().ShowGauge(true);
  const uint8_t result = this->run(TChipOperation::Verify, MainWords());
  PumpingWait(kAfterSbmMs);
  uint16_t status = 0;
  if (!checkIdentity(label, status)) return;
  if (!(status & kNotProtected)) {
    line(label, "Chip Had been Protect!!");
    return;
  }
  if (!report(result, label, "Verify Chip Fail", "Verify Chip OK", TDetails::WithAddress)) return;
  operation(TChipOperation::VerifySbm, SbmWords(), label, "Verify SBM Fail", "Verify SBM OK",
            TDetails::None);
}

void TKyProgrammer::autoSteps(const std::string& label) {
  if (!handOver(true)) return;
  up().ShowGauge(true);
  const uint8_t blank = this->run(TChipOperation::Blank, MainWords());
  uint16_t status = 0;
  if (!checkIdentity(label, status)) return;
  if (!report(blank, label, "Chip Blank Fail", "Chip Blank OK", TDetails::NoAddressFor4) ||
      !operation(TChipOperation::BlankSbm, kSbmShortWords, label, "SBM Blank Fail", "SBM Blank OK",
                 TDetails::None))
    return;
  up().ShowGauge(true);
  PumpingWait(kBeforeCalibrationMs);
  if (!calibration(true)) return;
  programVerifyProtect(label, kSbmShortWords);
}

// ---------------------------------------------------------------------------
// Read a one-time-programmable chip
// ---------------------------------------------------------------------------

void TKyProgrammer::Read() {
  if (busy_ || !main_.forms_.up) return;
  TRun run(*this);
  const std::vector<TChipTableEntry> table = ReadChipTable();
  if (TKy_Hex* h = hex()) h->PrepareDump(MainRows() + (ShortLayout() ? 3 : 5));
  if (err()) err()->ClearErrors();
  if (!takePod()) return;
  Display("OTP Chip Code Reading...");
  uint16_t id = 0, status = 0;
  if (!up().ReadChipIdWords(id, status)) {
    line(kLabelError, "Chip Not Ready !!");
    Display("Chip Not Ready !!");
    linkLost();
  } else {
    Shell().ImageFileChipId = id;
    sawPod(id == Chip().ChipId ? TPodSeen::Body : TPodSeen::NoBody);
    if (!(status & kNotProtected)) line("", "Code had been protected !!");
    const auto entry = std::find_if(table.begin(), table.end(),
                                    [id](const TChipTableEntry& e) { return e.Id == id; });
    if (entry == table.end()) {
      // A chip of no known kind: nothing more is read.
      line("", "Chip Not Ready !! ");
      Dialogs().messageBox("Chip Not Ready !!", "Error", MsgIcon::Error, MbCancel);
    } else {
      line("", "OTP Chip is " + entry->Name);
      readChip(*entry, status);
    }
  }
  SelectAcmFromImage(0);
  if (TKy_Hex* h = hex()) {
    h->RefreshListing();
    relayoutListing();
  }
  main_.ShowView(ViewErr, 1);
  main_.ShowView(ViewHex, 1);
}

void TKyProgrammer::readChip(const TChipTableEntry& entry, uint16_t status) {
  TKy_UP& u = up();
  TKy_Hex* h = hex();
  const TGauge gauge = u.EEBar();
  auto fail = [this] {
    line(kLabelError, "Chip Not Ready !!");
    linkLost();
  };
  // The chip's own size, within the program cells.
  const uint32_t words = std::min<uint32_t>(ShortLayout() ? entry.RomWords : Chip().ChipRomWords,
                                            uint32_t(TTargetState::kProgramCells));
  if (!u.ReadChipMemory(gauge, 0, words)) return fail();
  std::vector<uint16_t> code(words);
  for (uint32_t i = 0; i < words; ++i) code[i] = u.GetOpcode(i);
  if (ShortLayout()) {
    dumpProgram(1);
    if (!u.ReadChipInfoBlock(gauge, kShortChecksums, 4)) return fail();
  } else if (!u.ReadChipInfoBlock(gauge, kLongInfo, kLongInfoWords)) {
    return fail();
  }
  const std::vector<uint16_t> info = u.ChipInfoWords();
  Display("OTP Chip Code Read OK");
  if (ShortLayout()) {
    const uint8_t s = uint8_t(status);
    if ((s & 0x0F) == 0x0F) {
      if (!u.ReadChipInfoBlock(gauge, kShortSbm, 128)) return fail();
      const bool empty = AllBlank(code) && AllBlank(u.ChipInfoWords());
      line("", empty ? "OTP Chip Empty" : "Read SBM Fail");
      Display(empty ? "OTP Chip Empty !!" : "Read SBM Fail !!");
    } else if (s & 0x08) {
      // Which of the checksum words counts follows the status bits below bit 3.
      const int k = (s & 0x04) == 0 ? 2 : (s & 0x02) == 0 ? 1 : 0;
      line("", "Read Checksum = 0x" + Hex4(info[size_t(k)]));
    }
    if (!u.ReadChipInfoBlock(gauge, kShortSbm, 64)) return fail();
    if (h) h->FillDumpRows(MainRows() + 1, u.ChipInfoWords());
    if (!u.ReadChipInfoBlock(gauge, kShortInfoTail, 18)) return fail();
    return;
  }
  const uint16_t checksum = info[kLongChecksumWord];
  line("", "Read Checksum = 0x" + Hex4(checksum));
  main_.SetCheckSumText(CheckSumCaption(checksum));
  dumpProgram(1);
  const std::vector<uint16_t> tail(info.begin() + infoaltword::ImageWords, info.end());
  if (h) h->FillDumpRows(MainRows() + 1, tail);
  if (AllBlank(tail) && AllBlank(code)) {
    Display("OTP Chip Empty !!");
    line("", "OTP Chip Empty");
  }
}

// ---------------------------------------------------------------------------
// DownLoad and ReadFlash
// ---------------------------------------------------------------------------

void TKyProgrammer::DownLoad() {
  if (busy_ || !main_.forms_.up) return;
  TRun run(*this);
  ReloadChip(up());
  if (main_.forms_.option) main_.forms_.option->SendProgramKeyMode();
  const auto path = Dialogs().openFileName("Open", Shell().FileDialogFolder, main_.openFilter_);
  if (path) {
    uint16_t id = 0;
    bool hasId = false;
    if (!imageFileFits(*path, hasId, id)) return;
    if (hasId) Shell().ImageFileChipId = id;
    SelectChipFromImageId();
    if (TKy_Hex* h = hex()) h->PrepareDump(MainRows() + 1);
    showErrors(true);
    if (Usb() && !writerTakesImage(true, *path + "   Download Fail !!!")) return;
    const TWriterDownloadResult r = [&] {
      if (!Usb()) {
        Shell().LastProgrammerFile = *path;
        return up().WriterDownloadImage(download(*path));
      }
      if (!takePod()) return TWriterDownloadResult{};
      Display("Erase Flash Memory...");
      if (!eraseWriter(writeraddr::ImageSectors)) return TWriterDownloadResult{};
      Display("Down Load to Flash memory...");
      return up().WriterDownloadAndProtect(download(*path));
    }();
    for (const std::string& note : r.Notes) line("", note);
    if (!r.Ok) {
      // A pod that could not be taken has said so already.
      if (!Usb() || locked_) line("Fail", *path + "   Download Fail !!!");
      linkLost();
      return;
    }
    if (Usb()) {
      relayoutListing();
      Shell().LastProgrammerFile = *path;
    }
    line("OK", *path + (Usb() ? "   Download OK" : "   Read File OK"));
    main_.SetStatusText(1, *path);
  }
  Shell().CodeChecksum = up().Info.InfoBlock[infoword::CodeChecksum];
  Shell().CodeChecksumShown = true;
  main_.SetCheckSumText(CheckSumCaption(Shell().CodeChecksum));
  dumpProgram(1);
  SelectAcmFromImage(0);
}

namespace {

// True when the file is as long as the image of the selected chip or of a
// chip of the list: only such a file ends with an information block.
bool IsSomeChipsImage(const std::string& path) {
  if (ImageFileSizeOk(path, ImageProgramBytes())) return true;
  const std::vector<TChipTableEntry> table = ReadChipTable();
  return std::any_of(table.begin(), table.end(), [&](const TChipTableEntry& e) {
    return ImageFileSizeOk(path, ProgramBytesOf(e.RomWords));
  });
}

}  // namespace

// A file whose length is no chip's image is refused before its id is read.
// Otherwise the image is for the chip its id names, or for the selected chip
// when it names none (0, 0xFFFF); its length must be that chip's, and an id
// that no chip file carries is refused. All is checked before the chip is
// switched or anything is sent.
bool TKyProgrammer::imageFileFits(const std::string& path, bool& hasId, uint16_t& id) {
  const auto refuse = [](auto text) {
    Dialogs().messageBox(LangTextUtf8(text), "Error", MsgIcon::Error, MbCancel);
    return false;
  };
  if (!IsSomeChipsImage(path)) return refuse(lt::DownloadLengthError);
  hasId = ReadImageChipId(path, id);
  uint32_t programBytes = ImageProgramBytes();
  if (hasId && id != 0 && id != 0xFFFF) {
    uint16_t index = 0;
    const auto entries = ReadChipListEntries();
    TChipSummary chip;
    if (!FindChipIndexById(id, index) || index >= entries.size() ||
        !ReadChipSummary(entries[index].FileName, chip))
      return refuse(lt::ChipIdNotFound);
    programBytes = ProgramBytesOf(chip.RomWords);
  }
  return ImageFileSizeOk(path, programBytes) || refuse(lt::DownloadLengthError);
}

void TKyProgrammer::ReadFlash() {
  if (busy_ || !main_.forms_.up) return;
  TRun run(*this);
  Modes().PodState = ThePod().PodUsbOpen();
  if (Modes().PodState == 255) {
    main_.showConnectError();
    if (Usb()) sawPod(TPodSeen::Link);
    return;
  }
  if (!Usb()) {
    Dialogs().messageBox("Interface not USB !!", "Error", MsgIcon::Error, MbCancel);
    return;
  }
  sawPod(TPodSeen::Link);
  if (!up().PodLock(1)) {
    Dialogs().messageBox("VO-RIV Buzy !!", "Error", MsgIcon::Error, MbCancel);
    return;
  }
  locked_ = true;
  if (TKy_Hex* h = hex()) h->PrepareDump(MainRows() + 1);
  if (up().WriterCheckIdentity() ? readFlashImage() : ThePod().LinkUsable()) return;
  // The link went away on the way: said in the error list, which is shown.
  showErrors(false);
  linkLost();
}

// The writer's image read back into the cells' read-back words and shown.
// The image's chip id is the writer's own header word, read first.
bool TKyProgrammer::readFlashImage() {
  TKy_UP& u = up();
  main_.SetCheckSumText(std::string());
  relayoutListing();
  namespace r = recordword;
  if (!u.WriterReadChunk(writeraddr::ShortHeader, writeraddr::ShortHeaderWords, 0) ||
      !u.WriterReadChunk(writeraddr::Record, r::Count, r::First))
    return false;
  Shell().ImageFileChipId = u.Info.InfoReadback[infoword::ChipId];
  SelectChipFromImageId();
  SelectAcmFromImage(1);
  uint16_t start = 0, id = 0, words = 0, checksum = 0;
  if (!u.WriterReadFlashInfo(start, id, words)) return false;
  // Erased image memory answers 0xFFFF: only a count within the program
  // cells is an image.
  if (words == 0 || words > uint32_t(TTargetState::kProgramCells)) {
    showErrors(false);
    line(kLabelError, "Flash Word Count Error!!  Word Count = 0x" + Hex4(words));
    return true;
  }
  Chip().ChipRomWords = words;
  if (!u.WriterReadFlashWord(checksum) || !u.WriterReadImage(start, words, u.EEBar())) return false;
  main_.SetCheckSumText(CheckSumCaption(checksum));
  std::vector<uint16_t> back(words);
  for (uint32_t i = 0; i < words; ++i) back[i] = u.ReadbackWordOf(start + i);
  if (TKy_Hex* h = hex()) {
    h->FillDumpRows(1, back);
    h->RefreshListing();
  }
  main_.ShowView(ViewHex, 1);
  return true;
}

void TKyProgrammer::ReadWriterMemory() {
  if (busy_ || !main_.forms_.up) return;
  TRun run(*this);
  TKy_Hex* h = hex();
  const uint32_t words = Chip().ChipRomWords;
  if (h) h->PrepareDump(int(words / 16));
  if (!takePod()) return;
  TKy_UP& u = up();
  if (u.WriterReadImage(0, words, u.EEBar()) && h) {
    std::vector<uint16_t> back(std::min(words, kWriterDumpWords));
    for (uint32_t i = 0; i < back.size(); ++i) back[i] = u.ReadbackWordOf(i);
    h->FillDumpRows(1, back);
  }
  main_.ShowView(ViewHex, 1);
}

// ---------------------------------------------------------------------------
// The image's chip and ACM voltage
// ---------------------------------------------------------------------------

void TKyProgrammer::SelectChipFromImageId() {
  const uint16_t id = Shell().ImageFileChipId;
  if (id == 0 || id == 0xFFFF) return;
  uint16_t index = 0;
  if (!FindChipIndexById(id, index)) index = 0;
  Chip().ChipIndex = index;
  GetSELUP();
  up().ApplyChipConfig();
  main_.optionsChanged();
  Ky_Lang().SetLanguage(LangState().LanguageIndex);
}

void TKyProgrammer::SelectAcmFromImage(int source) {
  const auto& words = source == 0 ? up().Info.InfoBlock : up().Info.InfoReadback;
  const uint16_t w = words[infoword::Acm];
  if (w == kAcm10) Options().RACM10 = 1;
  if (w == kAcm12) Options().RACM10 = 0;
  if (w == kAcm10 || w == kAcm12) main_.optionsChanged();
}

// ---------------------------------------------------------------------------
// The programmer branch of a build
// ---------------------------------------------------------------------------

void TKyProgrammer::buildCalibrationBlock() {
  if (!up().WriterIdentityEnabled()) return;
  up().WriterSendCalibration(CalibrationFromOptions(TCalibrationUse::Programmer));
  main_.optionsChanged();
  const TOptions& o = Options();
  if (o.EnHAO) line("OK", "H/W HAO Calibration Function ON!");
  if (o.EnSHAO) line("OK", "S/W HAO Calibration Function ON!");
  if (o.EnSLAO) line("OK", "S/W LPO Calibration Function ON!");
}

void TKyProgrammer::downloadBuild() {
  const std::string image = OutputFileName(OutBinaryFile);
  if (!Usb()) {
    line("OK", image + "   Compiler OK");
    line("OK", image + "LPT  Programmer");
    return;
  }
  if (!writerTakesImage(false, image + "   Download Fail !!!")) {
    relayoutListing();
    return;
  }
  if (!takePod()) {
    showErrors(false);
    return;
  }
  Display("Erase Flash Memory...");
  TWriterDownloadResult r;
  if (eraseWriter(writeraddr::BuildSectors)) {
    buildCalibrationBlock();
    Display("Down Load to Flash memory...");
    r = up().WriterDownloadImage(download(image));
  }
  if (r.Ok) {
    line("OK", image + "   Download OK");
  } else {
    // No failing word (-1): the download stopped before its read-back.
    line("Compiller",
         "DownLoad Flash Memory Fail  address at  " + Hex4(unsigned(r.DownloadFailIndex)) +
             ",  error data = " + r.DownloadFailWritten + " --- " + r.DownloadFailRead);
    Display("DownLoad Flash Memory Fail");
    linkLost();
  }
  relayoutListing();
}

void TKyProgrammer::BuildRoad(bool download, bool built) {
  TRun run(*this);
  if (download && built) {
    if (TKy_Hex* h = hex()) h->PrepareDump(MainRows() + 1);
    downloadBuild();
  }
  if (TKy_Hex* h = hex()) {
    dumpProgram(1);
    if (!ShortLayout()) {
      const auto& alt = up().Info.InfoBlockAlt;
      h->FillDumpRows(MainRows() + 1, std::vector<uint16_t>(alt.begin() + infoaltword::ImageWords,
                                                            alt.begin() + infoaltword::ListingEnd));
    }
  }
  if (locked_) up().PodLock(0);
  locked_ = false;
  showErrors(false);
  if (built) Shell().LastProgrammerFile = OutputFileName(OutBinaryFile);
  // The road's end: the status label shows the image, the build's items
  // are enabled again.
  main_.labSt_->setPalette(main_.palette());
  main_.SetStatusText(1, Shell().MainFileName);
  main_.setButtonEnabled(B::TBtK_F10, true);
  main_.timer2_->stop();
  if (Modes().DebugMode == 0) {
    main_.setEnabled(I::SMenu_AssembleDebug, true);
    main_.setEnabled(I::SMenu_Assemble, true);
  }
  main_.SetStatusText(1, Shell().LastProgrammerFile);
}

}  // namespace kyvor

// ---------------------------------------------------------------------------
// The main window's handlers (menu items and the programmer panel's buttons)
// ---------------------------------------------------------------------------

namespace kyvor {

void TKYMAIN::SMenu_BlankClick() { programmer_->Blank(); }
void TKYMAIN::SMenu_ProgramClick() { programmer_->Program(); }
void TKYMAIN::SMenu_VerifyClick() { programmer_->Verify(); }
void TKYMAIN::SMenu_AutoClick() { programmer_->Auto(); }
void TKYMAIN::SMenu_ReadClick() { programmer_->Read(); }
void TKYMAIN::SMenu_DownLoadClick() { programmer_->DownLoad(); }
void TKYMAIN::SMenu_ReadLoadClick() { programmer_->ReadFlash(); }
bool TKYMAIN::ProgrammerBusy() const { return programmer_->Busy(); }

}  // namespace kyvor
