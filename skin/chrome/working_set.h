#pragma once
// Empties the process's working set when the application is deactivated, by
// running a small utility the program carries (written to %windir%\empty.exe
// when it is not there yet) and waiting for it.
#include "assets/assets.h"

namespace quorlin::assets {
// The bytes of the working-set utility (tools/trim_working_set.cpp).
extern constinit const AssetBytes WorkingSetUtility;
}  // namespace quorlin::assets

namespace quorlin::skin {

void TrimWorkingSet();

}  // namespace quorlin::skin
