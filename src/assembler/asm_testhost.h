#pragma once
// A host that records everything the assembler hands to the IDE: the error
// list, the error-view and checksum calls, the source pages and the line and
// macro tables. For tests and for tools that assemble without a window.
#include <cstdio>
#include <string>
#include <vector>

#include "assembler/asm_host.h"
#include "assembler/errorlist.h"
#include "assembler/sourcetables.h"

namespace kyvor {

class TAsmRecordingHost : public IAsmHost {
 public:
  void lineStep() override { ++LineSteps; }
  void clearErrors() override { Errors.ClearErrors(); }
  void addError(const std::string& path, int line, const std::string& text) override {
    Errors.AddError(path, line, text);
  }
  void showErrorView() override { ++ErrorViewShown; }
  void showChecksum(const std::string& text) override { ChecksumText = text; }
  void clearAddrMacroIndex() override {
    Tables.ClearAddrMacroIndex();
    Tables.ClearPages();
    LoadedFiles.clear();
  }
  bool loadSourceFile(const std::string& path) override {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    int lines = 0;
    char last = '\n';
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
      for (size_t i = 0; i < n; ++i)
        if (buf[i] == '\n') ++lines;
      last = buf[n - 1];
    }
    if (last != '\n') ++lines;
    std::fclose(f);
    LoadedFiles.push_back(path);
    return Tables.AddPage(lines);
  }
  bool createMacroTable() override { return Tables.CreateMacroTable(); }
  void setLineInfo(int page, int line, int32_t value, int slot) override {
    Tables.SetLineInfo(page, line, value, slot);
  }
  bool setAddrMacroIndex(int32_t address, int32_t recNo) override {
    return Tables.SetAddrMacroIndex(address, recNo);
  }
  void putMacroRecord(int recNo, const TMacroExpansionRecord& record) override {
    Tables.PutMacroRecord(recNo, record);
  }

  TErrorList Errors;
  TSourceLineTables Tables;
  std::vector<std::string> LoadedFiles;
  int LineSteps = 0;
  int ErrorViewShown = 0;
  std::string ChecksumText;
};

}  // namespace kyvor
