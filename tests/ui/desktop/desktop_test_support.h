// What the desktop tests share: the real window over the real kernel, sites of local
// files and a server that never answers, and the answering of modal boxes from a timer.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/main_loop.h"
#include "platform/safecall.h"
#include "tests/support/local_ports.h"
#include "tests/support/test_environment.h"
#include "ui/desktop/job_list_view.h"
#include "ui/desktop/main_window.h"
#include "ui/desktop/qt_main_loop.h"

namespace zs::testing {

using platform::OleCheck;
using ui::TMainWindow;

// Handles the events of the window and the kernel until the condition holds; false when a
// generous bound passed first.
inline bool PumpUntil(const std::function<bool()> &Condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  bool met = false;
  ui::WaitWhilePumpingQt(
      [&] { return (met = Condition()) || std::chrono::steady_clock::now() > deadline; });
  return met;
}

// Handles what the window and the kernel have pending now, once.
inline void Pump() {
  QCoreApplication::processEvents();
  platform::ProcessPendingMessages();
}

// Answers the modal boxes that open while it lives: a message box is answered with its Reply
// button (closed with Reply as its result when it has none) and its text kept; any other
// dialog goes to Handler.
class TModalAnswers {
public:
  explicit TModalAnswers(std::function<void(QWidget *)> Handler = nullptr)
      : handler_(std::move(Handler)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
    timer_.start(10);
  }
  const std::vector<std::string> &Texts() const { return texts_; }
  int Answered() const { return answered_; }
  QMessageBox::StandardButton Reply = QMessageBox::Ok;

private:
  void answer() {
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal) return;
    ++answered_;
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
      texts_.push_back(box->text().toStdString());
      if (QAbstractButton *button = box->button(Reply))
        button->click();
      else
        box->done(Reply);
    } else if (handler_) {
      handler_(modal);
    } else {
      modal->close();
    }
  }
  std::function<void(QWidget *)> handler_;
  std::vector<std::string> texts_;
  int answered_ = 0;
  QTimer timer_;
};

// The window as the program shows it, over the kernel's job list; every job goes at the end.
class DesktopTest : public ::testing::Test {
protected:
  void SetUp() override { openWindow(); }

  void TearDown() override {
    TModalAnswers answers;
    OleCheck(GetJobQueue()->Clear());
    Pump();
    window.reset();
    std::filesystem::remove(userJobList());
  }

  void openWindow() {
    window = std::make_unique<TMainWindow>();
    window->show();
  }

  static std::string userJobList() {
    std::string name;
    OleCheck(GetProfiler()->get_UserJobList(&name));
    return name;
  }

  // A site of local files: a page linking a picture and a second page, and, when asked, a
  // page that is not there. Its start page's URL.
  std::string localSite(const std::string &name, bool brokenLink = false) {
    const std::string dir = temp.File(name + "-site/");
    std::filesystem::create_directories(dir);
    WriteFile(dir + "index.html", std::string("<html><img src=\"a.png\"><a href=\"b.html\">b</a>") +
                                      (brokenLink ? "<a href=\"gone.html\">gone</a>" : "") +
                                      "</html>");
    WriteFile(dir + "a.png", "picture");
    WriteFile(dir + "b.html", "<html>page b</html>");
    return "file://" + dir + "index.html";
  }

  // A site whose server takes the connection and never answers: its job runs until stopped.
  std::string silentSite() {
    return "http://127.0.0.1:" + std::to_string(silent.Port()) + "/index.html";
  }

  // A job added to the list as the window adds one, copying into a folder of its own.
  ComPtr<IGetSiteJob> addJob(const std::string &title, const std::string &pageURL) {
    ComPtr<IJobRequest> request = CreateJobRequest();
    TJobRequestDef def;
    OleCheck(GetProfiler()->GetDefaultJobRequest(&def));
    def.Title = title;
    def.PageURL = pageURL;
    def.SiteURL.clear();
    def.ProjectDir = temp.File(title + "-copy");
    OleCheck(request->Change(def));
    ComPtr<IGetSiteJob> job;
    OleCheck(GetJobQueue()->AddJob(request.get(), job.put()));
    return job;
  }

  static TJobState stateOf(IGetSiteJob *job) {
    TJobState state = jsStopped;
    OleCheck(job->get_State(&state));
    return state;
  }
  static bool finished(IGetSiteJob *job) { return stateOf(job) == jsFinished; }

  ui::TJobListView *list() const { return window->JobListView(); }
  QTreeWidgetItem *row(int index) const { return list()->topLevelItem(index); }
  std::vector<std::string> titles() const {
    std::vector<std::string> texts;
    for (QTreeWidgetItem *item : list()->Items())
      texts.push_back(item->text(0).toStdString());
    return texts;
  }
  // Selects the rows as a user does, one click and Ctrl-clicks.
  void select(const std::vector<int> &rows) {
    list()->clearSelection();
    for (int index : rows)
      row(index)->setSelected(true);
    window->UpdateActions();
  }
  void trigger(const std::string &action) { window->Action(action)->trigger(); }
  bool enabled(const std::string &action) { return window->Action(action)->isEnabled(); }

  TempDir temp;
  LocalSocket silent{true};
  std::unique_ptr<TMainWindow> window;
};

} // namespace zs::testing
