#pragma once

namespace lomandra::app {

/// The platform key code (Delete 46, A-Z 65-90, ...) of a Qt key, as the key handlers take it;
/// 0 for a key without one.
int windowsKeyCode(int qtKey);

}  // namespace lomandra::app
