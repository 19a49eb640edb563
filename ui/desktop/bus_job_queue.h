// The job list on the session bus: "/JobQueue", interface "org.zelvor.Sumbra.JobQueue". A job
// is named by its project folder, which no two jobs share.
#pragma once

#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QVariantMap>

#include "kernel/interfaces.h"

namespace zs::ui {

class TBusJobQueue : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.zelvor.Sumbra.JobQueue")
public:
  explicit TBusJobQueue(QObject *Parent);

public Q_SLOTS:
  // Adds a job: the fields given ("Title", "CopyType" "exact" or "browsable", "DownLevel",
  // "IndexName", "PageURL", "SiteURL", "AllowLinksAway", "ProjectDir") over the settings'
  // default request. Its project folder; a definition that does not pass the validation is
  // refused with its message.
  QString AddJob(const QVariantMap &Definition);
  // Every job: its fields as AddJob takes them, and "State" ("stopped", "running",
  // "finished").
  QList<QVariantMap> ListJobs();
  void Run(const QString &ProjectDir);
  void Pause(const QString &ProjectDir);
  // Whether links were reset to be fetched again.
  bool Retry(const QString &ProjectDir);
  bool Refresh(const QString &ProjectDir);
  void Remove(const QString &ProjectDir);
  // The job list written to File, or the jobs of File added to it.
  void SaveTo(const QString &File);
  void LoadAndMerge(const QString &File);
};

// Registers the types the service's calls and signals carry; once, before its objects are
// exported.
void RegisterBusTypes();

} // namespace zs::ui
