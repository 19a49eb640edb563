// The kernel's own start-up handler: initialises the plug-in module configured for "http".
#pragma once

namespace zs::kernel {

// When the settings name an internet module for "http" and that module offers a module
// initialisation interface, calls its Initialize and raises when it fails. Always leaves
// Done true.
void InitHttpModule(bool &Done);

} // namespace zs::kernel
