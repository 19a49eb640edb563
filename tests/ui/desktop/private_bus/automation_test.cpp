// The program driven over the session bus as other programs drive it: started by the bus,
// called through its objects, and ended through them.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThread>
#include <filesystem>
#include <functional>

#include "platform/child_process.h"
#include "tests/support/test_environment.h"

namespace zs::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char *service = "org.zelvor.Sumbra";

class AutomationTest : public ::testing::Test {
protected:
  void SetUp() override {
    qDBusRegisterMetaType<QList<QVariantMap>>();
    qRegisterMetaType<QDBusVariant>();
  }
  // The program ends as a script ends it; the test waits until it has let go of the bus.
  void TearDown() override {
    if (!running()) return;
    object("/Program", "Program").call("Quit");
    EXPECT_TRUE(waitUntil([&] { return !running(); }));
  }

  static QDBusConnection bus() { return QDBusConnection::sessionBus(); }
  static bool running() { return bus().interface()->isServiceRegistered(service); }
  static uint programId() { return bus().interface()->servicePid(service); }
  static QDBusInterface object(const QString &path, const QString &interface) {
    return QDBusInterface(service, path, QString(service) + "." + interface, bus());
  }
  // Handles the bus's messages until the condition holds; false after a generous bound.
  static bool waitUntil(const std::function<bool()> &condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
      if (clock.elapsed() > 30000) return false;
      QCoreApplication::processEvents();
      QThread::msleep(20);
    }
    return true;
  }
  template <class T> static T value(const QDBusMessage &reply) {
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    return reply.arguments().isEmpty() ? T() : qdbus_cast<T>(reply.arguments().front());
  }
  static void done(const QDBusMessage &reply) {
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
  }
  static std::string errorOf(const QDBusMessage &reply) {
    EXPECT_EQ(reply.errorName(), "org.zelvor.Sumbra.Error");
    return reply.errorMessage().toStdString();
  }
  static QVariantMap jobAt(const QString &projectDir) {
    for (const QVariantMap &job :
         value<QList<QVariantMap>>(object("/JobQueue", "JobQueue").call("ListJobs")))
      if (job["ProjectDir"].toString() == projectDir) return job;
    return {};
  }

  TempDir temp;
};

TEST_F(AutomationTest, AJobIsAddedRunAndListedAndARefusedOneSaysWhy) {
  const std::string site = temp.File("site/");
  fs::create_directories(site);
  WriteFile(site + "index.html", "<html><img src=\"a.png\"><a href=\"b.html\">b</a></html>");
  WriteFile(site + "a.png", "picture");
  WriteFile(site + "b.html", "<html>b</html>");
  const QString copy = QString::fromStdString(temp.File("copy"));
  QDBusInterface jobs = object("/JobQueue", "JobQueue");
  // The first call starts the program.
  const QString added = value<QString>(jobs.call(
      "AddJob", QVariantMap{{"PageURL", QString::fromStdString("file://" + site + "index.html")},
                            {"ProjectDir", copy},
                            {"CopyType", "exact"}}));
  EXPECT_EQ(added, copy);
  EXPECT_TRUE(running());

  EXPECT_EQ(errorOf(jobs.call(
                "AddJob", QVariantMap{{"PageURL", "http://example.org/"}, {"ProjectDir", copy}})),
            "The directory is refused: This path is used by another job. (We can't share "
            "folders such way)");
  EXPECT_EQ(errorOf(jobs.call("AddJob", QVariantMap{{"Colour", "red"}})),
            "A job has no field \"Colour\"");
  EXPECT_EQ(errorOf(jobs.call("Run", QString::fromStdString(temp.File("elsewhere")))),
            "No job copies into \"" + temp.File("elsewhere") + "\"");

  done(jobs.call("Run", copy));
  ASSERT_TRUE(waitUntil([&] { return jobAt(copy)["State"] == "finished"; }));
  EXPECT_EQ(jobAt(copy)["Title"], QString::fromStdString("file://" + site));
  EXPECT_EQ(ReadFile(copy.toStdString() + "/a.png"), "picture");
  done(jobs.call("Remove", copy));
  EXPECT_TRUE(jobAt(copy).isEmpty());
}

TEST_F(AutomationTest, SettingsAreReadAndWrittenByNameAndEveryChangeIsAnnounced) {
  QDBusInterface settings = object("/Settings", "Settings");
  EXPECT_EQ(value<QDBusVariant>(settings.call("GetParam", "MaxGetProcessAllowed")).variant(), 10);
  EXPECT_EQ(errorOf(settings.call("GetParam", "NoSuchSetting")),
            "No such parameter: \"NoSuchSetting\"");
  EXPECT_EQ(errorOf(settings.call("SetParam", "MaxGetProcessAllowed",
                                  QVariant::fromValue(QDBusVariant("many")))),
            "The setting \"MaxGetProcessAllowed\" takes a value of type Integer");

  // Heard from the program that runs now, which the calls above started.
  QDBusInterface listened = object("/Settings", "Settings");
  QSignalSpy changes(&listened, SIGNAL(ParamChanged(QString, QDBusVariant)));
  done(settings.call("SetParam", "MaxGetProcessAllowed", QVariant::fromValue(QDBusVariant(3))));
  ASSERT_TRUE(waitUntil([&] { return !changes.isEmpty(); }));
  EXPECT_EQ(changes[0][0].toString(), "MaxGetProcessAllowed");
  EXPECT_EQ(qvariant_cast<QDBusVariant>(changes[0][1]).variant(), 3);
  EXPECT_EQ(value<QDBusVariant>(settings.call("GetParam", "MaxGetProcessAllowed")).variant(), 3);
}

TEST_F(AutomationTest, UpdateFilesReachTheProgramFromTheConsoleAndASecondStartServesNothing) {
  QDBusInterface update = object("/UpdateController", "UpdateController");
  EXPECT_EQ(value<int>(update.call("GetVersion")), 65536);
  EXPECT_EQ(value<int>(update.call("GetModuleVersion", "no such module.so")), 0);
  EXPECT_EQ(errorOf(update.call("AddUpdateFile", "::no url")),
            "This is an incorrect URL for an update file: \"::no url\"");
  const uint first = programId();

  // The console hands the file over as an outside program does.
  platform::ChildProcess console = platform::ChildProcess::Spawn(
      ZS_PROGRAM_DIR "/zsumbra", {"update-file", "http://www.zelvor.com/update.sh"});
  ASSERT_TRUE(console.WaitForExit(std::chrono::seconds(30)));
  EXPECT_EQ(console.ExitStatus(), 0);
  const QString folder =
      QString::fromStdString(fs::temp_directory_path() / "Zelvor unfinished AutoUpdate");
  ASSERT_TRUE(waitUntil([&] { return !jobAt(folder).isEmpty(); }));
  EXPECT_EQ(jobAt(folder)["Title"], "Zelvor automatic update");
  EXPECT_EQ(jobAt(folder)["PageURL"], "http://www.zelvor.com/update.sh");
  done(object("/JobQueue", "JobQueue").call("Pause", folder));

  platform::ChildProcess second =
      platform::ChildProcess::Spawn(ZS_PROGRAM_DIR "/ZelvorSumbra", {"--automation"});
  ASSERT_TRUE(second.WaitForExit(std::chrono::seconds(30)));
  EXPECT_EQ(second.ExitStatus(), 0);
  EXPECT_EQ(programId(), first);
}

} // namespace
} // namespace zs::testing
