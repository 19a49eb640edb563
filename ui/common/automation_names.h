// The names under which the program serves other programs on the session bus, and under
// which its own console reaches it.
#pragma once

namespace zs::ui {

inline constexpr const char *AutomationServiceName = "org.zelvor.Sumbra";
inline constexpr const char *UpdateControllerPath = "/UpdateController";
inline constexpr const char *UpdateControllerInterface = "org.zelvor.Sumbra.UpdateController";
// The name of every error the service replies with; its message is the system's own text.
inline constexpr const char *AutomationErrorName = "org.zelvor.Sumbra.Error";

} // namespace zs::ui
