#include "ui/desktop/bus_update_controller.h"

#include "platform/class_table.h"
#include "platform/safecall.h"
#include "ui/desktop/bus_reply.h"

namespace zs::ui {

using platform::OleCheck;

TBusUpdateController::TBusUpdateController(QObject *Parent)
    : QObject(Parent),
      controller_(platform::CreateComObject<IUpdateController>(CLSID_UpdateController)) {}

int TBusUpdateController::GetVersion() {
  return AnswerCall(*this, [&] {
    int32_t version = 0;
    OleCheck(controller_->GetVersion(&version));
    return int(version);
  });
}

int TBusUpdateController::GetModuleVersion(const QString &ModuleName) {
  return AnswerCall(*this, [&] {
    int32_t version = 0;
    OleCheck(controller_->GetModuleVersion(ModuleName.toStdString(), &version));
    return int(version);
  });
}

void TBusUpdateController::AddUpdateFile(const QString &URL) {
  AnswerCall(*this, [&] {
    // The update job would refuse it later, where no caller hears of it.
    const TURL url = URL.toStdString();
    ComPtr<IURLParser> parser = CreateURLParser("", CreateUpdJobRequest(url).get());
    bool accepted = false;
    if (platform::Failed(parser->SetURL(url, &accepted)) || !accepted)
      throw platform::Exception("This is an incorrect URL for an update file: \"" + url + "\"");
    OleCheck(controller_->AddUpdateFile(url));
  });
}

} // namespace zs::ui
