// Form1's help beside its controls: the rule rows' tips and the names that
// screen readers give the controls. Neither changes what the window shows.
#include "platform/win32/form1.h"

#include <vector>

#include "ui/accessible_name_text.h"

namespace vorlix::win32 {

void Form1::addRuleTooltip() {
  tips_.emplace(hwnd(), instance_, dpi_);
  for (const ui::PlacedControl& c : layout_)
    if (ui::ruleRowOf(c.id) != 0) tips_->addRowControl(controls_[c.id]);
}

void Form1::nameControls(IAccPropServices* service) {
  std::vector<ControlName> names;
  names.reserve(layout_.size());
  for (const ui::PlacedControl& c : layout_) names.push_back({controls_[c.id], ui::accessibleName(c)});
  // A missing or refusing service leaves the default names: the window
  // works the same, and accessibleNamesResult() says what happened.
  names_.emplace(names, service);
}

}  // namespace vorlix::win32
