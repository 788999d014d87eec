#include "ui/program.h"

#include <chrono>
#include <exception>

#include "core/unexpected_failure.h"
#include "ui/tray_menu.h"

namespace vorlix::ui {

// An event's handler in progress. The unload step may run inside it (the
// menu's Exit) and end the run, which then stays ended.
class Program::Handling {
 public:
  explicit Handling(Program& program) : program_(program) { program_.phase_ = Phase::Handling; }
  Handling(const Handling&) = delete;
  Handling& operator=(const Handling&) = delete;
  ~Handling() {
    if (program_.phase_ == Phase::Handling) program_.phase_ = Phase::Idle;
  }

 private:
  Program& program_;
};

// A message box open and waiting for the user's answer.
class Program::PromptOpen {
 public:
  explicit PromptOpen(Program& program) : program_(program) { program_.promptOpen_ = true; }
  PromptOpen(const PromptOpen&) = delete;
  PromptOpen& operator=(const PromptOpen&) = delete;
  ~PromptOpen() { program_.promptOpen_ = false; }

 private:
  Program& program_;
};

Program::Program(ConfigWindow& window, SettingsStore& store, RegistryDeleter& deleter,
                 UserPrompts& prompts)
    : window_(window),
      store_(store),
      prompts_(prompts),
      timing_(window.timer(), window.registryWatch(), window.controls(), deleter, &records_) {}

// Form1's Load: the window stays hidden, the 50 entries are read into the
// controls (a changed priority or switch reacts as it is read), the icon is
// added, and scanning starts if the switch is on.
void Program::start() {
  handle(L"load its configuration", [&] {
    window_.hide();
    try {
      ProgramOptions loaded = options();
      readConfiguration(store_, rules(), loaded);
    } catch (const SettingsFailure& failure) {
      endWithoutSaving(ExitStatus::SettingsUnreadable, describeSettingsFailure(failure));
      return;
    }
    window_.trayIcon().addTrayIcon();
    timing_.switchOn();
  });
}

// OK: hide, write the 50 entries in the OK order, resume scanning if the
// switch is on.
void Program::okClicked() {
  handle(L"save the configuration", [&] {
    window_.hide();
    try {
      writeConfiguration(store_, rules(), options(), okOrder());
    } catch (const SettingsFailure& failure) {
      // The user's values are still in the controls: show them again so
      // that OK can be pressed once more, or CANCEL. An end of the session
      // while the message is open saves them and ends the run.
      tell(describeSettingsFailure(failure));
      if (!ended()) window_.show();
      return;
    }
    timing_.switchOn();
  });
}

// CANCEL: hide and read the 50 entries again. The timer is left as the
// window left it, unless the read changes the switch.
void Program::cancelClicked() {
  handle(L"read the stored configuration again", [&] {
    window_.hide();
    try {
      ProgramOptions reverted = options();
      readConfiguration(store_, rules(), reverted);
    } catch (const SettingsFailure& failure) {
      endWithoutSaving(ExitStatus::SettingsUnreadable, describeSettingsFailure(failure));
      return;
    }
    // The rows' own edits raised nothing while this handler ran.
    timing_.rulesChanged();
  });
}

void Program::scannerClicked() {
  handle(L"switch the scanner", [&] { timing_.applyScannerSwitch(); });
}

void Program::priorityPicked() {
  handle(L"set the priority", [&] { timing_.applyPriority(); });
}

void Program::ruleEdited() {
  handle(L"follow the edited rule", [&] { timing_.rulesChanged(); });
}

void Program::timerFired() {
  handle(L"scan", [&] { timing_.timerFired(); });
}

void Program::registryChanged() {
  handle(L"scan", [&] { timing_.registryChanged(); });
}

void Program::trayNotified(const TrayNotification& notification) {
  if (ended() || !decodeTrayEvent(notification.code)) return;
  if (answeredWhileWaiting()) return;
  handle(L"open its menu", [&] {
    const MenuCommand chosen = window_.popupMenu(notification.anchor);
    if (ended()) return;  // the session ended while the menu was open
    switch (chosen) {
      case MenuCommand::Configure: runConfigure(window_, timing_); break;
      case MenuCommand::Exit: runExit(window_); break;
      case MenuCommand::None: window_.trayIcon().focusNotificationArea(); break;
    }
  });
}

void Program::configureRequested() {
  if (ended() || answeredWhileWaiting()) return;
  handle(L"show its window", [&] { runConfigure(window_, timing_); });
}

void Program::closeClicked() {
  handle(L"close its window", [&] { window_.unload(UnloadCause::CloseBox); });
}

void Program::sessionEnding() {
  if (ended()) return;
  try {
    if (phase_ == Phase::Unloading) {
      // The unload is waiting for an answer, and the session will not wait.
      if (saveAtUnload_) {
        finishExitSaveUnasked();
      } else {
        deleteTrayIconIfAdded();
      }
    } else {
      window_.unload(UnloadCause::EndOfSession);
    }
  } catch (...) {
    // The session is ending; there is no one left to tell.
    status_ = ExitStatus::UnexpectedFailure;
  }
  phase_ = Phase::Ended;
}

void Program::unloading(UnloadCause cause) {
  phase_ = Phase::Unloading;
  try {
    if (saveAtUnload_) {
      saveAtExit(cause);
    } else {
      deleteTrayIconIfAdded();
    }
  } catch (const std::exception& failure) {
    // The window is going away whatever happens; say what was not done.
    status_ = ExitStatus::UnexpectedFailure;
    if (cause != UnloadCause::EndOfSession)
      tell(describeUnexpectedFailure(L"finish saving and remove its icon", failure.what()));
  }
  phase_ = Phase::Ended;
}

// The unload step: the 50 entries in the load order, then the icon goes.
void Program::saveAtExit(UnloadCause cause) {
  for (;;) {
    try {
      writeConfiguration(store_, rules(), options(), loadOrder());
      deleteTrayIconIfAdded();
      return;
    } catch (const SettingsFailure& failure) {
      // The session is ending and will not wait for an answer.
      if (cause == UnloadCause::EndOfSession) break;
      const bool retry = ask(describeSettingsFailure(failure));
      if (ended()) return;  // the session ended while the question was open
      if (!retry) break;
    }
  }
  // Given up: the store keeps what the failed save left, the icon still goes.
  status_ = ExitStatus::SettingsUnsaved;
  deleteTrayIconIfAdded();
}

void Program::finishExitSaveUnasked() {
  try {
    writeConfiguration(store_, rules(), options(), loadOrder());
  } catch (const SettingsFailure&) {
    status_ = ExitStatus::SettingsUnsaved;
  }
  deleteTrayIconIfAdded();
}

void Program::deleteTrayIconIfAdded() {
  if (window_.trayIcon().added()) window_.trayIcon().deleteTrayIcon();
}

template <class Handler>
void Program::handle(std::wstring_view doing, Handler&& handler) {
  if (phase_ != Phase::Idle) return;
  const Handling handling(*this);
  try {
    handler();
  } catch (const std::exception& failure) {
    endWithoutSaving(ExitStatus::UnexpectedFailure, describeUnexpectedFailure(doing, failure.what()));
  }
}

bool Program::answeredWhileWaiting() {
  if (phase_ == Phase::Idle) return false;
  // A menu or the window now would offer commands that cannot run before
  // the message is answered; show the message instead.
  if (promptOpen_) prompts_.bringToFront();
  return true;
}

void Program::tell(std::wstring_view message) {
  const PromptOpen open(*this);
  prompts_.reportError(message);
}

bool Program::ask(std::wstring_view message) {
  const PromptOpen open(*this);
  return prompts_.askRetry(message);
}

void Program::endWithoutSaving(ExitStatus status, std::wstring_view message) {
  status_ = status;
  saveAtUnload_ = false;
  try {
    timing_.switchOff();
  } catch (...) {
    // No pass runs anyway: every tick from here on finds a handler in
    // progress or the run ended.
  }
  tell(message);
  if (ended()) return;  // the session ended while the message was open
  try {
    window_.unload(UnloadCause::Exit);
  } catch (...) {
    // The run is ending anyway; the message loop stops on ended().
  }
  phase_ = Phase::Ended;
}

std::wstring Program::describeRule(int slot) const {
  const RuleSlot rule = rules().slot(slot);
  const RuleRecord& record = records_[slot];
  return ruleTipText({slot, rule.enableState(), rule.fullPath(), record,
                      localTimeOf(std::chrono::system_clock::now()),
                      localTimeOf(record.lastDeletion)});
}

}  // namespace vorlix::ui
