#include "ui/tray_menu.h"

#include <utility>

namespace vorlix::ui {

void runConfigure(WindowToolkit& window, ScanTiming& timing) {
  window.show();
  timing.switchOff();
}

void runExit(WindowToolkit& window) { window.unload(UnloadCause::Exit); }

TrayIconKeeper::TrayIconKeeper(TrayShell& shell, ScanTimer& retry) : shell_(shell), retry_(retry) {
  retry_.setInterval(RetryInterval);
}

void TrayIconKeeper::want() {
  wanted_ = true;
  tryAdd();
}

void TrayIconKeeper::unwant() {
  wanted_ = false;
  retry_.setEnabled(false);
  shell_.removeIcon();
  shown_ = false;
}

void TrayIconKeeper::shellAnnounced() {
  if (wanted_) tryAdd();
}

void TrayIconKeeper::retryDue() {
  if (wanted_ && !shown_) {
    tryAdd();
  } else {
    retry_.setEnabled(false);  // a late firing: nothing left to do
  }
}

void TrayIconKeeper::tellWhereOnce(std::function<void()> told) {
  told_ = std::move(told);
  tellWhereIfDue();
}

void TrayIconKeeper::tryAdd() {
  shown_ = shell_.addIcon();
  retry_.setEnabled(!shown_);
  tellWhereIfDue();
}

void TrayIconKeeper::tellWhereIfDue() {
  // A balloon needs an icon to come from.
  if (!told_ || !shown_ || !shell_.showBalloon(WhereNoticeTitle, WhereNoticeText)) return;
  std::exchange(told_, nullptr)();
}

}  // namespace vorlix::ui
