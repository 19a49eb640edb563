#include "ui/desktop/bus_job_queue.h"

#include <QDBusMetaType>
#include <QDBusVariant>
#include <filesystem>

#include "platform/safecall.h"
#include "ui/common/new_job.h"
#include "ui/desktop/bus_reply.h"
#include "ui/desktop/main_window.h"

namespace zs::ui {

using platform::Exception;
using platform::OleCheck;

namespace {

const char *stateName(TJobState State) {
  switch (State) {
  case jsRunning: return "running";
  case jsFinished: return "finished";
  default: return "stopped";
  }
}

template <class Value> Value fieldOf(const QString &Name, const QVariant &Given) {
  if (!Given.canConvert<Value>() || Given.metaType() != QMetaType::fromType<Value>())
    throw Exception("The field \"" + Name.toStdString() + "\" has a value of another type");
  return Given.value<Value>();
}

// The definition the fields make of the settings' default request.
TJobRequestDef definitionOf(const QVariantMap &Fields) {
  TJobRequestDef def;
  OleCheck(GetProfiler()->GetDefaultJobRequest(&def));
  for (auto field = Fields.begin(); field != Fields.end(); ++field) {
    const QString &name = field.key();
    const QVariant &value = field.value();
    const auto text = [&] { return fieldOf<QString>(name, value).toStdString(); };
    if (name == "Title") {
      def.Title = text();
    } else if (name == "CopyType") {
      const std::string type = text();
      if (type != "exact" && type != "browsable")
        throw Exception("The copy type is \"exact\" or \"browsable\", not \"" + type + "\"");
      def.CopyType = type == "exact" ? ctExact : ctBrowsable;
    } else if (name == "DownLevel") {
      def.DownLevel = fieldOf<int>(name, value);
    } else if (name == "IndexName") {
      def.IndexName = text();
    } else if (name == "PageURL") {
      def.PageURL = text();
    } else if (name == "SiteURL") {
      def.SiteURL = text();
    } else if (name == "AllowLinksAway") {
      def.AllowLinksAway = fieldOf<bool>(name, value);
    } else if (name == "ProjectDir") {
      def.ProjectDir = text();
    } else {
      throw Exception("A job has no field \"" + name.toStdString() + "\"");
    }
  }
  return def;
}

QVariantMap fieldsOf(const TJobRequestDef &Def) {
  return {{"Title", QString::fromStdString(Def.Title)},
          {"CopyType", Def.CopyType == ctExact ? "exact" : "browsable"},
          {"DownLevel", int(Def.DownLevel)},
          {"IndexName", QString::fromStdString(Def.IndexName)},
          {"PageURL", QString::fromStdString(Def.PageURL)},
          {"SiteURL", QString::fromStdString(Def.SiteURL)},
          {"AllowLinksAway", Def.AllowLinksAway},
          {"ProjectDir", QString::fromStdString(Def.ProjectDir)}};
}

TJobRequestDef definitionOf(IGetSiteJob *Job) {
  ComPtr<IJobRequest> request;
  OleCheck(Job->get_JobRequest(request.put()));
  TJobRequestDef def;
  OleCheck(request->AsRecDef(&def));
  return def;
}

bool sameFolder(const std::string &A, const std::string &B) {
  namespace fs = std::filesystem;
  return fs::path(A).lexically_normal() / "" == fs::path(B).lexically_normal() / "";
}

ComPtr<IGetSiteJob> jobOf(const QString &ProjectDir) {
  for (const ComPtr<IGetSiteJob> &job : QueueJobs())
    if (sameFolder(definitionOf(job.get()).ProjectDir, ProjectDir.toStdString())) return job;
  throw Exception("No job copies into \"" + ProjectDir.toStdString() + "\"");
}

} // namespace

void RegisterBusTypes() {
  qDBusRegisterMetaType<QList<QVariantMap>>();
  qRegisterMetaType<QDBusVariant>();
}

TBusJobQueue::TBusJobQueue(QObject *Parent) : QObject(Parent) {}

QString TBusJobQueue::AddJob(const QVariantMap &Definition) {
  return AnswerCall(*this, [&] {
    ComPtr<IGetSiteJob> job = AddNewJob(definitionOf(Definition));
    return QString::fromStdString(definitionOf(job.get()).ProjectDir);
  });
}

QList<QVariantMap> TBusJobQueue::ListJobs() {
  return AnswerCall(*this, [&] {
    QList<QVariantMap> list;
    for (const ComPtr<IGetSiteJob> &job : QueueJobs()) {
      QVariantMap fields = fieldsOf(definitionOf(job.get()));
      TJobState state = jsStopped;
      OleCheck(job->get_State(&state));
      fields["State"] = stateName(state);
      list.push_back(fields);
    }
    return list;
  });
}

void TBusJobQueue::Run(const QString &ProjectDir) {
  AnswerCall(*this, [&] {
    ComPtr<IGetSiteJob> job = jobOf(ProjectDir);
    if (TMainWindow *window = TMainWindow::Instance())
      window->RunJob(job.get());
    else
      OleCheck(job->Run());
  });
}

void TBusJobQueue::Pause(const QString &ProjectDir) {
  AnswerCall(*this, [&] { OleCheck(jobOf(ProjectDir)->Pause()); });
}

bool TBusJobQueue::Retry(const QString &ProjectDir) {
  return AnswerCall(*this, [&] {
    bool reset = false;
    OleCheck(jobOf(ProjectDir)->Retry(&reset));
    return reset;
  });
}

bool TBusJobQueue::Refresh(const QString &ProjectDir) {
  return AnswerCall(*this, [&] {
    auto refreshable = jobOf(ProjectDir).As<IRefreshableJob>();
    if (!refreshable) throw platform::Exception("This job cannot be refreshed");
    bool waiting = false;
    OleCheck(refreshable->Refresh(&waiting));
    return waiting;
  });
}

void TBusJobQueue::Remove(const QString &ProjectDir) {
  AnswerCall(*this, [&] { OleCheck(jobOf(ProjectDir)->Remove()); });
}

void TBusJobQueue::SaveTo(const QString &File) {
  AnswerCall(*this, [&] { OleCheck(GetJobQueue()->SaveTo(File.toStdString())); });
}

void TBusJobQueue::LoadAndMerge(const QString &File) {
  AnswerCall(*this, [&] { OleCheck(GetJobQueue()->LoadAndMerge(File.toStdString())); });
}

} // namespace zs::ui
