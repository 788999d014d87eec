// One run of the program: the load step at start-up, the flows on the
// window's events, and the unload step, with every failure told to the user.
#pragma once

#include <string>
#include <string_view>

#include "core/scan_timing.h"
#include "settings/flows.h"
#include "settings/settings_store.h"
#include "ui/toolkit.h"

namespace vorlix::ui {

inline constexpr std::wstring_view ProgramName = L"Vorlix";

// How a run ended, as the process's exit status.
enum class ExitStatus : int {
  Success = 0,
  SettingsUnreadable = 2,  // a stored value could not be loaded
  SettingsUnsaved = 3,     // the exit save failed and the user gave up
  UnexpectedFailure = 4,   // anything else that stopped a handler
};

// The two questions the program ever asks; message boxes on Windows.
class UserPrompts {
 public:
  virtual void reportError(std::wstring_view message) = 0;
  // True to try again, false to give up.
  virtual bool askRetry(std::wstring_view message) = 0;

 protected:
  ~UserPrompts() = default;
};

class Program final : public WindowEvents, private FlowHooks {
 public:
  Program(WindowToolkit& window, SettingsStore& store, RegistryDeleter& deleter,
          UserPrompts& prompts);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Form1's Load: hide, read the 50 entries, add the tray icon, start
  // scanning if the switch is on. A stored value that cannot be loaded is
  // reported, and the run ends at once, before the icon is added.
  void start();

  // True once the window has been unloaded; the message loop then ends.
  bool ended() const { return ended_; }
  ExitStatus exitStatus() const { return status_; }

  ScanTiming& timing() { return timing_; }

  void okClicked() override;
  void cancelClicked() override;
  void scannerClicked() override;
  void priorityPicked() override;
  void timerFired() override;
  void configureChosen() override;
  void exitChosen() override;
  void unloading(UnloadCause cause) override;

 private:
  void hideWindow() override;
  void addTrayIcon() override;
  void deleteTrayIcon() override;
  void switchOn() override;

  // Runs one event's handler; whatever escapes it is reported and ends the run.
  template <class Handler>
  void guarded(std::wstring_view doing, Handler&& handler);
  // Ends the run without the exit save (the store stays as it is).
  void endWithoutSaving(ExitStatus status);
  void saveAtExit(UnloadCause cause);

  WindowToolkit& window_;
  UserPrompts& prompts_;
  ScanTiming timing_;
  ConfigurationFlows flows_;
  bool iconAdded_ = false;
  bool saveAtUnload_ = true;
  bool ended_ = false;
  ExitStatus status_ = ExitStatus::Success;
};

// The text of an unexpected failure: what the program was doing and why it failed.
std::wstring describeUnexpectedFailure(std::wstring_view doing, std::wstring_view reason);
// The same for the program's own ASCII reasons (std::exception::what).
std::wstring describeUnexpectedFailure(std::wstring_view doing, const char* reason);

}  // namespace vorlix::ui
