// Vorlix: keeps chosen registry entries deleted.
#include <windows.h>

#include "app/program.h"
#include "platform/win32/form1.h"
#include "platform/win32/registry_deleter.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  vorlix::win32::Form1 form(instance);
  vorlix::win32::RegistryApiDeleter deleter;
  vorlix::Program program(form, deleter);
  program.load();
  return vorlix::win32::runMessageLoop(form);
}
