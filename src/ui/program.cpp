#include "ui/program.h"

#include <exception>

#include "ui/tray_menu.h"

namespace vorlix::ui {

Program::Program(WindowToolkit& window, SettingsStore& store, RegistryDeleter& deleter,
                 UserPrompts& prompts)
    : window_(window),
      prompts_(prompts),
      timing_(window.timer(), window.controls(), deleter),
      flows_(store, RuleTable(window.controls()), ProgramOptions(window.controls(), &timing_),
             *this) {}

void Program::start() {
  guarded(L"load its configuration", [&] {
    try {
      flows_.load();
    } catch (const SettingsFailure& failure) {
      prompts_.reportError(describeSettingsFailure(failure));
      endWithoutSaving(ExitStatus::SettingsUnreadable);
    }
  });
}

void Program::okClicked() {
  guarded(L"save the configuration", [&] {
    try {
      flows_.saveOnOk();
    } catch (const SettingsFailure& failure) {
      // The user's values are still in the controls: show them again so
      // that OK can be pressed once more, or CANCEL.
      prompts_.reportError(describeSettingsFailure(failure));
      window_.show();
    }
  });
}

void Program::cancelClicked() {
  guarded(L"read the stored configuration again", [&] {
    try {
      flows_.revert();
    } catch (const SettingsFailure& failure) {
      prompts_.reportError(describeSettingsFailure(failure));
      endWithoutSaving(ExitStatus::SettingsUnreadable);
    }
  });
}

void Program::scannerClicked() {
  guarded(L"switch the scanner", [&] { timing_.applyScannerSwitch(); });
}

void Program::priorityPicked() {
  guarded(L"set the priority", [&] { timing_.applyPriority(); });
}

void Program::timerFired() { timing_.timerFired(); }

void Program::configureChosen() {
  guarded(L"open the configuration window", [&] { runConfigure(window_, timing_); });
}

void Program::exitChosen() {
  guarded(L"end", [&] { runExit(window_); });
}

void Program::unloading(UnloadCause cause) {
  ended_ = true;
  try {
    if (saveAtUnload_) {
      saveAtExit(cause);
    } else if (iconAdded_) {
      deleteTrayIcon();
    }
  } catch (const std::exception& failure) {
    // The window is going away whatever happens; say what was not done.
    prompts_.reportError(describeUnexpectedFailure(L"finish saving and remove its icon", failure.what()));
    status_ = ExitStatus::UnexpectedFailure;
  }
}

void Program::saveAtExit(UnloadCause cause) {
  for (;;) {
    try {
      flows_.unload();
      return;
    } catch (const SettingsFailure& failure) {
      // The session is ending and will not wait for an answer.
      if (cause == UnloadCause::EndOfSession) break;
      if (!prompts_.askRetry(describeSettingsFailure(failure))) break;
    }
  }
  // Given up: the store keeps what the failed save left, the icon still goes.
  status_ = ExitStatus::SettingsUnsaved;
  if (iconAdded_) deleteTrayIcon();
}

void Program::hideWindow() { window_.hide(); }

void Program::addTrayIcon() {
  window_.trayIcon().addTrayIcon();
  iconAdded_ = true;
}

void Program::deleteTrayIcon() {
  window_.trayIcon().deleteTrayIcon();
  iconAdded_ = false;
}

void Program::switchOn() { timing_.switchOn(); }

template <class Handler>
void Program::guarded(std::wstring_view doing, Handler&& handler) {
  if (ended_) return;
  try {
    handler();
  } catch (const std::exception& failure) {
    prompts_.reportError(describeUnexpectedFailure(doing, failure.what()));
    endWithoutSaving(ExitStatus::UnexpectedFailure);
  }
}

void Program::endWithoutSaving(ExitStatus status) {
  status_ = status;
  saveAtUnload_ = false;
  if (ended_) return;
  try {
    window_.unload(UnloadCause::Exit);
  } catch (...) {
    // The run is ending anyway; the message loop stops on ended().
  }
  ended_ = true;
}

std::wstring describeUnexpectedFailure(std::wstring_view doing, std::wstring_view reason) {
  return std::wstring(ProgramName) + L" could not " + std::wstring(doing) + L".\n\n" +
         std::wstring(reason) + L"\n\n" + std::wstring(ProgramName) + L" will now end.";
}

std::wstring describeUnexpectedFailure(std::wstring_view doing, const char* reason) {
  std::wstring wide;
  // The reasons are the program's own ASCII texts and the system's codes.
  for (const char* c = reason; c != nullptr && *c != '\0'; ++c)
    wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*c)));
  return describeUnexpectedFailure(doing, wide);
}

}  // namespace vorlix::ui
