#include "kernel/thread_reporters.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "kernel/interfaces.h"
#include "platform/safecall.h"

namespace zs::testing {
namespace {

using platform::EOleSysError;

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
