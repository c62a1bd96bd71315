#pragma once
// The service's messages to a workstation told in words for a person at a
// shell: the five stages of an update ("3/5: cópia de segurança do banco"),
// the download percentage, the structure updater at work, and each error
// with the stage it stopped.
#include <QString>

namespace orvalto {

inline constexpr int kEtapasAtualizacao = 5;

// "n/5: <stage>" for the stages 1 to 5 of an update run.
QString textoEtapa(int etapa);

// What a "[ERRO]:n|" message (the whole text the service sent) means,
// naming the stage; the tag ends the line so that a script can find it.
QString textoFalha(const QString& mensagem);

// Turns the stream of messages into lines, leaving out what would only
// repeat (the same percentage again, the structure updater's once-a-second
// signal, the keep-alive, the status replies).
class NarradorProgresso {
 public:
  // `atualizacao` false: a search's downloads, outside any stage.
  explicit NarradorProgresso(bool atualizacao = true) : atualizacao_(atualizacao) {}

  // The line for `mensagem`; empty when there is nothing new to say.
  QString narra(const QString& mensagem);
  // The run was seen starting: the first stage, once.
  QString inicio();
  int etapa() const { return etapa_; }

 private:
  QString entraNaEtapa(int etapa);

  bool atualizacao_;
  int etapa_ = 0;
  int percentual_ = -1;
  bool baseEmExecucao_ = false;
};

}  // namespace orvalto
