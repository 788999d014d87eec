// One run of the program: the load step at start-up, the flows on the
// window's events, and the unload step, with every failure told to the user.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/rule_records.h"
#include "core/scan_timing.h"
#include "core/text.h"
#include "settings/configuration_io.h"
#include "settings/settings_store.h"
#include "ui/rule_tip_text.h"
#include "ui/config_window.h"

namespace vorlix::ui {


// How a run ended, as the process's exit status.
enum class ExitStatus : int {
  Success = 0,
  SettingsUnreadable = 2,  // a stored value could not be loaded
  SettingsUnsaved = 3,     // the exit save failed and the user gave up
  UnexpectedFailure = 4,   // anything else that stopped a handler
};

// The two questions the program ever asks; message boxes on Windows. Each
// waits for the user's answer in a message loop of its own.
class UserPrompts {
 public:
  virtual void reportError(std::wstring_view message) = 0;
  // True to try again, false to give up.
  virtual bool askRetry(std::wstring_view message) = 0;
  // Brings the message that is waiting for an answer to the front.
  virtual void bringToFront() = 0;

 protected:
  ~UserPrompts() = default;
};

// The program's events, one at a time. A message box or the popup menu runs
// its own message loop inside the handler that opened it, and the window's
// other events arrive there while that handler waits. Such an event does
// nothing, with two exceptions: the icon (and another start's request for
// the window) brings a waiting message to the front, and the end of the
// session ends the run at once, saving only where an unload would save. So
// no pass ever runs on a table that a load or a revert is still filling,
// and once the run has decided to end without saving, nothing is written
// whatever arrives.
class Program final : public WindowEvents, public RuleReports {
 public:
  Program(ConfigWindow& window, SettingsStore& store, RegistryDeleter& deleter,
          UserPrompts& prompts);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Form1's Load: hide, read the 50 entries, add the tray icon, start
  // scanning if the switch is on. A stored value that cannot be loaded is
  // reported, and the run ends at once, before the icon is added.
  void start();

  // True once the window has been unloaded; the message loop then ends.
  bool ended() const { return phase_ == Phase::Ended; }
  ExitStatus exitStatus() const { return status_; }

  ScanTiming& timing() { return timing_; }
  // How each rule has fared in this run's scans.
  const RuleRecords& records() const { return records_; }

  void okClicked() override;
  void cancelClicked() override;
  void scannerClicked() override;
  void priorityPicked() override;
  void ruleEdited() override;
  void timerFired() override;
  void registryChanged() override;
  void trayNotified(const TrayNotification& notification) override;
  void closeClicked() override;
  // As the menu's Configure: the window shows and scanning pauses.
  void configureRequested() override;
  void sessionEnding() override;
  void unloading(UnloadCause cause) override;

  // A row's tip: its fields as they are now, its records from the scans.
  std::wstring describeRule(int slot) const override;

 private:
  // Where the run stands. A message box or the menu, opened by a handler
  // or by the unload step, lets other events in while it waits.
  enum class Phase : std::uint8_t {
    Idle,       // between events
    Handling,   // an event's handler runs
    Unloading,  // the unload step runs
    Ended,      // the window is gone or going: nothing more happens
  };
  class Handling;
  class PromptOpen;

  // The controls seen as the rule table and the options; assignments
  // through options() raise the timing's reactions.
  RuleTable rules() const { return RuleTable(window_.controls()); }
  ProgramOptions options() { return ProgramOptions(window_.controls(), &timing_); }

  // Runs one event's handler if the run is idle; whatever escapes it is
  // reported and ends the run.
  template <class Handler>
  void handle(std::wstring_view doing, Handler&& handler);
  // A request of the user's that arrives while a handler waits: the open
  // message comes to the front, nothing else happens. True if it arrived so.
  bool answeredWhileWaiting();
  // The prompts, remembering that a message is open.
  void tell(std::wstring_view message);
  bool ask(std::wstring_view message);
  // Ends the run without the exit save, after telling the user why. Decided
  // before the message opens, so nothing that arrives meanwhile can write.
  void endWithoutSaving(ExitStatus status, std::wstring_view message);
  void saveAtExit(UnloadCause cause);
  // The exit save's question is open as the session ends: one last try.
  void finishExitSaveUnasked();
  void deleteTrayIconIfAdded();

  ConfigWindow& window_;
  SettingsStore& store_;
  UserPrompts& prompts_;
  RuleRecords records_;
  ScanTiming timing_;
  Phase phase_ = Phase::Idle;
  // Cleared once the run has decided to end without saving.
  bool saveAtUnload_ = true;
  // Set by PromptOpen while a message waits for the user's answer.
  bool promptOpen_ = false;
  ExitStatus status_ = ExitStatus::Success;
};

}  // namespace vorlix::ui
