// The options dialog: the settings a person may change, and the proxy of network transfers.
// Nothing is stored until every value has passed its check; a value that fails is pointed
// at where it was typed.
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyleOptionGroupBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/safecall.h"
#include "ui/common/job_form_rules.h"
#include "ui/desktop/call_out.h"
#include "ui/desktop/dialog_parts.h"
#include "ui/desktop/dialogs.h"
#include "ui/desktop/up_down_edit.h"

namespace zs::ui {

using platform::OleCheck;

namespace {

constexpr int helpTopic = 20;
constexpr const char *dialogName = "OptionsDialog";
constexpr const char *maskName = "ProxyMaskPassword";
constexpr uint8_t booleanType = 3;
enum TProxyUse { puPreconfig = 0, puDirect = 1, puServer = 2 };

// A group whose caption is a radio button: the caption is blanks as wide as the button, and
// the button lies over them.
class TRadioCaptionGroup : public QGroupBox {
public:
  explicit TRadioCaptionGroup(QRadioButton *Caption) : caption_(Caption) {
    caption_->setParent(this);
    caption_->adjustSize();
    const int blanks = (caption_->width() - 15) / fontMetrics().horizontalAdvance(' ') + 2;
    setTitle(QString(blanks, ' '));
  }

protected:
  void resizeEvent(QResizeEvent *Event) override {
    QGroupBox::resizeEvent(Event);
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    const QRect label =
        style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this);
    caption_->move(label.left(), label.center().y() - caption_->height() / 2);
    caption_->raise();
  }

private:
  QRadioButton *caption_;
};

class TOptionsDialog : public QDialog {
public:
  explicit TOptionsDialog(QWidget *Parent)
      : QDialog(Parent), pages_(new QTabWidget), connections_(new TUpDownEdit(1, 32768, nullptr)),
        userAgent_(new QLineEdit),
        ignoreSSL_(
            new QCheckBox(tr("Ignore &SSL Inexactnesses (i.e. allow redirects from https)"))),
        ignorePrefix_(new QCheckBox(
            tr("Ignore &domain prefixes (i.e. \"www\" for http, see Help for details)"))),
        defaultIndexName_(new QLineEdit),
        useProxyDirect_(new QRadioButton(tr("&Don't use Proxy Server"))),
        useProxyPreconfig_(new QRadioButton(tr("Ask &Windows for Configuration"))),
        useProxy_(new QRadioButton(tr("&Use this Proxy Server: "))), proxyName_(new QLineEdit),
        proxyPort_(new QLineEdit), proxyUserName_(new QLineEdit), proxyPass_(new QLineEdit),
        proxyMaskPassword_(new QCheckBox(tr("&Mask"))) {
    setObjectName(dialogName);
    setWindowTitle(tr("Options for Zelvor Sumbra"));
    pages_->addTab(internetControlPage(), tr("&Internet Control"));
    pages_->addTab(connectionProxyPage(), tr("Connection &Proxy"));
    LayOutFormDialog(this, pages_, [] { return helpTopic; });
    callOut_ = new TCallOut(this);
    load();
  }

  void accept() override {
    if (!valid()) return;
    if (RunOrShowError(this, [this] { store(); })) QDialog::accept();
  }

private:
  QWidget *internetControlPage() {
    connections_->setObjectName("MaxGetProcessAllowed");
    connections_->Edit()->setObjectName("MGPAEdit");
    userAgent_->setObjectName("UserAgent");
    ignoreSSL_->setObjectName("IgnoreSSLInexactnesses");
    ignorePrefix_->setObjectName("IgnorePrefix");
    defaultIndexName_->setObjectName("DefaultIndexName");
    auto *page = new QWidget;
    auto *layout = new QGridLayout(page);
    layout->addWidget(LabelFor(tr("&Limit connections by"), connections_->Edit()), 0, 0);
    layout->addWidget(connections_, 0, 1);
    layout->addWidget(LabelFor(tr("Identify Internet &client as"), userAgent_), 1, 0);
    layout->addWidget(userAgent_, 1, 1);
    layout->addWidget(ignoreSSL_, 2, 0, 1, 2);
    layout->addWidget(ignorePrefix_, 3, 0, 1, 2);
    layout->addWidget(
        LabelFor(tr("When Index &file name is unknown, assume it as"), defaultIndexName_), 4, 0);
    layout->addWidget(defaultIndexName_, 4, 1);
    layout->setRowStretch(5, 1);
    return page;
  }

  QWidget *connectionProxyPage() {
    useProxyDirect_->setObjectName("UseProxyDirect");
    useProxyPreconfig_->setObjectName("UseProxyPreconfig");
    useProxy_->setObjectName("UseProxy");
    proxyName_->setObjectName("ProxyName");
    proxyPort_->setObjectName("ProxyPort");
    proxyUserName_->setObjectName("ProxyUserName");
    proxyPass_->setObjectName("ProxyPass");
    proxyMaskPassword_->setObjectName("ProxyMaskPassword");
    auto *modes = new QButtonGroup(this);
    for (QRadioButton *mode : {useProxyDirect_, useProxyPreconfig_, useProxy_}) {
      modes->addButton(mode);
      connect(mode, &QRadioButton::toggled, this, [this] { enableServer(); });
    }
    connect(proxyMaskPassword_, &QCheckBox::toggled, this, [this](bool masked) {
      proxyPass_->setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
    });

    auto *server = new TRadioCaptionGroup(useProxy_);
    auto *serverLayout = new QGridLayout(server);
    proxyPort_->setMaximumWidth(proxyPort_->fontMetrics().horizontalAdvance("655360") + 12);
    auto *address = new QHBoxLayout;
    address->addWidget(proxyName_, 1);
    address->addWidget(new QLabel(":"));
    address->addWidget(proxyPort_);
    serverLayout->addWidget(LabelFor(tr("Proxy &Address"), proxyName_), 0, 0);
    serverLayout->addLayout(address, 0, 1);
    serverLayout->addWidget(LabelFor(tr("User &Name"), proxyUserName_), 1, 0);
    serverLayout->addWidget(proxyUserName_, 1, 1);
    serverLayout->addWidget(LabelFor(tr("Pa&ssword"), proxyPass_), 2, 0);
    auto *password = new QHBoxLayout;
    password->addWidget(proxyPass_, 1);
    password->addWidget(proxyMaskPassword_);
    serverLayout->addLayout(password, 2, 1);

    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(useProxyDirect_);
    layout->addWidget(useProxyPreconfig_);
    layout->addWidget(server);
    layout->addStretch();
    return page;
  }

  // The server's controls are open only while the server is chosen; its radio button stays.
  void enableServer() {
    for (QWidget *control : useProxy_->parentWidget()->findChildren<QWidget *>())
      if (control != useProxy_) control->setEnabled(useProxy_->isChecked());
  }

  void load() {
    ComPtr<IProfilerNames> profiler = GetProfiler();
    int32_t connections = 0;
    OleCheck(profiler->get_MaxGetProcessAllowed(&connections));
    connections_->SetPosition(connections);
    std::string text;
    OleCheck(profiler->get_UserAgent(&text));
    userAgent_->setText(QString::fromStdString(text));
    bool flag = false;
    OleCheck(profiler->get_IgnoreSSLInexactnesses(&flag));
    ignoreSSL_->setChecked(flag);
    OleCheck(profiler->get_IgnorePrefix(&flag));
    ignorePrefix_->setChecked(flag);
    OleCheck(profiler->get_DefaultIndexName(&text));
    defaultIndexName_->setText(QString::fromStdString(text));

    proxy_ = ReadProxyData();
    (proxy_.Use < puDirect    ? useProxyPreconfig_
     : proxy_.Use == puDirect ? useProxyDirect_
                              : useProxy_)
        ->setChecked(true);
    const size_t colon = proxy_.Address.find(':');
    proxyName_->setText(QString::fromStdString(proxy_.Address.substr(0, colon)));
    proxyPort_->setText(colon == std::string::npos
                            ? QString()
                            : QString::fromStdString(proxy_.Address.substr(colon + 1)));
    proxyUserName_->setText(QString::fromStdString(proxy_.UserName));
    proxyPass_->setText(QString::fromStdString(proxy_.Password));
    acceptedPassword_ = proxyPass_->text();
    const Variant masked = ReadCustom(dialogName, maskName, booleanType);
    proxyMaskPassword_->setChecked(masked.IsNull() || masked.AsBoolean());
    proxyPass_->setEchoMode(proxyMaskPassword_->isChecked() ? QLineEdit::Password
                                                            : QLineEdit::Normal);
    enableServer();
  }

  bool refuse(QWidget *Control, const QString &Message) {
    callOut_->Point(Control, Message);
    return false;
  }

  bool valid() {
    if (!WholeNumberIn(connections_->Edit()->text().toStdString(), 1, 32768))
      return refuse(connections_->Edit(),
                    tr("Here should be an integer between\r\n1 and 32768 (max)"));
    const std::string indexName = Trimmed(defaultIndexName_->text().toStdString());
    if (indexName.empty())
      return refuse(defaultIndexName_, tr("Type default index file name here, please"));
    if (const std::string fault = FileNameFault(indexName); !fault.empty())
      return refuse(defaultIndexName_, QString::fromStdString(fault));
    if (useProxy_->isChecked()) {
      if (!IsHostName(Trimmed(proxyName_->text().toStdString())))
        return refuse(proxyName_, tr("Type here correct server name, please.\r\n"
                                     "(i.e. proxy.provider.net, localhost or 192.168.0.1)"));
      if (!WholeNumberIn(proxyPort_->text().toStdString(), 0, 65535))
        return refuse(proxyPort_, tr("Here is an integer between 0 and 65536 expected"));
    }
    return passwordConfirmed();
  }

  // A masked password that was changed is typed a second time before it is taken.
  bool passwordConfirmed() {
    const QString password = proxyPass_->text();
    if (proxyMaskPassword_->isChecked() && !password.isEmpty() && password != acceptedPassword_) {
      pages_->setCurrentIndex(pages_->indexOf(useProxy_->parentWidget()->parentWidget()));
      QInputDialog retype(this);
      retype.setWindowTitle(tr("Retype Password"));
      retype.setLabelText(tr("&Retype a password for Proxy Server, please:"));
      retype.setTextEchoMode(QLineEdit::Password);
      if (auto *label = retype.findChild<QLabel *>())
        label->setBuddy(retype.findChild<QLineEdit *>());
      if (retype.exec() != QDialog::Accepted) return false;
      if (retype.textValue() != password)
        return refuse(proxyPass_,
                      tr("This password and it's confirmation differs. Please, type them again."));
    }
    acceptedPassword_ = password;
    return true;
  }

  void store() {
    ComPtr<IProfilerNames> profiler = GetProfiler();
    const auto put = [&](const char *Name, const Variant &Value) {
      OleCheck(profiler->put_Param(Name, Value));
    };
    put("MaxGetProcessAllowed",
        int32_t(*WholeNumberIn(connections_->Edit()->text().toStdString(), 1, 32768)));
    put("UserAgent", userAgent_->text().toStdString());
    put("IgnoreSSLInexactnesses", ignoreSSL_->isChecked());
    put("IgnorePrefix", ignorePrefix_->isChecked());
    put("DefaultIndexName", Trimmed(defaultIndexName_->text().toStdString()));
    WriteCustom(dialogName, maskName, proxyMaskPassword_->isChecked(), booleanType);
    TProxyData proxy = proxy_;
    proxy.Use = useProxy_->isChecked()         ? puServer
                : useProxyDirect_->isChecked() ? puDirect
                                               : puPreconfig;
    if (useProxy_->isChecked())
      proxy.Address = Trimmed(proxyName_->text().toStdString()) + ":" +
                      Trimmed(proxyPort_->text().toStdString());
    proxy.UserName = proxyUserName_->text().toStdString();
    proxy.Password = proxyPass_->text().toStdString();
    WriteProxyData(proxy);
  }

  QTabWidget *pages_;
  TUpDownEdit *connections_;
  QLineEdit *userAgent_;
  QCheckBox *ignoreSSL_;
  QCheckBox *ignorePrefix_;
  QLineEdit *defaultIndexName_;
  QRadioButton *useProxyDirect_;
  QRadioButton *useProxyPreconfig_;
  QRadioButton *useProxy_;
  QLineEdit *proxyName_;
  QLineEdit *proxyPort_;
  QLineEdit *proxyUserName_;
  QLineEdit *proxyPass_;
  QCheckBox *proxyMaskPassword_;
  TCallOut *callOut_ = nullptr;
  TProxyData proxy_;         // as loaded
  QString acceptedPassword_; // the password last accepted
};

} // namespace

void ExecuteOptionsDialog(QWidget *Parent) {
  TOptionsDialog dialog(Parent);
  dialog.exec();
}

} // namespace zs::ui
