#pragma once
#include <functional>

namespace orvalto {

// Runs `trabalho` on a thread of its own and returns when it has ended,
// with the calling thread's event loop running meanwhile (terminals keep
// being answered). `trabalho` must not throw and must end by itself: the
// wait has no bound of its own.
void executaEmTrabalhador(const std::function<void()>& trabalho);

}  // namespace orvalto
