#include "support/scripted_interaction.h"

namespace orvalto {

void ScriptedInteraction::showMessage(MessageIcon icon, const QString& caption, const QString& text) {
  shown_.append({"message", icon, caption, text});
}

bool ScriptedInteraction::askYesNo(const QString& caption, const QString& text, bool safeAnswer) {
  shown_.append({"question", MessageIcon::None, caption, text});
  return answers_.isEmpty() ? safeAnswer : answers_.dequeue();
}

void ScriptedInteraction::showBalloon(const QString& title, const QString& text, int kind, int seconds) {
  shown_.append({"balloon", MessageIcon::None, balloonTitle(title), balloonText(text), kind, seconds});
}

void ScriptedInteraction::progressShow(const QString& caption) {
  progressVisible = true;
  shown_.append({"progress", MessageIcon::None, caption, {}});
}

void ScriptedInteraction::progressUpdate(qint64 done, qint64 total, const QString&) {
  progressDone = done;
  progressTotal = total;
}

void ScriptedInteraction::progressHide() { progressVisible = false; }

void ScriptedInteraction::extractionShow(const QString& archive) {
  extractionVisible = true;
  shown_.append({"extraction", MessageIcon::None, "Descompactando arquivos", archive});
}

void ScriptedInteraction::extractionUpdate(int position, const QString& bar) {
  if (extractionPositions.isEmpty() || extractionPositions.last() != position) extractionPositions.append(position);
  extractionBar = bar;
}

void ScriptedInteraction::extractionHide() { extractionVisible = false; }

QString ScriptedInteraction::pickFolder(const QString& caption, const QString& start) {
  shown_.append({"folder", MessageIcon::None, caption, start});
  return folders_.isEmpty() ? QString() : folders_.dequeue();
}

QList<ScriptedInteraction::Shown> ScriptedInteraction::messages() const {
  QList<Shown> out;
  for (const Shown& s : shown_)
    if (s.kind == "message") out.append(s);
  return out;
}

QList<ScriptedInteraction::Shown> ScriptedInteraction::balloons() const {
  QList<Shown> out;
  for (const Shown& s : shown_)
    if (s.kind == "balloon") out.append(s);
  return out;
}

}  // namespace orvalto
