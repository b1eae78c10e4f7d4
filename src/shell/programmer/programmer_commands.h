#pragma once
// The programmer-only layout's commands: Blank, Program, Verify, Auto and Read
// of the target chip in the programmer ("writer"), DownLoad of an image file
// into the writer's image memory and ReadFlash of it back, and the programmer
// branch of a build. Each command writes its result lines into the error list
// and its hex dump into the listing's dump grid, and runs to its end with the
// window's messages running through the clock seam, the programmer actions
// disabled and the gauge showing its progress.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/calibration.h"
#include "engine/writer_access.h"

namespace kyvor {

class TKYMAIN;
class TKy_UP;
class TKy_ERR;
class TKy_Hex;

// One chip of the chip list, as Read looks a chip's id up: the first data
// lines after "#PRODUCT", "#ID" and "#ROM" of its description file.
struct TChipTableEntry {
  std::string Name;
  uint16_t Id = 0;
  uint32_t RomWords = 0;
};
inline constexpr int kChipTableCapacity = 1025;
// Every chip of the list whose description file exists, in list order.
std::vector<TChipTableEntry> ReadChipTable();

// A file of the program folder (the information-block templates); empty
// when it is missing.
std::vector<uint8_t> ReadTemplateFile(const std::string& name);

// The pod display's texts: padded with blanks to the display's 32 places.
std::string DisplayText(const std::string& text);

// The calibration block for `use` after the calibration options are applied
// (the hardware calibration switch follows the chip's saved HaoEnabled).
std::array<uint8_t, 52> CalibrationFromOptions(TCalibrationUse use);

class TKyProgrammer {
 public:
  explicit TKyProgrammer(TKYMAIN& main);

  void Blank();
  void Program();
  void Verify();
  void Auto();
  void Read();
  void DownLoad();
  void ReadFlash();
  // Read From Writer Memory: the writer's image in the dump grid.
  void ReadWriterMemory();
  // The programmer branch of a build: with `download` (Assemble & Debug of a
  // build that succeeded) the image goes to the writer; the listing's dump
  // always shows the program.
  void BuildRoad(bool download, bool built);
  bool Busy() const { return busy_; }

  // The chip of ImageFileChipId made the selected chip (index 0 when no chip
  // file has that id; ids 0 and 0xFFFF change nothing).
  void SelectChipFromImageId();
  // The ACM voltage from word 114 of the model's information block
  // (source 0) or of the writer's information area (source 1).
  void SelectAcmFromImage(int source);
  // The text on the pod display when the writer answers its identity.
  void Display(const std::string& text);

 private:
  class TRun;
  enum class TDetails { None, WithAddress, NoAddressFor4 };

  TKy_UP& up() const;
  TKy_ERR* err() const;
  TKy_Hex* hex() const;
  void line(const std::string& label, const std::string& text);
  // The link went away during the command: the connect error line, once.
  bool linkLost();
  void showErrors(bool clear);
  // Opens and takes the pod over USB (common frame step 2); false ends the command.
  bool takePod();
  void setActionsEnabled(bool on);
  void relayoutListing();

  void chipCommand(const std::string& label,
                   void (TKyProgrammer::*steps)(const std::string& label));
  void blankSteps(const std::string& label);
  void programSteps(const std::string& label);
  void verifySteps(const std::string& label);
  void autoSteps(const std::string& label);
  bool checkIdentity(const std::string& label, uint16_t& status);
  void failureDetails(uint8_t result, TDetails details);
  uint8_t run(TChipOperation type, uint32_t words);
  bool report(uint8_t result, const std::string& label, const std::string& fail,
              const std::string& ok, TDetails details);
  bool operation(TChipOperation type, uint32_t words, const std::string& label,
                 const std::string& fail, const std::string& ok, TDetails details);
  bool calibration(bool autoCommand);
  bool handOver(bool readWriterArea);
  bool writerTakesImage(bool protect, const std::string& failText);
  bool eraseWriter(std::span<const uint32_t> sectors);
  void protect();
  void programVerifyProtect(const std::string& label, uint32_t sbmWords);
  TWriterDownload download(const std::string& path) const;
  bool imageFileFits(const std::string& path, bool& hasId, uint16_t& id);
  void dumpProgram(int firstRow);
  void readChip(const TChipTableEntry& entry, uint16_t status);
  bool readFlashImage();
  void buildCalibrationBlock();
  void downloadBuild();

  // What the command saw of the pod, for the connection panel at its end:
  // nothing, its link, or also the chip in the socket (on board or not).
  enum class TPodSeen { Nothing, Link, Body, NoBody };
  void sawPod(TPodSeen seen);
  void showConnection();

  TKYMAIN& main_;
  TPodSeen seen_ = TPodSeen::Nothing;
  bool busy_ = false;
  bool locked_ = false;
  bool lostShown_ = false;
  uint8_t calibrationFlags_ = 0;
};

}  // namespace kyvor
