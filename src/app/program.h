// One run of the program, wired to the events of its window: the load step,
// the window's events and the unload step. Written against the portable
// window toolkit, so the same wiring runs on the Win32 window and, in tests,
// on the in-memory one.
#pragma once

#include "core/rules.h"
#include "core/scan_pass.h"
#include "core/scan_timing.h"
#include "ui/toolkit.h"

namespace vorlix {

class Program final : public ui::WindowEvents {
 public:
  // Takes the window's events for the rest of the window's life.
  Program(ui::WindowToolkit& window, RegistryDeleter& deleter);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The load step: hide the window, add the tray icon, start scanning if
  // the scanner box is Checked.
  void load();

  ScanTiming& timing() { return timing_; }
  // The options as code assigns them: a different value raises the same
  // reaction as the user's click or pick.
  ProgramOptions options() { return ProgramOptions(window_.controls(), &timing_); }

  void okClicked() override;
  void cancelClicked() override;
  void scannerClicked() override { timing_.applyScannerSwitch(); }
  void priorityPicked() override { timing_.applyPriority(); }
  void timerFired() override { timing_.timerFired(); }
  void configureChosen() override;
  void exitChosen() override;
  void unloading(ui::UnloadCause cause) override;

 private:
  ui::WindowToolkit& window_;
  ScanTiming timing_;
};

}  // namespace vorlix
