#include "ui/desktop/bus_settings.h"

#include <QPointer>

#include "platform/main_loop.h"
#include "platform/safecall.h"
#include "ui/desktop/bus_reply.h"

namespace zs::ui {

using platform::Exception;
using platform::OleCheck;

namespace {

QDBusVariant busValueOf(const Variant &Value) {
  switch (Value.GetKind()) {
  case Variant::Kind::Integer: return QDBusVariant(int(Value.AsInteger()));
  case Variant::Kind::Boolean: return QDBusVariant(Value.AsBoolean());
  default: return QDBusVariant(QString::fromStdString(Value.AsString()));
  }
}

// The value of a setting; only a name that names no setting reads as nothing.
Variant settingOf(const std::string &Name) {
  Variant value;
  OleCheck(GetProfiler()->get_Param(Name, &value));
  if (value.IsNull()) throw Exception("No such parameter: \"" + Name + "\"");
  return value;
}

// The listener of the settings: each change reaches the bus from the main thread.
class TSettingsListener final : public platform::TComObject<IProfilerEvents> {
public:
  explicit TSettingsListener(TBusSettings *Settings) : settings_(Settings) {}
  HRESULT ParamChanged(const std::string &Param, const Variant &NewValue) override {
    QPointer<TBusSettings> settings = settings_;
    const QString name = QString::fromStdString(Param);
    const QDBusVariant value = busValueOf(NewValue);
    platform::PostTask([settings, name, value] {
      if (settings) Q_EMIT settings->ParamChanged(name, value);
    });
    return platform::S_OK;
  }

private:
  QPointer<TBusSettings> settings_;
};

} // namespace

TBusSettings::TBusSettings(QObject *Parent) : QObject(Parent) {
  OleCheck(GetProfiler()->Advise(platform::MakeCom<TSettingsListener>(this).get(), &advice_));
}

TBusSettings::~TBusSettings() { GetProfiler()->Unadvice(advice_); }

QDBusVariant TBusSettings::GetParam(const QString &Name) {
  return AnswerCall(*this, [&] { return busValueOf(settingOf(Name.toStdString())); });
}

void TBusSettings::SetParam(const QString &Name, const QDBusVariant &Value) {
  AnswerCall(*this, [&] {
    const std::string name = Name.toStdString();
    const Variant current = settingOf(name);
    const QVariant given = Value.variant();
    const auto refuse = [&] {
      throw Exception("The setting \"" + name + "\" takes a value of type " +
                      platform::KindName(current.GetKind()));
    };
    Variant value;
    switch (current.GetKind()) {
    case Variant::Kind::Integer:
      if (given.metaType() != QMetaType::fromType<int>()) refuse();
      value = Variant(int32_t(given.toInt()));
      break;
    case Variant::Kind::Boolean:
      if (given.metaType() != QMetaType::fromType<bool>()) refuse();
      value = Variant(given.toBool());
      break;
    default:
      if (given.metaType() != QMetaType::fromType<QString>()) refuse();
      value = Variant(given.toString().toStdString());
    }
    OleCheck(GetProfiler()->put_Param(name, value));
  });
}

} // namespace zs::ui
