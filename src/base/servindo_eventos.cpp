#include "base/servindo_eventos.h"

#include "base/event_pump.h"

#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <exception>
#include <future>
#include <thread>

namespace orvalto {
namespace {

// Between two rounds of events: short enough that a terminal's request is
// answered well within its patience.
constexpr auto kIntervalo = std::chrono::milliseconds(5);

}  // namespace

void executaServindoEventos(const std::function<void(std::stop_token)>& trabalho) {
  std::promise<void> fim;
  std::future<void> resultado = fim.get_future();
  // Joined (after a stop request) on every way out of this function.
  std::jthread executor([&fim, &trabalho](std::stop_token parar) {
    try {
      trabalho(parar);
      fim.set_value();
    } catch (...) {
      fim.set_exception(std::current_exception());
    }
  });
  do {
    pumpEvents();
  } while (resultado.wait_for(kIntervalo) != std::future_status::ready);
  executor.join();
  resultado.get();
}

void esperaServindoEventos(int milissegundos) {
  QElapsedTimer relogio;
  relogio.start();
  for (;;) {
    pumpEvents();
    const qint64 resta = milissegundos - relogio.elapsed();
    if (resta <= 0) return;
    std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(kIntervalo, std::chrono::milliseconds(resta)));
  }
}

}  // namespace orvalto
