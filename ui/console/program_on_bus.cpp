#include "ui/console/program_on_bus.h"

#include <systemd/sd-bus.h>

#include <cstring>
#include <memory>

#include "platform/exceptions.h"
#include "ui/common/automation_names.h"

namespace zs::ui {

namespace {

struct TBusClose {
  void operator()(sd_bus *Bus) const { sd_bus_flush_close_unref(Bus); }
};

} // namespace

void HandUpdateFileToProgram(const std::string &URL) {
  sd_bus *opened = nullptr;
  if (const int failure = sd_bus_open_user(&opened); failure < 0)
    throw platform::Exception(std::string("The session bus cannot be reached. ") +
                              std::strerror(-failure));
  const std::unique_ptr<sd_bus, TBusClose> bus(opened);
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message *reply = nullptr;
  const int result = sd_bus_call_method(bus.get(), AutomationServiceName, UpdateControllerPath,
                                        UpdateControllerInterface, "AddUpdateFile", &error, &reply,
                                        "s", URL.c_str());
  sd_bus_message_unref(reply);
  if (result < 0) {
    const std::string message = error.message ? error.message : std::strerror(-result);
    sd_bus_error_free(&error);
    throw platform::Exception(message);
  }
}

} // namespace zs::ui
