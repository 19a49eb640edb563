#include "kernel/thread_reporters.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "kernel/interfaces.h"
#include "platform/safecall.h"

namespace zs::testing {
namespace {

using platform::EOleSysError;

TEST(ExceptionToText, GivesSourceAndText) {
  struct {
    void (*raise)();
    std::string source, text;
  } const cases[] = {
      {[] { throw EOleSysError("Odd", 0xA1); }, "Workflow", "Odd (OLE ID: 0x000000A1)"},
      {[] { platform::OleCheck(platform::E_UNEXPECTED); }, "Workflow", "Unidentified error"},
      {[] { platform::OleCheck(platform::SafeCall([] { throw EKBadPath("Gone"); })); }, "Workflow",
       "Gone"},
      {[] { throw EKBadPath("Bad path"); }, "EKBadPath", "Bad path"},
      {[] { throw ETerminateThread("TGetFileHelper"); }, "ETerminateThread",
       "Terminate TGetFileHelper"},
      {[] { throw std::runtime_error("Std"); }, "Exception", "Std"},
      {[] { throw 42; }, "int", ""}};
  for (const auto &c : cases) {
    std::string source = "stale", text = "stale";
    try {
      platform::TakeErrorInfo(); // no message of an earlier failure may stand in
      c.raise();
    } catch (...) {
      kernel::ExceptionToText(std::current_exception(), source, text);
    }
    EXPECT_EQ(source, c.source) << c.text;
    EXPECT_EQ(text, c.text) << c.source;
  }
}

// Installs reporters in the thread that creates it, for its life.
struct Reporter {
  Reporter() {
    kernel::InstallThreadReporters([this](const std::string &text) { warnings += text + ";"; },
                                   [this](const std::string &source, const std::string &text) {
                                     errors += source + ":" + text + ";";
                                   });
  }
  ~Reporter() { kernel::UninstallThreadReporters(); }
  std::string warnings, errors;
};

void reportFailure(const std::string &message) {
  try {
    throw EKBadPath(message);
  } catch (...) {
    kernel::ReportCurrentException();
  }
}

TEST(ThreadReporters, ReportsReachOnlyTheReporterOfTheirThread) {
  Reporter mainReporter;
  std::string workerErrors;
  std::thread([&] {
    reportFailure("unheard");
    kernel::ReportWarning("unheard");
    Reporter workerReporter;
    reportFailure("worker");
    workerErrors = workerReporter.errors;
  }).join();
  reportFailure("main");
  kernel::ReportWarning("slow");
  kernel::ReportCurrentException(); // outside a handler: nothing to report
  EXPECT_EQ(workerErrors, "EKBadPath:worker;");
  EXPECT_EQ(mainReporter.errors, "EKBadPath:main;");
  EXPECT_EQ(mainReporter.warnings, "slow;");
}

TEST(ThreadReporters, ReportingNeverRaises) {
  kernel::InstallThreadReporters(nullptr, [](const std::string &, const std::string &) {
    throw std::runtime_error("the reporter fails");
  });
  EXPECT_NO_THROW(reportFailure("a failure"));
  kernel::UninstallThreadReporters();
  EXPECT_NO_THROW(reportFailure("nobody listens"));
}

} // namespace
} // namespace zs::testing
