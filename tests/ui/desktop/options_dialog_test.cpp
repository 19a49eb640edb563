// The options dialog as a person fills it in: every value checked at its control before
// anything is stored.
#include <QAbstractButton>
#include <QInputDialog>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <map>

#include "tests/ui/desktop/desktop_test_support.h"
#include "ui/desktop/call_out.h"
#include "ui/desktop/indicator_panel.h"

namespace zs::testing {
namespace {

class OptionsDialogTest : public DesktopTest {
protected:
  static constexpr const char *changed[] = {"MaxGetProcessAllowed", "DefaultIndexName"};

  void SetUp() override {
    DesktopTest::SetUp();
    for (const char *name : changed)
      OleCheck(GetProfiler()->get_Param(name, &settings[name]));
    proxy = ReadProxyData();
  }
  void TearDown() override {
    for (const auto &[name, value] : settings)
      OleCheck(GetProfiler()->put_Param(name, value));
    WriteProxyData(proxy);
    DesktopTest::TearDown();
  }

  // Runs Steps on the options dialog, then OK; true when the dialog took the values.
  bool onOptions(const std::function<void()> &Steps) {
    bool ran = false, confirmed = false;
    TModalAnswers answers([&](QWidget *modal) {
      if (std::exchange(ran, true)) {
        modal->close();
        return;
      }
      dialog = modal;
      Steps();
      if (dialog->isVisible()) refusal();
      confirmed = !dialog->isVisible();
      if (!confirmed) dialog->close();
    });
    trigger("ToolsOptions");
    EXPECT_TRUE(ran);
    return confirmed;
  }
  void type(const char *name, const QString &text) {
    auto *edit = dialog->findChild<QLineEdit *>(name);
    edit->clear();
    QTest::keyClicks(edit, text);
  }
  void click(const char *name) { dialog->findChild<QAbstractButton *>(name)->click(); }
  // What OK says, and where (a control's name, or "box"): nothing when the dialog closed. A
  // retype asked for is answered with Retyped.
  std::pair<std::string, std::string> refusal() {
    TModalAnswers retype([this](QWidget *modal) {
      auto *input = qobject_cast<QInputDialog *>(modal);
      if (!input) return;
      retypes.push_back(input->labelText().toStdString());
      input->setTextValue(Retyped);
      input->accept();
    });
    QMetaObject::invokeMethod(dialog, "accept");
    if (!dialog->isVisible()) return {};
    auto *callOut = dialog->findChild<ui::TCallOut *>("CallOut");
    if (!callOut->isVisible()) return {"box", retype.Texts().empty() ? "" : retype.Texts().back()};
    return {callOut->Target()->objectName().toStdString(), callOut->Text().toStdString()};
  }
  int page() const { return dialog->findChild<QTabWidget *>()->currentIndex(); }

  std::map<std::string, Variant> settings;
  TProxyData proxy;
  QWidget *dialog = nullptr;
  QString Retyped;
  std::vector<std::string> retypes;
};

using Refusal = std::pair<std::string, std::string>;

TEST_F(OptionsDialogTest, ConnectionsAndPortsOutOfRangeAreRefusedAtTheirControls) {
  EXPECT_TRUE(onOptions([&] {
    EXPECT_EQ(dialog->windowTitle(), "Options for Zelvor Sumbra");
    const Refusal connectionsRefused{"MGPAEdit",
                                     "Here should be an integer between\n1 and 32768 (max)"};
    for (const char *text : {"0", "32769", "many"}) {
      type("MGPAEdit", text);
      EXPECT_EQ(refusal(), connectionsRefused) << text;
    }
    type("MGPAEdit", "7");
    type("DefaultIndexName", " ");
    EXPECT_EQ(refusal(),
              (Refusal{"DefaultIndexName", "Type default index file name here, please"}));
    type("DefaultIndexName", "start.html");
    click("UseProxy");
    type("ProxyName", "proxy.example");
    type("ProxyPort", "65536");
    dialog->findChild<QTabWidget *>()->setCurrentIndex(0);
    EXPECT_EQ(refusal(), (Refusal{"ProxyPort", "Here is an integer between 0 and 65536 expected"}));
    EXPECT_EQ(page(), 1);
    type("ProxyPort", "65535");
    EXPECT_EQ(refusal(), Refusal{});
  }));
  int32_t stored = 0;
  OleCheck(GetProfiler()->get_MaxGetProcessAllowed(&stored));
  EXPECT_EQ(stored, 7);
  EXPECT_EQ(window->IndicatorPanel()->Count(), 7);
  std::string indexName;
  OleCheck(GetProfiler()->get_DefaultIndexName(&indexName));
  EXPECT_EQ(indexName, "start.html");
  EXPECT_EQ(ReadProxyData().Use, 2);
  EXPECT_EQ(ReadProxyData().Address, "proxy.example:65535");

  EXPECT_TRUE(onOptions([&] {
    EXPECT_EQ(dialog->findChild<QLineEdit *>("ProxyPort")->text(), "65535");
    type("MGPAEdit", "32768");
    click("UseProxyDirect");
    EXPECT_FALSE(dialog->findChild<QLineEdit *>("ProxyName")->isEnabled());
  }));
  EXPECT_EQ(ReadProxyData().Use, 1);
}

TEST_F(OptionsDialogTest, AProxyNameIsLettersDigitsHyphensAndDotsOrFourNumbers) {
  onOptions([&] {
    click("UseProxy");
    type("ProxyPort", "port");
    for (const char *name : {"300.300.300.300", "local-host", "localhost", "proxy.example.net"}) {
      type("ProxyName", name);
      EXPECT_EQ(refusal().first, "ProxyPort") << name;
    }
    for (const char *name :
         {"1.2.3", "proxy.example.", "proxy..example", "proxy_1", "", "1.2.3.4.5"}) {
      type("ProxyName", name);
      const Refusal refused = refusal();
      EXPECT_EQ(refused.first, "ProxyName") << name;
      EXPECT_TRUE(refused.second.starts_with("Type here correct server name, please.\n")) << name;
    }
  });
}

TEST_F(OptionsDialogTest, AChangedMaskedPasswordIsTypedTwiceAndAnUnmaskedOneOnce) {
  EXPECT_TRUE(onOptions([&] {
    click("UseProxy");
    type("ProxyName", "proxy.example");
    type("ProxyPort", "3128");
    type("ProxyPass", "secret");
    Retyped = "secrte";
    EXPECT_EQ(refusal(), (Refusal{"ProxyPass",
                                  "This password and it's confirmation differs. Please, type them "
                                  "again."}));
    Retyped = "secret";
    EXPECT_EQ(refusal(), Refusal{});
  }));
  EXPECT_EQ(retypes, (std::vector<std::string>(2, "&Retype a password for Proxy Server, please:")));
  EXPECT_EQ(ReadProxyData().Password, "secret");

  retypes.clear();
  EXPECT_TRUE(onOptions([&] {
    EXPECT_EQ(dialog->findChild<QLineEdit *>("ProxyPass")->echoMode(), QLineEdit::Password);
    click("ProxyMaskPassword");
    type("ProxyPass", "open");
  }));
  EXPECT_TRUE(retypes.empty());
  EXPECT_EQ(ReadProxyData().Password, "open");
  EXPECT_TRUE(onOptions([&] {
    EXPECT_EQ(dialog->findChild<QLineEdit *>("ProxyPass")->echoMode(), QLineEdit::Normal);
    click("ProxyMaskPassword");
  }));
}

} // namespace
} // namespace zs::testing
