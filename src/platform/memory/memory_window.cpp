#include "platform/memory/memory_window.h"

#include "core/unexpected_failure.h"
#include "ui/tray_menu.h"

namespace vorlix {

MemoryTrayIcon::MemoryTrayIcon() : keeper_(*this, retryTimer) {
  retryTimer.onFire = [this] { keeper_.retryTimerFired(); };
}

void MemoryTrayIcon::addTrayIcon() {
  if (log) log->push_back(L"add icon");
  ++adds;
  keeper_.addTrayIcon();
}

void MemoryTrayIcon::deleteTrayIcon() {
  if (log) log->push_back(L"delete icon");
  ++deletes;
  keeper_.deleteTrayIcon();
}

void MemoryTrayIcon::focusNotificationArea() { ++focusReturns; }

bool MemoryTrayIcon::tryAddIcon() {
  ++shellAdds;
  if (refuseAdds > 0) {
    --refuseAdds;
    return false;
  }
  shown = true;
  return true;
}

void MemoryTrayIcon::deleteIcon() { shown = false; }

MemoryWindow::MemoryWindow() {
  timerMemory.onFire = [this] { events().timerFired(); };
  timerMemory.log = &log;
  watchMemory.onChange = [this] { events().registryChanged(); };
  watchMemory.log = &log;
  trayMemory.log = &log;
}

void MemoryWindow::show() {
  if (unloaded) unreachable("show after unload");
  log.push_back(L"show");
  if (!shown_) ++shows;
  shown_ = true;
}

void MemoryWindow::hide() {
  if (unloaded) unreachable("hide after unload");
  log.push_back(L"hide");
  if (shown_) ++hides;
  shown_ = false;
}

ui::MenuCommand MemoryWindow::popupMenu(ui::ScreenPoint at) {
  popups.push_back(at);
  if (whileMenuOpen) whileMenuOpen();
  // A window destroyed under the open menu closes it unchosen.
  return unloaded ? ui::MenuCommand::None : nextMenuChoice;
}

void MemoryWindow::unload(ui::UnloadCause cause) {
  ++unloadRequests;
  if (unloading_ || unloaded) return;
  unloading_ = true;
  unloads.push_back(cause);
  events().unloading(cause);
  unloaded = true;
  shown_ = false;
}

void MemoryWindow::endSession() {
  if (unloaded) return;
  events().sessionEnding();
  unloaded = true;
  shown_ = false;
}

void MemoryWindow::clickScanner() {
  controlsMemory.setCheckValue(ScannerBox, ui::clickedState(controlsMemory.checkValue(ScannerBox)));
  events().scannerClicked();
}

void MemoryWindow::pickPriority(std::int16_t index) {
  controlsMemory.setListIndex(PriorityCombo, index);
  events().priorityPicked();
}

void MemoryWindow::typeText(TextField field, int slot, std::wstring_view text) {
  controlsMemory.setText(field, slot, text);
  events().ruleEdited();
}

void MemoryWindow::pickHive(int slot, std::int16_t index) {
  controlsMemory.setListIndex(slot, index);
  events().ruleEdited();
}

void MemoryWindow::clickRuleBox(int slot) {
  controlsMemory.setCheckValue(slot, ui::clickedState(controlsMemory.checkValue(slot)));
  events().ruleEdited();
}

void MemoryWindow::clickOk() { events().okClicked(); }
void MemoryWindow::clickCancel() { events().cancelClicked(); }
void MemoryWindow::clickCloseBox() { events().closeClicked(); }
void MemoryWindow::startAgain() { events().configureRequested(); }

void MemoryWindow::rightClickIcon(ui::ScreenPoint at) {
  events().trayNotified({ui::tray_code::RightUp, at});
  events().trayNotified({ui::tray_code::ContextMenu, at});
}

ui::WindowEvents& MemoryWindow::events() {
  if (events_ == nullptr) unreachable("window events not wired");
  return *events_;
}

}  // namespace vorlix
