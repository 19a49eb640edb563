#include "ui/desktop/single_instance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/folders.h"
#include "platform/main_loop.h"

namespace zs::ui {

namespace {

constexpr const char *instanceName = "Zelvor Sumbra! MainWindow";
constexpr char activationRequest = '\x02';

} // namespace

std::string TSingleInstance::baseName() {
  // The runtime folder is the user's own; the temporary folder is shared by all users, so
  // there the name carries the user's.
  if (const char *runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
    return std::string(runtime) + "/" + instanceName;
  return platform::TempFolder() + instanceName + " (" + platform::UserName() + ")";
}

TSingleInstance::TSingleInstance() = default;
TSingleInstance::~TSingleInstance() = default;

bool TSingleInstance::Acquire() {
  try {
    lock_ = std::make_unique<platform::TFileLock>(baseName() + ".lock", false);
  } catch (const platform::ELockHeld &) {
    return false;
  }
  // The lock is held: a socket file left by an instance that crashed is stale.
  const QString socket = QString::fromStdString(baseName() + ".socket");
  QLocalServer::removeServer(socket);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket *client = server_->nextPendingConnection()) {
      connect(client, &QLocalSocket::readyRead, client, [client] {
        if (client->readAll().contains(activationRequest)) platform::PostActivation();
        client->disconnectFromServer();
      });
      connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    }
  });
  server_->listen(socket);
  return true;
}

bool TSingleInstance::ActivateOther() {
  const QString socket = QString::fromStdString(baseName() + ".socket");
  for (int attempt = 0; attempt < 300; ++attempt) {
    QLocalSocket client;
    client.connectToServer(socket);
    if (client.waitForConnected(100)) {
      client.write(&activationRequest, 1);
      client.waitForBytesWritten(1000);
      client.disconnectFromServer();
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

} // namespace zs::ui
