#include "ui/tray_icon.h"

namespace vorlix::ui {

TrayIconKeeper::TrayIconKeeper(TrayShell& shell, ScanTimer& retry) : shell_(shell), retry_(retry) {
  retry_.setInterval(RetryInterval);
}

void TrayIconKeeper::addTrayIcon() {
  added_ = true;
  addOrRetryLater();
}

void TrayIconKeeper::deleteTrayIcon() {
  added_ = false;
  retry_.setEnabled(false);
  shell_.deleteIcon();
  shown_ = false;
}

void TrayIconKeeper::taskbarCreated() {
  if (added_) addOrRetryLater();
}

void TrayIconKeeper::retryTimerFired() {
  if (added_ && !shown_) {
    addOrRetryLater();
  } else {
    retry_.setEnabled(false);  // a late firing: nothing left to do
  }
}

void TrayIconKeeper::addOrRetryLater() {
  shown_ = shell_.tryAddIcon();
  retry_.setEnabled(!shown_);
}

}  // namespace vorlix::ui
