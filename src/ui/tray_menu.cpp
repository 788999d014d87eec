#include "ui/tray_menu.h"

namespace vorlix::ui {

void handleTrayNotification(const TrayNotification& notification, WindowToolkit& window,
                            WindowEvents& events) {
  if (!decodeTrayEvent(notification.code)) return;
  switch (window.popupMenu(notification.anchor)) {
    case MenuCommand::Configure: events.configureChosen(); break;
    case MenuCommand::Exit: events.exitChosen(); break;
    case MenuCommand::None: break;
  }
}

void runConfigure(WindowToolkit& window, ScanTiming& timing) {
  window.show();
  timing.switchOff();
}

void runExit(WindowToolkit& window) { window.unload(UnloadCause::Exit); }

}  // namespace vorlix::ui
