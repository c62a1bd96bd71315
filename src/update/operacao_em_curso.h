#pragma once
// Which long operation holds the shared engine (its connection and the
// package files): the update run, a search (with its downloads and the
// self-update that follows it) or the scheduler's tick (the daily report's
// preparation). They never overlap: a run asked for while another one holds
// the engine is remembered, once, and started after that one has ended; a
// search waits the same way (BuscaNovasVersoes keeps its own request); a tick
// that finds the engine held leaves its database work to the next tick.
#include "base/app_context.h"

#include <QObject>

namespace orvalto {

class OperacaoEmCurso : public QObject {
  Q_OBJECT

 public:
  enum class Tipo { Nenhuma, Atualizacao, Busca, Agendamento };

  explicit OperacaoEmCurso(const AppContext& ctx, QObject* parent = nullptr);

  Tipo atual() const { return atual_; }
  bool livre() const { return atual_ == Tipo::Nenhuma; }

  // The engine held by `tipo` for a scope. Taken only when it is free
  // (livre()); its end says liberada() (queued) and starts a remembered run.
  class Posse {
   public:
    Posse(OperacaoEmCurso& operacao, Tipo tipo);
    ~Posse();
    Posse(const Posse&) = delete;
    Posse& operator=(const Posse&) = delete;

   private:
    OperacaoEmCurso& operacao_;
  };

  // A run is asked for: true when it may start now; otherwise it is
  // remembered (logged once) and atualizacaoLiberada() comes once the
  // holder has ended.
  bool pedeAtualizacao();
  bool atualizacaoAdiada() const { return atualizacaoAdiada_; }

 signals:
  // A remembered run may start now.
  void atualizacaoLiberada();
  // The engine is free again (after the holder's own handler returned).
  void liberada();

 private:
  void termina();

  AppContext ctx_;
  Tipo atual_ = Tipo::Nenhuma;
  bool atualizacaoAdiada_ = false;
};

}  // namespace orvalto
