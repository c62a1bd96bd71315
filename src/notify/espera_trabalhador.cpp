#include "espera_trabalhador.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <memory>

namespace orvalto {

void executaEmTrabalhador(const std::function<void()>& trabalho) {
  std::unique_ptr<QThread> trabalhador(QThread::create(trabalho));
  if (!QCoreApplication::instance()) {
    // No event loop to keep alive: just wait.
    trabalhador->start();
    trabalhador->wait();
    return;
  }
  QEventLoop espera;
  // The worker emits `finished` on its own thread: the quit is queued to
  // this one and arrives inside exec(), even when the work ends at once.
  QObject::connect(trabalhador.get(), &QThread::finished, &espera, &QEventLoop::quit, Qt::QueuedConnection);
  trabalhador->start();
  espera.exec();
  trabalhador->wait();
}

}  // namespace orvalto
