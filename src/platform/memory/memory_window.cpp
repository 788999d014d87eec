#include "platform/memory/memory_window.h"

#include <stdexcept>

#include "ui/tray_menu.h"

namespace vorlix {

MemoryWindow::MemoryWindow() {
  timerMemory.onFire = [this] { events().timerFired(); };
}

void MemoryWindow::show() {
  if (unloaded) throw std::logic_error("show after unload");
  if (!shown_) ++shows;
  shown_ = true;
}

void MemoryWindow::hide() {
  if (unloaded) throw std::logic_error("hide after unload");
  if (shown_) ++hides;
  shown_ = false;
}

ui::MenuCommand MemoryWindow::popupMenu(ui::ScreenPoint at) {
  popups.push_back(at);
  return nextMenuChoice;
}

void MemoryWindow::unload(ui::UnloadCause cause) {
  if (unloaded) return;
  unloads.push_back(cause);
  events().unloading(cause);
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

void MemoryWindow::clickOk() { events().okClicked(); }
void MemoryWindow::clickCancel() { events().cancelClicked(); }

ui::WindowEvents& MemoryWindow::events() {
  if (events_ == nullptr) throw std::logic_error("window events not wired");
  return *events_;
}

}  // namespace vorlix
