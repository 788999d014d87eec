// Resource numbers shared by vorlix.rc and the code. Plain macros: the
// resource compiler reads this file too.
#pragma once

#define IDI_VORLIX 1
