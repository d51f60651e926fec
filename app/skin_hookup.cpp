#include "app/skin_hookup.h"

namespace quorlin {

// The skin engine is not part of the program yet: the main window keeps the
// platform's plain look.
void SetSkinStartValues() {}
void OnMainWindowCreated() {}

}  // namespace quorlin
