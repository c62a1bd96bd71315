#pragma once
// The interaction of a program without a desktop: every message becomes one
// line on standard error ("Caption: text") and, when a log is given, a log
// line. Questions get their safe answer; nothing ever waits for a person.
// Under the service manager the lines carry the journal's level prefix.
#include "base/interaction.h"
#include "platform/diario_servico.h"

#include <cstdio>

namespace orvalto {

class OperationLog;

class HeadlessInteraction : public Interaction {
 public:
  // `log` may be null: then nothing is written to disk (a refused second
  // copy must not touch any file).
  explicit HeadlessInteraction(OperationLog* log, std::FILE* err = stderr);

  void setLog(OperationLog* log) { log_ = log; }

  void showMessage(MessageIcon icon, const QString& caption, const QString& text) override;
  bool askYesNo(const QString& caption, const QString& text, bool safeAnswer) override;
  void showBalloon(const QString& title, const QString& text, int kind, int seconds) override;
  // The extraction window is one log line naming the archive.
  void extractionShow(const QString& archive) override;
  QString pickFolder(const QString& caption, const QString& start) override;

  // "Caption: text", line breaks inside the text written as " / ".
  static QString oneLine(const QString& caption, const QString& text);

 private:
  void emitLine(const QString& line, NivelLog nivel = NivelLog::Informacao);

  OperationLog* log_;
  std::FILE* err_;
};

}  // namespace orvalto
