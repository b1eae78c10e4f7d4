// Projects: a project is a configuration file ("*.prj", the format of
// Kymain.cfg) with the watch list beside it ("*.pro"). Open Project replaces
// the editor's pages and the settings with the project's; Save Project
// writes both files; closing the program offers to save an open project.
#include <QAction>

#include "base/dialogs.h"
#include "base/lang.h"
#include "base/modes.h"
#include "debugwin/kywatch.h"
#include "debugwin/watchdata.h"
#include "shell/editor/editorlink.h"
#include "shell/mainwin/main_window.h"

namespace kyvor {

namespace {

const char kProjectFilter[] = "*.prj|*.prj|*.*|*.*";

// Only the file-name part counts: a folder may hold a dot.
size_t LeafStart(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

std::string ProjectWatchFileName(const std::string& project) {
  const size_t dot = project.find('.', LeafStart(project));
  return (dot == std::string::npos ? project : project.substr(0, dot)) + ".pro";
}

bool ProjectFileNameFor(const std::string& chosen, std::string& name) {
  const size_t dot = chosen.find('.', LeafStart(chosen));
  if (dot == std::string::npos) {
    name = chosen + ".prj";
    return true;
  }
  std::string ext = chosen.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  if (ext != "prj") return false;
  name = chosen;
  return true;
}

void TKYMAIN::SMenu_OpenProjectClick() {
  auto path = Dialogs().openFileName(LangTextUtf8(lt::MenuOpenProject), Shell().FileDialogFolder,
                                     kProjectFilter);
  if (path) {
    if (Modes().SimulatorMode == 0 && Modes().DebugMode == 1) RefreshOnRunStopped();
    SMenu_EditModeClick();
    // Cancel keeps the pages and the settings as they are.
    if (!SaveModifiedFiles(std::string(), 0)) return;
    if (forms_.editor) forms_.editor->CloseAllPages();
    SetNoFileState(1);
    ReadConfigFile(*path);
    if (forms_.editor && forms_.editor->PageCount() > 0) {
      ShowView(ViewEdit, 1);
      SetNoFileState(0);
    }
    SetMainFile(Shell().MainFileName);
    Shell().ProjectFileName = *path;
    WatchSettings().WatchListFileName = ProjectWatchFileName(*path);
    SetCheckSumText(CheckSumCaption(Shell().CodeChecksum));
  }
  SetSimulatorMode(Modes().SimulatorMode);
  Ky_Lang().SetLanguage(LangState().LanguageIndex);
  if (firstActivation_ == 0) FormActivate();
}

void TKYMAIN::SMenu_SaveProjectClick() {
  auto chosen = Dialogs().saveFileName(LangTextUtf8(lt::MenuSaveProject), Shell().FileDialogFolder,
                                       kProjectFilter);
  if (!chosen) return;
  std::string name;
  if (!ProjectFileNameFor(*chosen, name)) {
    Dialogs().messageBox("Save File Error", "Error", MsgIcon::Error, MbCancel);
    return;
  }
  Shell().ProjectFileName = name;
  WriteConfigFile(name);
  saveProjectWatches(ProjectWatchFileName(name));
  Ky_Lang().SetLanguage(LangState().LanguageIndex);
  SetDebugMode(Modes().DebugMode);
}

void TKYMAIN::saveProjectWatches(const std::string& path) {
  WatchSettings().WatchListFileName = path;
  if (auto* watch = forms_.view<TKy_WATCH>(ViewWatch)) watch->SaveWatchProperties(path);
}

// Closing with a project open asks to save it first: Yes saves it, No goes
// on without saving, Cancel keeps the program open.
bool TKYMAIN::offerProjectSave() {
  const std::string& project = Shell().ProjectFileName;
  if (project.empty()) return true;
  const MsgResult answer = Dialogs().messageBox("Save Project : " + project + " ?", "Kyvor-IDE",
                                                MsgIcon::Information, MbYes | MbNo | MbCancel);
  if (answer == MsgResult::Cancel) return false;
  if (answer != MsgResult::Yes) return true;
  WriteConfigFile(project);
  saveProjectWatches(WatchSettings().WatchListFileName.empty()
                         ? ProjectWatchFileName(project)
                         : WatchSettings().WatchListFileName);
  return true;
}

}  // namespace kyvor
