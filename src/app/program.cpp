#include "app/program.h"

#include "ui/tray_menu.h"

namespace vorlix {

Program::Program(ui::WindowToolkit& window, RegistryDeleter& deleter)
    : window_(window), timing_(window.timer(), window.controls(), deleter) {
  window_.setEvents(this);
}

void Program::load() {
  window_.hide();
  window_.trayIcon().addTrayIcon();
  timing_.switchOn();
}

void Program::okClicked() {
  window_.hide();
  timing_.switchOn();
}

void Program::cancelClicked() { window_.hide(); }

void Program::configureChosen() { ui::runConfigure(window_, timing_); }

void Program::exitChosen() { ui::runExit(window_); }

void Program::unloading(ui::UnloadCause) { window_.trayIcon().deleteTrayIcon(); }

}  // namespace vorlix
