#pragma once
// The pictures of the front panel live in the program's resources under
// ":/panel/". They are compiled into a static library, so the first user must
// register them explicitly.

namespace PanelPictures {
void registerResources();
}
