#pragma once
// Waits of the window thread that keep serving terminal requests and timer
// ticks: events are handled at least every few milliseconds.
#include <functional>
#include <stop_token>

namespace orvalto {

// Runs `trabalho` on a thread of its own and serves events here until it
// has ended; rethrows what it threw. `trabalho` must share nothing with the
// event handlers (give it copies). Should this thread's wait be cut short,
// the work is asked to stop and waited for.
void executaServindoEventos(const std::function<void(std::stop_token)>& trabalho);

// Serves events for `milissegundos`.
void esperaServindoEventos(int milissegundos);

}  // namespace orvalto
